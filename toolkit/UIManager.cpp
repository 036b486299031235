#include "toolkit/UIManager.h"
#include "toolkit/WindowDpi.h"

#include "toolkit/ControlUI.h"
#include "toolkit/SkinArchive.h"
#include "toolkit/UIManagerGlobals.h"

#include "toolkit/PointerList.h"

#include <algorithm>

namespace {

CControlUI* RegisterNameProc(CControlUI* control, void* data) {
    static_cast<CControlNames*>(data)->Add(control->GetName(), control);
    return nullptr;
}

CControlUI* HitProc(CControlUI* control, void*) {
    return control;
}

struct ClassSearch {
    const wchar_t* className;
    int index;
};

CControlUI* ClassProc(CControlUI* control, void* data) {
    auto* search = static_cast<ClassSearch*>(data);
    if (std::wcscmp(control->GetClass(), search->className) == 0 && search->index-- == 0) {
        return control;
    }
    return nullptr;
}

CControlUI* NameProc(CControlUI* control, void* data) {
    return control->GetName() == *static_cast<const std::wstring*>(data) ? control : nullptr;
}

}  // namespace

IControlHost* ControlHostOf(CUIManager* manager) {
    return manager;
}

CUIManager::CUIManager()
    : timers_([this](uint32_t id, uint32_t interval) { return ::SetTimer(window_, id, interval, nullptr) != 0; },
              [this](uint32_t id) { ::KillTimer(window_, id); }) {
    UIManagerGlobals::OnManagerCreated(this, &gdiplusToken_);
}

CUIManager::~CUIManager() {
    ReleaseAccessible();
    for (CControlUI* control : delayedCleanup_) {
        delete control;
    }
    delayedCleanup_.clear();
    notify_.ClearQueue();
    names_.Clear();
    CControlUI* root = root_;
    root_ = nullptr;
    delete root;
    resources_.Clear();
    windowAttributes_.clear();
    optionGroups_.Clear();
    RemoveAllTimers();
    toolTips_.Destroy();
    buffers_.Release();
    if (windowDc_ != nullptr) {
        ::ReleaseDC(window_, windowDc_);
        windowDc_ = nullptr;
    }
    UIManagerGlobals::OnManagerDestroyed(this, gdiplusToken_);
}

void CUIManager::SetInstance(HINSTANCE instance) {
    UIManagerGlobals::Instance() = instance;
}

HINSTANCE CUIManager::GetInstance() {
    return UIManagerGlobals::Instance();
}

void CUIManager::SetResourceInstance(HINSTANCE instance) {
    UIManagerGlobals::ResourceInstance() = instance;
}

HINSTANCE CUIManager::GetResourceInstance() {
    return UIManagerGlobals::ResourceModule();
}

void CUIManager::SetResourcePath(const std::wstring& path) {
    CSkinArchive::SetResourcePath(path);
}

const std::wstring& CUIManager::GetResourcePath() {
    return CSkinArchive::GetResourcePath();
}

void CUIManager::SetResourceZip(const void* data, size_t length, const char* password) {
    CSkinArchive::SetResourceZip(data, length, password);
}

void CUIManager::Init(HWND window, const wchar_t* name) {
    if (window == nullptr || window == window_) {
        return;
    }
    resources_.Clear();
    RemoveAllOptionGroups();
    RemoveAllTimers();
    name_ = name != nullptr ? name : L"";
    window_ = window;
    windowDc_ = ::GetDC(window);
    threadId_ = ::GetCurrentThreadId();
    dpi_ = GetWindowDpi(window);
    UpdateScale();
    UIManagerGlobals::Join(this);
}

SIZE CUIManager::GetClientSize() const {
    RECT client{};
    ::GetClientRect(window_, &client);
    return SIZE{client.right - client.left, client.bottom - client.top};
}

