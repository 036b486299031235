#pragma once
// The host side of a windowless rich edit: the text services of "msftedit.dll" ask it
// for their rectangle, formats and properties, and use it for the caret, timers, mouse
// capture, invalidation and notifications, all of which it routes to the owning control.

#include "util/UniqueHandle.h"

#include <windows.h>

#include <ole2.h>
#include <richedit.h>
#include <textserv.h>

#include <string>

class CRichEditUI;

class CTxtWinHost final : public ITextHost {
  public:
    // The host with its text services, or null when "msftedit.dll" or its text services
    // cannot be had. The caller owns one reference.
    static CTxtWinHost* Create(CRichEditUI* owner);

    [[nodiscard]] ITextServices* GetServices() const { return services_; }
    // The owner is going away: the services are released and nothing reaches it any more.
    void Shutdown();

    void SetRichText(bool on);
    void SetMultiLine(bool on);
    void SetReadOnly(bool on);
    void SetPassword(bool on, wchar_t c = L'*');
    void SetWordWrap(bool on);
    void SetTransparent(bool on);
    void SetMaxLength(LONG length);
    void SetScrollBars(DWORD bars);
    void SetFont(HFONT font);
    void SetTextColor(COLORREF color);
    void SetParagraphAlign(WORD align);
    // The control moved or its padding changed.
    void ClientRectChanged();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // ITextHost
    HDC TxGetDC() override;
    INT TxReleaseDC(HDC dc) override;
    WINBOOL TxShowScrollBar(INT bar, WINBOOL show) override;
    WINBOOL TxEnableScrollBar(INT flags, INT arrows) override;
    WINBOOL TxSetScrollRange(INT bar, LONG minPos, INT maxPos, WINBOOL redraw) override;
    WINBOOL TxSetScrollPos(INT bar, INT pos, WINBOOL redraw) override;
    void TxInvalidateRect(LPCRECT rect, WINBOOL mode) override;
    void TxViewChange(WINBOOL update) override;
    WINBOOL TxCreateCaret(HBITMAP bitmap, INT width, INT height) override;
    WINBOOL TxShowCaret(WINBOOL show) override;
    WINBOOL TxSetCaretPos(INT x, INT y) override;
    WINBOOL TxSetTimer(UINT id, UINT timeout) override;
    void TxKillTimer(UINT id) override;
    void TxScrollWindowEx(INT dx, INT dy, LPCRECT scroll, LPCRECT clip, HRGN update, LPRECT updateRect, UINT flags)
        override;
    void TxSetCapture(WINBOOL capture) override;
    void TxSetFocus() override;
    void TxSetCursor(HCURSOR cursor, WINBOOL text) override;
    WINBOOL TxScreenToClient(LPPOINT point) override;
    WINBOOL TxClientToScreen(LPPOINT point) override;
    HRESULT TxActivate(LONG* oldState) override;
    HRESULT TxDeactivate(LONG newState) override;
    HRESULT TxGetClientRect(LPRECT rect) override;
    HRESULT TxGetViewInset(LPRECT rect) override;
    HRESULT TxGetCharFormat(const CHARFORMATW** format) override;
    HRESULT TxGetParaFormat(const PARAFORMAT** format) override;
    COLORREF TxGetSysColor(int index) override;
    HRESULT TxGetBackStyle(TXTBACKSTYLE* style) override;
    HRESULT TxGetMaxLength(DWORD* length) override;
    HRESULT TxGetScrollBars(DWORD* bars) override;
    HRESULT TxGetPasswordChar(TCHAR* c) override;
    HRESULT TxGetAcceleratorPos(LONG* pos) override;
    HRESULT TxGetExtent(LPSIZEL extent) override;
    HRESULT OnTxCharFormatChange(const CHARFORMATW* format) override;
    HRESULT OnTxParaFormatChange(const PARAFORMAT* format) override;
    HRESULT TxGetPropertyBits(DWORD mask, DWORD* bits) override;
    HRESULT TxNotify(DWORD notify, void* data) override;
    HIMC TxImmGetContext() override;
    void TxImmReleaseContext(HIMC context) override;
    HRESULT TxGetSelectionBarWidth(LONG* width) override;

  private:
    explicit CTxtWinHost(CRichEditUI* owner);
    ~CTxtWinHost();
    void ChangeBits(DWORD mask, bool on);
    [[nodiscard]] HWND Window() const;

    CRichEditUI* owner_;
    ULONG references_ = 1;
    UniqueModule library_;
    ITextServices* services_ = nullptr;
    CHARFORMAT2W charFormat_{};
    PARAFORMAT2 paraFormat_{};
    DWORD propertyBits_ = 0;
    LONG maxLength_ = 32767;
    DWORD scrollBars_ = 0;
    wchar_t passwordChar_ = L'*';
    bool transparent_ = true;
};
