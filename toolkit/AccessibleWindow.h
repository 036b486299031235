#pragma once
// The window's client area as screen readers see it: one accessible object whose children
// are the skinned controls (simple elements, numbered from 1 in Tab order). What concerns
// the window itself (its caption, frame and parent) is answered by the system's own client
// object. The manager owns it and disconnects it when it goes; a client still holding it
// then gets "disconnected" answers.

#include <windows.h>
#include <oleacc.h>

#include <vector>

class CControlUI;
class CUIManager;

class CAccessibleWindow final : public IAccessible, public IOleWindow {
  public:
    CAccessibleWindow(CUIManager* manager, HWND window);
    CAccessibleWindow(const CAccessibleWindow&) = delete;
    CAccessibleWindow& operator=(const CAccessibleWindow&) = delete;

    void Disconnect();
    // The child id of a control, or 0 (the window itself) when it has none.
    [[nodiscard]] long ChildId(const CControlUI* control) const;
    // The control of a child id; null for the window itself or an unknown id.
    [[nodiscard]] CControlUI* Control(long childId) const;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IDispatch: screen readers use the typed calls only.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id,
                        REFIID riid,
                        LCID locale,
                        WORD flags,
                        DISPPARAMS* params,
                        VARIANT* result,
                        EXCEPINFO* exception,
                        UINT* argError) override;
    // IAccessible
    STDMETHODIMP get_accParent(IDispatch** parent) override;
    STDMETHODIMP get_accChildCount(long* count) override;
    STDMETHODIMP get_accChild(VARIANT child, IDispatch** object) override;
    STDMETHODIMP get_accName(VARIANT child, BSTR* name) override;
    STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override;
    STDMETHODIMP get_accDescription(VARIANT child, BSTR* description) override;
    STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override;
    STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override;
    STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override;
    STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    STDMETHODIMP get_accFocus(VARIANT* focus) override;
    STDMETHODIMP get_accSelection(VARIANT* selection) override;
    STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override;
    STDMETHODIMP accSelect(long flags, VARIANT child) override;
    STDMETHODIMP accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
    STDMETHODIMP accNavigate(long direction, VARIANT start, VARIANT* end) override;
    STDMETHODIMP accHitTest(long x, long y, VARIANT* child) override;
    STDMETHODIMP accDoDefaultAction(VARIANT child) override;
    STDMETHODIMP put_accName(VARIANT child, BSTR name) override;
    STDMETHODIMP put_accValue(VARIANT child, BSTR value) override;
    // IOleWindow
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;

  private:
    ~CAccessibleWindow();
    [[nodiscard]] std::vector<CControlUI*> Children() const;
    [[nodiscard]] bool HasKeyboardFocus() const;
    // What every call begins with, in the order clients rely on. Start: a missing
    // out-parameter is E_POINTER, else it is cleared; then a window gone is
    // CO_E_OBJNOTCONNECTED. Find: a variant naming neither the window (id 0) nor a control
    // is E_INVALIDARG; S_OK leaves the child id in `id`.
    template <typename Out>
    [[nodiscard]] HRESULT Start(Out* out) const;
    template <typename Out>
    [[nodiscard]] HRESULT Start(Out* out, const VARIANT& child, long* id) const;
    [[nodiscard]] HRESULT Find(const VARIANT& child, long* id) const;

    LONG refs_ = 1;
    CUIManager* manager_;
    HWND window_;
    IAccessible* standard_ = nullptr;
};
