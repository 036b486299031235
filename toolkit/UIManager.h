#pragma once
// One per window: turns the window's messages into events for single controls, paints
// the control tree through an off-screen buffer (or as a per-pixel-alpha layered window),
// keeps the window's resources, timers, focus and tooltips, and delivers notifications.
// The parts with state of their own (names, option groups, focus, listeners, timers,
// tooltips, paint buffers, resources) are classes of their own; the manager ties them to
// the window. Everything here belongs to the window's thread.

#include "toolkit/ControlNames.h"
#include "toolkit/FocusChain.h"
#include "toolkit/FontRequest.h"
#include "toolkit/IControlHost.h"
#include "toolkit/ImageDescriptor.h"
#include "toolkit/NotifyHub.h"
#include "toolkit/OptionGroups.h"
#include "toolkit/PaintBuffers.h"
#include "toolkit/ResourceCache.h"
#include "toolkit/TimerTable.h"
#include "toolkit/ToolTipHost.h"
#include "toolkit/UIDefs.h"
#include "util/UniqueHandle.h"

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

class CAccessibleWindow;
class CControlUI;
class IMessageFilterUI;
class INotifyUI;
class ITranslateAccelerator;

class CUIManager : public IControlHost {
  public:
    // Carries the queued notifications.
    static constexpr UINT kAsyncNotifyMessage = CNotifyHub::kDeliveryMessage;
    // Carries a screen reader's default action (the child id) to the window's own queue.
    static constexpr UINT kAccessibleActionMessage = WM_APP + 2;
    // The layered window repaints on this window timer.
    static constexpr UINT_PTR kLayeredTimerId = 0x2000;
    static constexpr UINT kLayeredTimerInterval = 10;
    // Default colours of a new manager.
    static constexpr DWORD kDefaultDisabledColor = 0xFFA7A6AA;
    static constexpr DWORD kDefaultFontColor = 0xFF000000;
    static constexpr DWORD kDefaultLinkFontColor = 0xFF0000FF;
    static constexpr DWORD kDefaultLinkHoverFontColor = 0xFFD3215F;
    static constexpr DWORD kDefaultSelectedBkColor = 0xFFBAE4FF;

    CUIManager();
    ~CUIManager();
    CUIManager(const CUIManager&) = delete;
    CUIManager& operator=(const CUIManager&) = delete;

    // Process-wide settings.
    static void SetInstance(HINSTANCE instance);
    [[nodiscard]] static HINSTANCE GetInstance();
    static void SetResourceInstance(HINSTANCE instance);
    // The resource instance, or the instance when none is set.
    [[nodiscard]] static HINSTANCE GetResourceInstance();
    static void SetResourcePath(const std::wstring& path);
    [[nodiscard]] static const std::wstring& GetResourcePath();
    // The skin archive in memory; `data` must outlive every window.
    static void SetResourceZip(const void* data, size_t length, const char* password);
    // Offers a queued message to the managers of its window; true when consumed.
    static bool TranslateMessage(const MSG* msg);

    void Init(HWND window, const wchar_t* name = nullptr);
    [[nodiscard]] HWND GetPaintWindow() const { return window_; }
    [[nodiscard]] HDC GetPaintDC() const { return windowDc_; }
    [[nodiscard]] const std::wstring& GetName() const { return name_; }
    [[nodiscard]] POINT GetMousePos() const { return lastMouse_; }
    [[nodiscard]] SIZE GetClientSize() const;
    // The window's sizes and rectangles are set in skin units and read in pixels.
    [[nodiscard]] SIZE GetInitSize() const { return Scale(initSize_); }
    void SetInitSize(int cx, int cy);
    [[nodiscard]] RECT GetSizeBox() const { return Scale(sizeBox_); }
    void SetSizeBox(const RECT& box) { sizeBox_ = box; }
    [[nodiscard]] RECT GetCaptionRect() const { return Scale(caption_); }
    void SetCaptionRect(const RECT& caption) { caption_ = caption; }
    [[nodiscard]] SIZE GetRoundCorner() const { return Scale(roundCorner_); }
    void SetRoundCorner(int cx, int cy) { roundCorner_ = SIZE{cx, cy}; }
    [[nodiscard]] SIZE GetMinInfo() const { return Scale(minInfo_); }
    void SetMinInfo(int cx, int cy) { minInfo_ = SIZE{cx, cy}; }
    [[nodiscard]] SIZE GetMaxInfo() const { return Scale(maxInfo_); }
    void SetMaxInfo(int cx, int cy) { maxInfo_ = SIZE{cx, cy}; }