void CUIManager::SetInitSize(int cx, int cy) {
    initSize_ = SIZE{cx, cy};
    if (root_ == nullptr && window_ != nullptr) {
        const SIZE size = GetInitSize();
        ::SetWindowPos(window_, nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    }
}

bool CUIManager::AttachRoot(CControlUI* root) {
    if (root == nullptr) {
        return false;
    }
    focus_.Set(nullptr);
    key_ = hover_ = click_ = nullptr;
    if (root_ != nullptr) {
        for (CControlUI* control : delayedCleanup_) {
            delete control;
        }
        delayedCleanup_.clear();
        notify_.ClearQueue();
        names_.Clear();
        postPaint_.clear();
        nativeWindows_.clear();
        AddDelayedCleanup(root_);
    }
    root_ = root;
    updateNeeded_ = true;
    firstLayout_ = true;
    focus_.SetNeeded(true);
    return InitControls(root, nullptr);
}

bool CUIManager::InitControls(CControlUI* control, CControlUI* parent) {
    if (control == nullptr) {
        return false;
    }
    control->SetManager(this, parent != nullptr ? parent : control->GetParent(), true);
    control->FindControl(RegisterNameProc, &names_, UIFind::All);
    return true;
}

void CUIManager::ReapObjects(CControlUI* control) {
    if (control == nullptr) {
        return;
    }
    if (control == click_) {
        click_ = nullptr;
    }
    if (control == hover_) {
        hover_ = nullptr;
    }
    focus_.Forget(control);
    if (control == key_) {
        key_ = nullptr;
    }
    timers_.KillAll(control);
    names_.Remove(control->GetName(), control);
    RemoveItem(mouseLeaveNeeded_, control);
    RemoveItem(postPaint_, control);
    nativeWindows_.erase(std::remove_if(nativeWindows_.begin(), nativeWindows_.end(),
                                        [control](const NativeWindow& w) { return w.control == control; }),
                         nativeWindows_.end());
    notify_.ForgetSender(control);
    optionGroups_.RemoveEverywhere(control);
}

void CUIManager::RenameControl(CControlUI* control, const std::wstring& oldName) {
    names_.Remove(oldName, control);
    if (IsOwnControl(control)) {
        names_.Add(control->GetName(), control);
    }
}

// True when the control hangs in this manager's tree (not merely pointing at it while a
// layout is being built).
bool CUIManager::IsOwnControl(const CControlUI* control) const {
    if (control == nullptr || control->GetManager() != this || root_ == nullptr) {
        return false;
    }
    const CControlUI* top = control;
    while (top->GetParent() != nullptr) {
        top = top->GetParent();
    }
    return top == root_;
}

void CUIManager::AddDelayedCleanup(CControlUI* control) {
    if (control == nullptr) {
        return;
    }
    control->SetManager(this, nullptr, false);
    if (AddUnique(delayedCleanup_, control)) {
        notify_.RequestDelivery(window_);
    }
}

CControlUI* CUIManager::FindControl(const std::wstring& name) const {
    return names_.Find(name);
}

CControlUI* CUIManager::FindControl(POINT point) const {
    return root_ != nullptr ? root_->FindControl(HitProc, &point, UIFind::Visible | UIFind::HitTest | UIFind::TopFirst)
                            : nullptr;
}

CControlUI* CUIManager::FindSubControlByPoint(CControlUI* parent, POINT point) const {
    CControlUI* start = parent != nullptr ? parent : root_;
    return start != nullptr ? start->FindControl(HitProc, &point, UIFind::Visible | UIFind::HitTest | UIFind::TopFirst)
                            : nullptr;
}

CControlUI* CUIManager::FindSubControlByName(CControlUI* parent, const std::wstring& name) const {
    CControlUI* start = parent != nullptr ? parent : root_;
    std::wstring key = name;
    return start != nullptr ? start->FindControl(NameProc, &key, UIFind::All) : nullptr;
}

CControlUI* CUIManager::FindSubControlByClass(CControlUI* parent, const wchar_t* className, int index) {
    CControlUI* start = parent != nullptr ? parent : root_;
    ClassSearch search{className, index};
    return start != nullptr ? start->FindControl(ClassProc, &search, UIFind::All) : nullptr;
}

bool CUIManager::AddOptionGroup(const std::wstring& group, CControlUI* control) {
    return optionGroups_.Add(group, control);
}

const std::vector<CControlUI*>* CUIManager::GetOptionGroup(const std::wstring& group) const {
    return optionGroups_.Find(group);
}

void CUIManager::RemoveOptionGroup(const std::wstring& group, CControlUI* control) {
    optionGroups_.Remove(group, control);
}

void CUIManager::RemoveAllOptionGroups() {
    optionGroups_.Clear();
}

bool CUIManager::SetTimer(CControlUI* control, UINT localId, UINT interval) {
    // Timers belong to the window's thread; a worker hands its request over by posting.
    if (window_ == nullptr || control == nullptr || ::GetCurrentThreadId() != threadId_) {
        return false;
    }
    return timers_.Set(control, localId, interval);
}

bool CUIManager::KillTimer(CControlUI* control, UINT localId) {
    if (::GetCurrentThreadId() != threadId_) {
        return false;
    }
    return timers_.Kill(control, localId);
}

void CUIManager::KillTimer(CControlUI* control) {
    if (::GetCurrentThreadId() == threadId_) {
        timers_.KillAll(control);
    }
}

void CUIManager::RemoveAllTimers() {
    if (threadId_ == 0 || ::GetCurrentThreadId() == threadId_) {
        timers_.RemoveAll();
    }
}

void CUIManager::SendEvent(CControlUI* control, UIEventType type, WPARAM wParam, LPARAM lParam, wchar_t key) {
    if (control == nullptr) {
        return;
    }
    UIEvent event;
    event.type = type;
    event.sender = control;
    event.timestamp = ::GetTickCount();
    event.mouse = lastMouse_;
    event.key = key;
    event.keyState = CurrentKeyState();
    event.wParam = wParam;
    event.lParam = lParam;
    control->Event(event);
}

WORD CUIManager::CurrentKeyState() const {
    WORD state = 0;
    if (::GetKeyState(VK_LBUTTON) < 0) {
        state |= UIKeyState::LButton;
    }
    if (::GetKeyState(VK_RBUTTON) < 0) {
        state |= UIKeyState::RButton;
    }
    if (::GetKeyState(VK_SHIFT) < 0) {
        state |= UIKeyState::Shift;
    }
    if (::GetKeyState(VK_CONTROL) < 0) {
        state |= UIKeyState::Control;
    }
    if (::GetKeyState(VK_MENU) < 0) {
        state |= UIKeyState::Alt;
    }
    return state;
}

void CUIManager::DropFocus(CControlUI* taker) {
    CControlUI* old = focus_.Get();
    if (old == nullptr) {
        return;
    }
    UIEvent event;
    event.type = UIEventType::KillFocus;
    event.sender = taker;
    event.timestamp = ::GetTickCount();
    event.mouse = lastMouse_;
    old->Event(event);
    SendNotify(old, L"killfocus");
    focus_.Set(nullptr);
    InvalidateFocusMark(old);
}

void CUIManager::SetFocus(CControlUI* control, bool focusWindow) {
    if (focusWindow && !noActivate_ && window_ != nullptr && ::GetFocus() != window_ && control != focus_.Get()) {
        ::SetFocus(window_);
    }
    if (control == focus_.Get()) {
        return;
    }
    DropFocus(control);
    if (control != nullptr && control->GetManager() == this && control->IsVisible() && control->IsEnabled()) {
        focus_.Set(control);
        InvalidateFocusMark(control);
        SendEvent(control, UIEventType::SetFocus);
        SendNotify(control, L"setfocus");
    }
}

void CUIManager::SetFocusNeeded(CControlUI* control) {
    if (!noActivate_ && window_ != nullptr) {
        ::SetFocus(window_);
    }
    if (control == nullptr) {
        focus_.SetNeeded(false);
        return;
    }
    DropFocus(control);
    focus_.Set(CFocusChain::FindTabStop(root_, control, false));
    focus_.SetNeeded(true);
    if (root_ != nullptr) {
        root_->NeedUpdate();
    }
}

bool CUIManager::SetNextTabControl(bool forward) {
    if (updateNeeded_ && forward) {
        focus_.SetNeeded(true);
        if (window_ != nullptr) {
            ::InvalidateRect(window_, nullptr, FALSE);
        }
        return true;
    }
    CControlUI* next = CFocusChain::FindTabStop(root_, focus_.Get(), forward);
    if (next != nullptr) {
        SetFocus(next, true);
    }
    focus_.SetNeeded(false);
    return true;
}

void CUIManager::SetCapture() {
    ::SetCapture(window_);
    captured_ = true;
}

void CUIManager::ReleaseCapture() {
    ::ReleaseCapture();
    captured_ = false;
}

void CUIManager::ClampInvalid(RECT& rect) const {
    rect.left = std::max<LONG>(rect.left, 0);
    rect.top = std::max<LONG>(rect.top, 0);
    rect.right = std::max(rect.right, rect.left);
    rect.bottom = std::max(rect.bottom, rect.top);
}

void CUIManager::Invalidate() {
    RECT client{};
    ::GetClientRect(window_, &client);
    Invalidate(client);
}

void CUIManager::Invalidate(RECT& rect) {
    ClampInvalid(rect);
    if (layered_) {
        ::UnionRect(&layeredUpdate_, &layeredUpdate_, &rect);
    } else if (window_ != nullptr) {
        ::InvalidateRect(window_, &rect, FALSE);
    }
}
