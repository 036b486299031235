#include "toolkit/TxtWinHost.h"

#include "toolkit/RichEditUI.h"
#include "toolkit/UIManager.h"
#include "util/SystemDll.h"

#include <imm.h>

#include <cstdlib>
#include <cwchar>

namespace {

const IID kIIDTextServices = {0x8D33F740, 0xCF58, 0x11CE, {0xA8, 0x9D, 0x00, 0xAA, 0x00, 0x6C, 0xAD, 0xC5}};
const IID kIIDTextHost = {0x13E670F4, 0x1A5A, 0x11CF, {0xAB, 0xEB, 0x00, 0xAA, 0x00, 0xB6, 0x5E, 0xA1}};

using CreateTextServicesFn = HRESULT(WINAPI*)(IUnknown*, ITextHost*, IUnknown**);

}  // namespace

CTxtWinHost::CTxtWinHost(CRichEditUI* owner) : owner_(owner) {
    charFormat_.cbSize = sizeof(charFormat_);
    paraFormat_.cbSize = sizeof(paraFormat_);
    paraFormat_.dwMask = PFM_ALL;
    paraFormat_.wAlignment = PFA_LEFT;
    paraFormat_.cTabCount = 1;
    paraFormat_.rgxTabs[0] = lDefaultTab;
    propertyBits_ = TXTBIT_RICHTEXT | TXTBIT_MULTILINE | TXTBIT_WORDWRAP;
}

CTxtWinHost::~CTxtWinHost() {
    Shutdown();
}

CTxtWinHost* CTxtWinHost::Create(CRichEditUI* owner) {
    auto* host = new CTxtWinHost(owner);
    host->library_.reset(LoadSystemLibrary(L"msftedit.dll"));
    CreateTextServicesFn create = nullptr;
    if (host->library_) {
        create = reinterpret_cast<CreateTextServicesFn>(
            reinterpret_cast<void*>(::GetProcAddress(host->library_.get(), "CreateTextServices")));
    }
    IUnknown* unknown = nullptr;
    if (create == nullptr || FAILED(create(nullptr, host, &unknown)) || unknown == nullptr) {
        host->Release();
        return nullptr;
    }
    void* services = nullptr;
    const HRESULT hr = unknown->QueryInterface(kIIDTextServices, &services);
    unknown->Release();
    if (FAILED(hr) || services == nullptr) {
        host->Release();
        return nullptr;
    }
    host->services_ = static_cast<ITextServices*>(services);
    return host;
}

void CTxtWinHost::Shutdown() {
    owner_ = nullptr;
    if (services_ != nullptr) {
        ITextServices* services = services_;
        services_ = nullptr;
        services->OnTxInPlaceDeactivate();
        services->Release();
    }
}

HWND CTxtWinHost::Window() const {
    return owner_ != nullptr && owner_->GetManager() != nullptr ? owner_->GetManager()->GetPaintWindow() : nullptr;
}

void CTxtWinHost::ChangeBits(DWORD mask, bool on) {
    const DWORD old = propertyBits_;
    propertyBits_ = on ? (propertyBits_ | mask) : (propertyBits_ & ~mask);
    if (services_ != nullptr && old != propertyBits_) {
        services_->OnTxPropertyBitsChange(mask, propertyBits_ & mask);
    }
}

void CTxtWinHost::SetRichText(bool on) {
    ChangeBits(TXTBIT_RICHTEXT, on);
}

void CTxtWinHost::SetMultiLine(bool on) {
    ChangeBits(TXTBIT_MULTILINE, on);
}

void CTxtWinHost::SetReadOnly(bool on) {
    ChangeBits(TXTBIT_READONLY, on);
}

void CTxtWinHost::SetPassword(bool on, wchar_t c) {
    passwordChar_ = c;
    ChangeBits(TXTBIT_USEPASSWORD, on);
}

void CTxtWinHost::SetWordWrap(bool on) {
    ChangeBits(TXTBIT_WORDWRAP, on);
}

void CTxtWinHost::SetTransparent(bool on) {
    transparent_ = on;
    if (services_ != nullptr) {
        services_->OnTxPropertyBitsChange(TXTBIT_BACKSTYLECHANGE, 0);
    }
}

void CTxtWinHost::SetMaxLength(LONG length) {
    maxLength_ = length;
    if (services_ != nullptr) {
        services_->OnTxPropertyBitsChange(TXTBIT_MAXLENGTHCHANGE, TXTBIT_MAXLENGTHCHANGE);
    }
}

void CTxtWinHost::SetScrollBars(DWORD bars) {
    scrollBars_ = bars;
    if (services_ != nullptr) {
        services_->OnTxPropertyBitsChange(TXTBIT_SCROLLBARCHANGE, TXTBIT_SCROLLBARCHANGE);
    }
}