    // Scale: pixels per skin unit, as a percentage, taken from the window's DPI at Init and
    // again on every WM_DPICHANGED. With a fit size set, the scale is the largest (up to the
    // DPI's) at which a window of that many units fits the work area of its monitor.
    [[nodiscard]] int GetScale() const override { return scale_; }
    [[nodiscard]] int GetDpi() const { return dpi_; }
    void SetScaleFit(SIZE units);
    [[nodiscard]] int Scale(int units) const;
    [[nodiscard]] SIZE Scale(SIZE units) const;
    [[nodiscard]] RECT Scale(const RECT& units) const;
    [[nodiscard]] bool IsShowUpdateRect() const { return showDirty_; }
    void SetShowUpdateRect(bool show) { showDirty_ = show; }
    [[nodiscard]] bool IsNoActivate() const { return noActivate_; }
    void SetNoActivate(bool on) { noActivate_ = on; }
    [[nodiscard]] BYTE GetOpacity() const { return opacity_; }
    void SetOpacity(BYTE opacity);
    [[nodiscard]] bool IsLayered() const { return layered_; }
    void SetLayered(bool layered);
    void SetLayeredOpacity(BYTE opacity);
    [[nodiscard]] const ImageDescriptor& GetLayeredImage() const { return layeredImage_; }
    void SetLayeredImage(const std::wstring& descriptor);

    [[nodiscard]] DWORD GetDefaultDisabledColor() const { return disabledColor_; }
    void SetDefaultDisabledColor(DWORD color) { disabledColor_ = color; }
    [[nodiscard]] DWORD GetDefaultFontColor() const { return fontColor_; }
    void SetDefaultFontColor(DWORD color) { fontColor_ = color; }
    [[nodiscard]] DWORD GetDefaultLinkFontColor() const { return linkColor_; }
    void SetDefaultLinkFontColor(DWORD color) { linkColor_ = color; }
    [[nodiscard]] DWORD GetDefaultLinkHoverFontColor() const { return linkHoverColor_; }
    void SetDefaultLinkHoverFontColor(DWORD color) { linkHoverColor_ = color; }
    [[nodiscard]] DWORD GetDefaultSelectedBkColor() const { return selectedColor_; }
    void SetDefaultSelectedBkColor(DWORD color) { selectedColor_ = color; }

    // Resources: the manager's own tables first, then the shared ones.
    const ImageEntry* AddImage(const std::wstring& name,
                               const std::wstring& resourceType = L"",
                               DWORD mask = 0,
                               bool useHSL = false,
                               bool shared = false);
    [[nodiscard]] const ImageEntry* GetImage(const std::wstring& name) const;
    const ImageEntry* GetImageEx(const std::wstring& name,
                                 const std::wstring& resourceType = L"",
                                 DWORD mask = 0,
                                 bool useHSL = false) override;
    bool RemoveImage(const std::wstring& name, bool shared = false);
    static const ImageEntry* GetSharedImageEx(const std::wstring& name,
                                              const std::wstring& resourceType,
                                              DWORD mask,
                                              bool useHSL);
    HFONT AddFont(int id, const FontRequest& font, bool shared = false);
    // The font of that id, else the default font; ids below 0 always mean the default.
    [[nodiscard]] HFONT GetFont(int id) override;
    [[nodiscard]] FontEntry* GetFontInfo(int id);
    void SetDefaultFont(const FontRequest& font, bool shared = false);
    [[nodiscard]] FontEntry* GetDefaultFontInfo();
    void AddDefaultAttributeList(const std::wstring& element, const std::wstring& list, bool shared = false);
    [[nodiscard]] std::wstring GetDefaultAttributeList(const std::wstring& element) const;
    void SetWindowAttribute(const std::wstring& name, const std::wstring& value);
    [[nodiscard]] std::wstring GetWindowAttribute(const std::wstring& name) const;
    // Frees the shared tables (tests, process end).
    static void RemoveAllSharedResources();

