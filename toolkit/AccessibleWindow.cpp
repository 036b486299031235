#include "toolkit/AccessibleWindow.h"

#include "toolkit/AccessibleControls.h"
#include "toolkit/ControlUI.h"
#include "toolkit/UIManager.h"

#include <string>

namespace {

// A string answer: S_FALSE with no string when there is nothing to say.
HRESULT Answer(const std::wstring& text, BSTR* out) {
    *out = nullptr;
    if (text.empty()) {
        return S_FALSE;
    }
    *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

void SetChild(VARIANT* out, long id) {
    ::VariantInit(out);
    out->vt = VT_I4;
    out->lVal = id;
}

void Clear(BSTR* out) {
    *out = nullptr;
}

void Clear(VARIANT* out) {
    ::VariantInit(out);
}

void Clear(IDispatch** out) {
    *out = nullptr;
}

}  // namespace

CAccessibleWindow::CAccessibleWindow(CUIManager* manager, HWND window) : manager_(manager), window_(window) {
    (void)::CreateStdAccessibleObject(window, OBJID_CLIENT, __uuidof(IAccessible),
                                      reinterpret_cast<void**>(&standard_));
}

CAccessibleWindow::~CAccessibleWindow() {
    if (standard_ != nullptr) {
        standard_->Release();
    }
}

void CAccessibleWindow::Disconnect() {
    manager_ = nullptr;
    window_ = nullptr;
    if (standard_ != nullptr) {
        standard_->Release();
        standard_ = nullptr;
    }
}

std::vector<CControlUI*> CAccessibleWindow::Children() const {
    return manager_ != nullptr ? AccessibleControls(manager_->GetRoot()) : std::vector<CControlUI*>();
}

long CAccessibleWindow::ChildId(const CControlUI* control) const {
    return manager_ != nullptr ? AccessibleChildId(manager_->GetRoot(), control) : CHILDID_SELF;
}

CControlUI* CAccessibleWindow::Control(long childId) const {
    const std::vector<CControlUI*> children = Children();
    return childId >= 1 && static_cast<size_t>(childId) <= children.size() ? children[childId - 1] : nullptr;
}

bool CAccessibleWindow::HasKeyboardFocus() const {
    HWND focus = ::GetFocus();
    return focus != nullptr && (focus == window_ || ::IsChild(window_, focus));
}

HRESULT CAccessibleWindow::Find(const VARIANT& child, long* id) const {
    if (manager_ == nullptr) {
        return CO_E_OBJNOTCONNECTED;
    }
    if (child.vt != VT_I4 || (child.lVal != CHILDID_SELF && Control(child.lVal) == nullptr)) {
        return E_INVALIDARG;
    }
    *id = child.lVal;
    return S_OK;
}

template <typename Out>
HRESULT CAccessibleWindow::Start(Out* out) const {
    if (out == nullptr) {
        return E_POINTER;
    }
    Clear(out);
    return manager_ == nullptr ? CO_E_OBJNOTCONNECTED : S_OK;
}

template <typename Out>
HRESULT CAccessibleWindow::Start(Out* out, const VARIANT& child, long* id) const {
    const HRESULT started = Start(out);
    return FAILED(started) ? started : Find(child, id);
}

STDMETHODIMP CAccessibleWindow::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(IAccessible)) {
        *object = static_cast<IAccessible*>(this);
    } else if (riid == __uuidof(IOleWindow)) {
        *object = static_cast<IOleWindow*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CAccessibleWindow::AddRef() {
    return static_cast<ULONG>(::InterlockedIncrement(&refs_));
}

STDMETHODIMP_(ULONG) CAccessibleWindow::Release() {
    const LONG left = ::InterlockedDecrement(&refs_);
    if (left == 0) {
        delete this;
    }
    return static_cast<ULONG>(left);
}

STDMETHODIMP CAccessibleWindow::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = 0;
    return S_OK;
}

STDMETHODIMP CAccessibleWindow::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info != nullptr) {
        *info = nullptr;
    }
    return E_NOTIMPL;
}

STDMETHODIMP CAccessibleWindow::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

STDMETHODIMP CAccessibleWindow::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}

STDMETHODIMP CAccessibleWindow::get_accParent(IDispatch** parent) {
    if (const HRESULT started = Start(parent); FAILED(started)) {
        return started;
    }
    return standard_ != nullptr ? standard_->get_accParent(parent) : S_FALSE;
}