void CTxtWinHost::SetFont(HFONT font) {
    LOGFONTW logFont{};
    if (font == nullptr || ::GetObjectW(font, sizeof(logFont), &logFont) == 0) {
        return;
    }
    HDC screen = ::GetDC(nullptr);
    const LONG pixelsPerInch = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    // Heights in twips, faces as they are.
    charFormat_.dwMask |=
        CFM_SIZE | CFM_OFFSET | CFM_FACE | CFM_CHARSET | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
    charFormat_.yHeight = std::labs(logFont.lfHeight) * 1440 / (pixelsPerInch > 0 ? pixelsPerInch : 96);
    charFormat_.yOffset = 0;
    charFormat_.bCharSet = logFont.lfCharSet;
    charFormat_.bPitchAndFamily = logFont.lfPitchAndFamily;
    std::wcsncpy(charFormat_.szFaceName, logFont.lfFaceName, LF_FACESIZE - 1);
    charFormat_.dwEffects &= ~(CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT | CFE_AUTOCOLOR);
    if (logFont.lfWeight >= FW_BOLD) {
        charFormat_.dwEffects |= CFE_BOLD;
    }
    if (logFont.lfItalic) {
        charFormat_.dwEffects |= CFE_ITALIC;
    }
    if (logFont.lfUnderline) {
        charFormat_.dwEffects |= CFE_UNDERLINE;
    }
    if (logFont.lfStrikeOut) {
        charFormat_.dwEffects |= CFE_STRIKEOUT;
    }
    if (services_ != nullptr) {
        services_->OnTxPropertyBitsChange(TXTBIT_CHARFORMATCHANGE, TXTBIT_CHARFORMATCHANGE);
    }
}

void CTxtWinHost::SetTextColor(COLORREF color) {
    charFormat_.dwMask |= CFM_COLOR;
    charFormat_.crTextColor = color;
    if (services_ != nullptr) {
        services_->OnTxPropertyBitsChange(TXTBIT_CHARFORMATCHANGE, TXTBIT_CHARFORMATCHANGE);
    }
}

void CTxtWinHost::SetParagraphAlign(WORD align) {
    paraFormat_.wAlignment = align;
    if (services_ != nullptr) {
        services_->OnTxPropertyBitsChange(TXTBIT_PARAFORMATCHANGE, TXTBIT_PARAFORMATCHANGE);
    }
}

void CTxtWinHost::ClientRectChanged() {
    if (services_ != nullptr) {
        services_->OnTxPropertyBitsChange(TXTBIT_CLIENTRECTCHANGE, TXTBIT_CLIENTRECTCHANGE);
    }
}