    // The control tree.
    bool AttachRoot(CControlUI* root);
    [[nodiscard]] CControlUI* GetRoot() const { return root_; }
    // Attaches a subtree to this manager (initialising it) and registers its names.
    bool InitControls(CControlUI* control, CControlUI* parent = nullptr);
    // Forgets every role and record of a control that is going away.
    void ReapObjects(CControlUI* control) override;
    // Keeps the name table right after a control's name changed.
    void RenameControl(CControlUI* control, const std::wstring& oldName) override;
    void AddDelayedCleanup(CControlUI* control);
    [[nodiscard]] CControlUI* FindControl(const std::wstring& name) const;
    [[nodiscard]] CControlUI* FindControl(POINT point) const;
    [[nodiscard]] CControlUI* FindSubControlByPoint(CControlUI* parent, POINT point) const;
    [[nodiscard]] CControlUI* FindSubControlByName(CControlUI* parent, const std::wstring& name) const;
    [[nodiscard]] CControlUI* FindSubControlByClass(CControlUI* parent, const wchar_t* className, int index = 0);
    void UsedVirtualWnd(bool used) override { usesVirtualWnd_ = used; }

    bool AddOptionGroup(const std::wstring& group, CControlUI* control);
    [[nodiscard]] const std::vector<CControlUI*>* GetOptionGroup(const std::wstring& group) const;
    void RemoveOptionGroup(const std::wstring& group, CControlUI* control);
    void RemoveAllOptionGroups();

    // Timers: only on the window's thread; from any other thread they fail.
    bool SetTimer(CControlUI* control, UINT localId, UINT interval);
    bool KillTimer(CControlUI* control, UINT localId);
    void KillTimer(CControlUI* control);
    void RemoveAllTimers();
    [[nodiscard]] size_t GetTimerRecordCount() const { return timers_.GetRecordCount(); }

    [[nodiscard]] CControlUI* GetFocus() const override { return focus_.Get(); }
    void SetFocus(CControlUI* control, bool focusWindow = true) override;
    void SetFocusNeeded(CControlUI* control);
    bool SetNextTabControl(bool forward = true);
    // The focus mark shows from a key press on, until the mouse is pressed.
    [[nodiscard]] bool IsKeyboardCuesShown() const { return keyboardCues_; }
    void ShowKeyboardCues(bool show);
    // The window or one of its child windows holds the system's keyboard focus.
    [[nodiscard]] bool HasKeyboardFocus() const;
    void SetCapture();
    void ReleaseCapture();
    [[nodiscard]] bool IsCaptured() const { return captured_; }
    [[nodiscard]] bool IsPainting() const { return painting_; }

    void SendNotify(CControlUI* control,
                    const std::wstring& type,
                    WPARAM wParam = 0,
                    LPARAM lParam = 0,
                    bool async = false,
                    bool allowRepeats = true) override;
    void SendNotify(NotifyMessage& msg, bool async = false, bool allowRepeats = true);

    // Who hears about this window: listeners, message filters, accelerators.
    [[nodiscard]] CNotifyHub& Listeners() { return notify_; }
    // Every window listens to its own controls.
    bool AddNotifier(INotifyUI* notifier) { return notify_.AddNotifier(notifier); }
    bool AddPostPaint(CControlUI* control);
    bool RemovePostPaint(CControlUI* control);
    bool AddNativeWindow(CControlUI* control, HWND window);
    bool RemoveNativeWindow(HWND window);
    bool AddMouseLeaveNeeded(CControlUI* control) override;
    bool RemoveMouseLeaveNeeded(CControlUI* control) override;

    void Invalidate();
    void Invalidate(RECT& rect) override;
    void NeedUpdate() override { updateNeeded_ = true; }
    [[nodiscard]] bool IsUpdateNeeded() const { return updateNeeded_; }

    bool MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool PreMessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  private:
    struct NativeWindow {
        CControlUI* control;
        HWND window;
    };