STDMETHODIMP CAccessibleWindow::get_accChildCount(long* count) {
    if (count == nullptr) {
        return E_POINTER;
    }
    if (manager_ == nullptr) {
        return CO_E_OBJNOTCONNECTED;
    }
    *count = static_cast<long>(Children().size());
    return S_OK;
}

STDMETHODIMP CAccessibleWindow::get_accChild(VARIANT child, IDispatch** object) {
    long id = 0;
    if (const HRESULT started = Start(object, child, &id); FAILED(started)) {
        return started;
    }
    // Every child is a simple element: its parent answers for it.
    return id != CHILDID_SELF ? S_FALSE : E_INVALIDARG;
}

STDMETHODIMP CAccessibleWindow::get_accName(VARIANT child, BSTR* name) {
    long id = 0;
    if (const HRESULT started = Start(name, child, &id); FAILED(started)) {
        return started;
    }
    if (id == CHILDID_SELF) {
        return standard_ != nullptr ? standard_->get_accName(child, name) : S_FALSE;
    }
    return Answer(AccessibleName(Control(id)), name);
}

STDMETHODIMP CAccessibleWindow::get_accValue(VARIANT child, BSTR* value) {
    long id = 0;
    if (const HRESULT started = Start(value, child, &id); FAILED(started)) {
        return started;
    }
    if (id == CHILDID_SELF) {
        return S_FALSE;
    }
    CControlUI* control = Control(id);
    const std::wstring text = AccessibleValue(control);
    // An empty edit still has a value: the empty text.
    if (text.empty() && AccessibleRole(control) == ROLE_SYSTEM_TEXT) {
        *value = ::SysAllocString(L"");
        return *value != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    return Answer(text, value);
}

STDMETHODIMP CAccessibleWindow::get_accDescription(VARIANT child, BSTR* description) {
    long id = 0;
    if (const HRESULT started = Start(description, child, &id); FAILED(started)) {
        return started;
    }
    return id == CHILDID_SELF ? S_FALSE : Answer(AccessibleDescription(Control(id)), description);
}

STDMETHODIMP CAccessibleWindow::get_accRole(VARIANT child, VARIANT* role) {
    long id = 0;
    if (const HRESULT started = Start(role, child, &id); FAILED(started)) {
        return started;
    }
    SetChild(role, id == CHILDID_SELF ? ROLE_SYSTEM_CLIENT : AccessibleRole(Control(id)));
    return S_OK;
}

STDMETHODIMP CAccessibleWindow::get_accState(VARIANT child, VARIANT* state) {
    long id = 0;
    if (const HRESULT started = Start(state, child, &id); FAILED(started)) {
        return started;
    }
    if (id == CHILDID_SELF) {
        if (standard_ != nullptr) {
            return standard_->get_accState(child, state);
        }
        SetChild(state, HasKeyboardFocus() ? STATE_SYSTEM_FOCUSED : 0);
        return S_OK;
    }
    SetChild(state, AccessibleState(Control(id), HasKeyboardFocus()));
    return S_OK;
}

STDMETHODIMP CAccessibleWindow::get_accHelp(VARIANT, BSTR* help) {
    const HRESULT started = Start(help);
    return FAILED(started) ? started : S_FALSE;
}

STDMETHODIMP CAccessibleWindow::get_accHelpTopic(BSTR* file, VARIANT, long* topic) {
    if (file == nullptr || topic == nullptr) {
        return E_POINTER;
    }
    *file = nullptr;
    *topic = -1;
    return manager_ == nullptr ? CO_E_OBJNOTCONNECTED : S_FALSE;
}

STDMETHODIMP CAccessibleWindow::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
    long id = 0;
    if (const HRESULT started = Start(shortcut, child, &id); FAILED(started)) {
        return started;
    }
    const wchar_t key = id == CHILDID_SELF ? 0 : Control(id)->GetShortcut();
    return Answer(key != 0 ? std::wstring(L"Alt+") + key : L"", shortcut);
}

STDMETHODIMP CAccessibleWindow::get_accFocus(VARIANT* focus) {
    if (const HRESULT started = Start(focus); FAILED(started)) {
        return started;
    }
    if (!HasKeyboardFocus()) {
        return S_FALSE;
    }
    SetChild(focus, ChildId(manager_->GetFocus()));
    return S_OK;
}

STDMETHODIMP CAccessibleWindow::get_accSelection(VARIANT* selection) {
    const HRESULT started = Start(selection);
    return FAILED(started) ? started : S_FALSE;
}

STDMETHODIMP CAccessibleWindow::get_accDefaultAction(VARIANT child, BSTR* action) {
    long id = 0;
    if (const HRESULT started = Start(action, child, &id); FAILED(started)) {
        return started;
    }
    return id == CHILDID_SELF ? S_FALSE : Answer(AccessibleDefaultAction(Control(id)), action);
}