HRESULT STDMETHODCALLTYPE CTxtWinHost::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, kIIDTextHost)) {
        *object = static_cast<ITextHost*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CTxtWinHost::AddRef() {
    return ++references_;
}

ULONG STDMETHODCALLTYPE CTxtWinHost::Release() {
    const ULONG left = --references_;
    if (left == 0) {
        delete this;
    }
    return left;
}

HDC CTxtWinHost::TxGetDC() {
    return owner_ != nullptr && owner_->GetManager() != nullptr ? owner_->GetManager()->GetPaintDC() : nullptr;
}

INT CTxtWinHost::TxReleaseDC(HDC) {
    return 1;  // the window's own DC stays with the manager
}

WINBOOL CTxtWinHost::TxShowScrollBar(INT, WINBOOL) {
    if (owner_ != nullptr) {
        owner_->UpdateScrollBars();
    }
    return TRUE;
}

WINBOOL CTxtWinHost::TxEnableScrollBar(INT, INT) {
    return TRUE;
}

WINBOOL CTxtWinHost::TxSetScrollRange(INT, LONG, INT, WINBOOL) {
    if (owner_ != nullptr) {
        owner_->UpdateScrollBars();
    }
    return TRUE;
}

WINBOOL CTxtWinHost::TxSetScrollPos(INT, INT, WINBOOL) {
    if (owner_ != nullptr) {
        owner_->UpdateScrollBars();
    }
    return TRUE;
}

void CTxtWinHost::TxInvalidateRect(LPCRECT rect, WINBOOL) {
    if (owner_ == nullptr || owner_->GetManager() == nullptr) {
        return;
    }
    RECT area = owner_->GetPos();
    if (rect != nullptr && !::IntersectRect(&area, &area, rect)) {
        return;
    }
    owner_->GetManager()->Invalidate(area);
}

void CTxtWinHost::TxViewChange(WINBOOL) {
    if (owner_ != nullptr) {
        owner_->Invalidate();
    }
}

WINBOOL CTxtWinHost::TxCreateCaret(HBITMAP bitmap, INT width, INT height) {
    return ::CreateCaret(Window(), bitmap, width, height);
}

WINBOOL CTxtWinHost::TxShowCaret(WINBOOL show) {
    return show ? ::ShowCaret(Window()) : ::HideCaret(Window());
}

WINBOOL CTxtWinHost::TxSetCaretPos(INT x, INT y) {
    return ::SetCaretPos(x, y);
}

WINBOOL CTxtWinHost::TxSetTimer(UINT id, UINT timeout) {
    if (owner_ == nullptr || owner_->GetManager() == nullptr) {
        return FALSE;
    }
    CUIManager* manager = owner_->GetManager();
    manager->KillTimer(owner_, id);  // the services may ask again for a running timer
    return manager->SetTimer(owner_, id, timeout) ? TRUE : FALSE;
}

void CTxtWinHost::TxKillTimer(UINT id) {
    if (owner_ != nullptr && owner_->GetManager() != nullptr) {
        owner_->GetManager()->KillTimer(owner_, id);
    }
}

void CTxtWinHost::TxScrollWindowEx(INT, INT, LPCRECT, LPCRECT, HRGN, LPRECT, UINT) {
    if (owner_ != nullptr) {
        owner_->Invalidate();
    }
}

void CTxtWinHost::TxSetCapture(WINBOOL capture) {
    if (owner_ == nullptr || owner_->GetManager() == nullptr) {
        return;
    }
    if (capture) {
        owner_->GetManager()->SetCapture();
    } else {
        owner_->GetManager()->ReleaseCapture();
    }
}

void CTxtWinHost::TxSetFocus() {
    if (owner_ != nullptr) {
        owner_->SetFocus();
    }
}

void CTxtWinHost::TxSetCursor(HCURSOR cursor, WINBOOL) {
    ::SetCursor(cursor);
}

WINBOOL CTxtWinHost::TxScreenToClient(LPPOINT point) {
    return ::ScreenToClient(Window(), point);
}

WINBOOL CTxtWinHost::TxClientToScreen(LPPOINT point) {
    return ::ClientToScreen(Window(), point);
}

HRESULT CTxtWinHost::TxActivate(LONG* oldState) {
    if (oldState != nullptr) {
        *oldState = 0;
    }
    return S_OK;
}

HRESULT CTxtWinHost::TxDeactivate(LONG) {
    return S_OK;
}

HRESULT CTxtWinHost::TxGetClientRect(LPRECT rect) {
    if (owner_ == nullptr) {
        return E_FAIL;
    }
    *rect = owner_->GetTextRect();
    return S_OK;
}

HRESULT CTxtWinHost::TxGetViewInset(LPRECT rect) {
    *rect = RECT{0, 0, 0, 0};
    return S_OK;
}

HRESULT CTxtWinHost::TxGetCharFormat(const CHARFORMATW** format) {
    *format = reinterpret_cast<const CHARFORMATW*>(&charFormat_);
    return S_OK;
}

HRESULT CTxtWinHost::TxGetParaFormat(const PARAFORMAT** format) {
    *format = &paraFormat_;
    return S_OK;
}

COLORREF CTxtWinHost::TxGetSysColor(int index) {
    return ::GetSysColor(index);
}

HRESULT CTxtWinHost::TxGetBackStyle(TXTBACKSTYLE* style) {
    *style = transparent_ ? TXTBACK_TRANSPARENT : TXTBACK_OPAQUE;
    return S_OK;
}

HRESULT CTxtWinHost::TxGetMaxLength(DWORD* length) {
    *length = static_cast<DWORD>(maxLength_);
    return S_OK;
}

HRESULT CTxtWinHost::TxGetScrollBars(DWORD* bars) {
    *bars = scrollBars_;
    return S_OK;
}

HRESULT CTxtWinHost::TxGetPasswordChar(TCHAR* c) {
    *c = passwordChar_;
    return S_OK;
}

HRESULT CTxtWinHost::TxGetAcceleratorPos(LONG* pos) {
    *pos = -1;
    return S_OK;
}

HRESULT CTxtWinHost::TxGetExtent(LPSIZEL) {
    return E_NOTIMPL;
}

HRESULT CTxtWinHost::OnTxCharFormatChange(const CHARFORMATW*) {
    return S_OK;
}

HRESULT CTxtWinHost::OnTxParaFormatChange(const PARAFORMAT*) {
    return S_OK;
}

HRESULT CTxtWinHost::TxGetPropertyBits(DWORD mask, DWORD* bits) {
    *bits = propertyBits_ & mask;
    return S_OK;
}

HRESULT CTxtWinHost::TxNotify(DWORD notify, void* data) {
    if (owner_ == nullptr || owner_->GetManager() == nullptr) {
        return S_OK;
    }
    switch (notify) {
        case EN_CHANGE:
            owner_->OnTextChanged();
            return S_OK;
        case EN_LINK: {
            const auto* link = static_cast<const ENLINK*>(data);
            if (link != nullptr && link->msg == WM_LBUTTONUP) {
                owner_->OnLinkClicked(link->chrg.cpMin);
            }
            return S_OK;
        }
        default:
            break;
    }
    // Everything else goes to the window as the notification a windowed rich edit sends.
    HWND window = Window();
    if (window == nullptr) {
        return S_OK;
    }
    NMHDR header{};
    NMHDR* message = data != nullptr ? static_cast<NMHDR*>(data) : &header;
    message->hwndFrom = window;
    message->idFrom = 0;
    message->code = notify;
    ::SendMessageW(window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(message));
    return S_OK;
}

HIMC CTxtWinHost::TxImmGetContext() {
    return ::ImmGetContext(Window());
}

void CTxtWinHost::TxImmReleaseContext(HIMC context) {
    ::ImmReleaseContext(Window(), context);
}

HRESULT CTxtWinHost::TxGetSelectionBarWidth(LONG* width) {
    *width = 0;
    return S_OK;
}