    bool HandleMouseMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool HandleKeyMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnPaint();
    void OnPrintClient(HDC dc, LPARAM flags);
    void OnTimer(WPARAM id, LPARAM lParam);
    void OnClose();
    void OnMouseMove(POINT point);
    void OnMouseHover(POINT point);
    void OnMouseLeave();
    void DeliverQueuedNotifications();
    bool HandleAccessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    [[nodiscard]] RECT FocusMarkRect(const CControlUI* control) const;
    void InvalidateFocusMark(const CControlUI* control);
    void PaintFocusMark(HDC dc);
    // Tells screen readers about a focus, state or value change the notification reports.
    void AnnounceNotify(const NotifyMessage& msg);
    void ReleaseAccessible();
    // False when painting must stop here (a layered window resumes on its next tick).
    bool LayoutIfNeeded(const RECT& client);
    void PrepareLayeredPixels(const RECT& client, const RECT& paint);
    void PushLayered(const RECT& client, const RECT& paint);
    void ComposeNativeChildren(const RECT& paint);
    void SendEvent(CControlUI* control, UIEventType type, WPARAM wParam = 0, LPARAM lParam = 0, wchar_t key = 0);
    void SendButtonEvent(CControlUI* control, UIEventType type, WPARAM wParam, LPARAM lParam);
    [[nodiscard]] POINT ClientPointFromScreenLParam(LPARAM lParam) const;
    // Takes the focus from the focused control, telling it who takes it.
    void DropFocus(CControlUI* taker);
    void ClearRoots();
    CControlUI* FindShortcutControl(wchar_t key);
    [[nodiscard]] WORD CurrentKeyState() const;
    [[nodiscard]] bool IsOwnControl(const CControlUI* control) const;
    void ClampInvalid(RECT& rect) const;
    // Takes the scale for the current DPI and fit size; true when it changed, after which
    // the window's images and scaled fonts are dropped and the tree is laid out again.
    bool UpdateScale();
    void OnDpiChanged(int dpi, const RECT* suggested);

    HWND window_ = nullptr;
    HDC windowDc_ = nullptr;
    DWORD threadId_ = 0;
    std::wstring name_;

    CPaintBuffers buffers_;

    CControlUI* root_ = nullptr;
    CFocusChain focus_;
    CControlUI* hover_ = nullptr;
    CControlUI* click_ = nullptr;
    CControlUI* key_ = nullptr;
    POINT lastMouse_{-1, -1};
    CToolTipHost toolTips_;

    bool firstLayout_ = true;
    bool updateNeeded_ = false;
    BYTE opacity_ = 255;
    bool layered_ = false;
    bool layeredChanged_ = false;
    RECT layeredUpdate_{};
    ImageDescriptor layeredImage_;
    bool noActivate_ = false;
    bool showDirty_ = false;
    bool captured_ = false;
    bool painting_ = false;
    bool mouseTracking_ = false;
    bool usesVirtualWnd_ = false;
    bool keyboardCues_ = false;
    CAccessibleWindow* accessible_ = nullptr;

    SIZE minInfo_{};
    SIZE maxInfo_{};
    SIZE initSize_{};
    RECT sizeBox_{};
    RECT caption_{};
    SIZE roundCorner_{};

    DWORD disabledColor_ = kDefaultDisabledColor;
    DWORD fontColor_ = kDefaultFontColor;
    DWORD linkColor_ = kDefaultLinkFontColor;
    DWORD linkHoverColor_ = kDefaultLinkHoverFontColor;
    DWORD selectedColor_ = kDefaultSelectedBkColor;

    CControlNames names_;
    COptionGroups optionGroups_;
    CNotifyHub notify_;
    std::vector<CControlUI*> postPaint_;
    std::vector<NativeWindow> nativeWindows_;
    std::vector<CControlUI*> delayedCleanup_;
    std::vector<CControlUI*> mouseLeaveNeeded_;
    CTimerTable timers_;
    CResourceCache resources_;
    // Fonts realised at this window's scale, by their description in units; the tables
    // keep the units.
    std::map<FontRequest, std::unique_ptr<FontEntry>> scaledFonts_;
    int dpi_ = 96;
    int scale_ = 100;
    SIZE fitUnits_{};
    std::map<std::wstring, std::wstring> windowAttributes_;
    ULONG_PTR gdiplusToken_ = 0;
};