STDMETHODIMP CAccessibleWindow::accSelect(long flags, VARIANT child) {
    long id = 0;
    if (const HRESULT found = Find(child, &id); FAILED(found)) {
        return found;
    }
    if (id == CHILDID_SELF || flags != SELFLAG_TAKEFOCUS) {
        return DISP_E_MEMBERNOTFOUND;
    }
    CControlUI* control = Control(id);
    if ((AccessibleState(control, false) & STATE_SYSTEM_FOCUSABLE) == 0) {
        return S_FALSE;
    }
    manager_->SetFocus(control, true);
    return S_OK;
}

STDMETHODIMP CAccessibleWindow::accLocation(long* left, long* top, long* width, long* height, VARIANT child) {
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) {
        return E_POINTER;
    }
    *left = *top = *width = *height = 0;
    long id = 0;
    if (const HRESULT found = Find(child, &id); FAILED(found)) {
        return found;
    }
    if (id == CHILDID_SELF) {
        return standard_ != nullptr ? standard_->accLocation(left, top, width, height, child) : S_FALSE;
    }
    const RECT& pos = Control(id)->GetPos();
    POINT origin{pos.left, pos.top};
    ::ClientToScreen(window_, &origin);
    *left = origin.x;
    *top = origin.y;
    *width = pos.right - pos.left;
    *height = pos.bottom - pos.top;
    return S_OK;
}

STDMETHODIMP CAccessibleWindow::accNavigate(long direction, VARIANT start, VARIANT* end) {
    long id = 0;
    if (const HRESULT started = Start(end, start, &id); FAILED(started)) {
        return started;
    }
    const long count = static_cast<long>(Children().size());
    long to = 0;
    if (id == CHILDID_SELF) {
        if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) {
            to = direction == NAVDIR_FIRSTCHILD ? 1 : count;
        } else {
            return standard_ != nullptr ? standard_->accNavigate(direction, start, end) : S_FALSE;
        }
    } else if (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN || direction == NAVDIR_RIGHT) {
        to = id + 1;
    } else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP || direction == NAVDIR_LEFT) {
        to = id - 1;
    }
    if (to < 1 || to > count) {
        return S_FALSE;
    }
    SetChild(end, to);
    return S_OK;
}

STDMETHODIMP CAccessibleWindow::accHitTest(long x, long y, VARIANT* child) {
    if (const HRESULT started = Start(child); FAILED(started)) {
        return started;
    }
    POINT point{x, y};
    ::ScreenToClient(window_, &point);
    RECT client{};
    ::GetClientRect(window_, &client);
    if (!::PtInRect(&client, point)) {
        return S_FALSE;
    }
    // Later controls are painted over earlier ones.
    const std::vector<CControlUI*> children = Children();
    for (size_t i = children.size(); i-- > 0;) {
        const RECT& pos = children[i]->GetPos();
        if (children[i]->IsVisible() && ::PtInRect(&pos, point)) {
            SetChild(child, static_cast<long>(i) + 1);
            return S_OK;
        }
    }
    SetChild(child, CHILDID_SELF);
    return S_OK;
}

// Done later, from the window's own queue: the action may open a modal box, which must
// not run inside a screen reader's call.
STDMETHODIMP CAccessibleWindow::accDoDefaultAction(VARIANT child) {
    long id = 0;
    if (const HRESULT found = Find(child, &id); FAILED(found)) {
        return found;
    }
    if (id == CHILDID_SELF || AccessibleDefaultAction(Control(id)).empty()) {
        return DISP_E_MEMBERNOTFOUND;
    }
    return ::PostMessageW(window_, CUIManager::kAccessibleActionMessage, static_cast<WPARAM>(id), 0) ? S_OK : E_FAIL;
}

STDMETHODIMP CAccessibleWindow::put_accName(VARIANT, BSTR) {
    return E_NOTIMPL;
}

STDMETHODIMP CAccessibleWindow::put_accValue(VARIANT, BSTR) {
    return E_NOTIMPL;
}

STDMETHODIMP CAccessibleWindow::GetWindow(HWND* window) {
    if (window == nullptr) {
        return E_POINTER;
    }
    *window = window_;
    return manager_ == nullptr ? CO_E_OBJNOTCONNECTED : S_OK;
}

STDMETHODIMP CAccessibleWindow::ContextSensitiveHelp(BOOL) {
    return E_NOTIMPL;
}
