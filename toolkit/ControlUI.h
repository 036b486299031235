#pragma once
// The base of every control: position and size rules, appearance, visibility and input
// state, attributes, painting in fixed steps, and events that bubble to the parent.

#include "toolkit/ImageDescriptor.h"
#include "toolkit/UIDefs.h"
#include "toolkit/UiGeometry.h"

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

class CPressTracker;
class CUIManager;
class IControlHost;

class CControlUI {
  public:
    CControlUI();
    // Removes the control from its manager's mouse-leave list and destroys it.
    virtual void Delete();
    virtual ~CControlUI();
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;

    virtual const std::wstring& GetName() const;
    virtual void SetName(const std::wstring& name);
    virtual const wchar_t* GetClass() const;
    virtual void* GetInterface(const wchar_t* name);
    virtual UINT GetControlFlags() const;
    virtual HWND GetNativeWindow() const;
    virtual bool Activate();
    virtual CUIManager* GetManager() const;
    virtual void SetManager(CUIManager* manager, CControlUI* parent, bool init = true);
    virtual CControlUI* GetParent() const;
    virtual CControlUI* GetCover() const;
    // The cover becomes owned by this control.
    virtual void SetCover(CControlUI* cover);
    virtual std::wstring GetText() const;
    virtual void SetText(const std::wstring& text);

    virtual const RECT& GetPos() const;
    virtual RECT GetRelativePos() const;
    virtual RECT GetClientPos() const;
    // Floating controls take `rect` relative to their parent's top-left corner.
    virtual void SetPos(RECT rect, bool needInvalidate = true);
    virtual void Move(SIZE offset, bool needInvalidate = true);
    virtual int GetWidth() const;
    virtual int GetHeight() const;
    virtual int GetX() const;
    virtual int GetY() const;
    virtual RECT GetPadding() const;
    virtual void SetPadding(RECT padding);
    virtual SIZE GetFixedXY() const;
    virtual void SetFixedXY(SIZE xy);
    virtual UiFloatAnchor GetFloatPercent() const;
    virtual void SetFloatPercent(UiFloatAnchor anchor);
    virtual int GetFixedWidth() const;
    virtual void SetFixedWidth(int width);
    virtual int GetFixedHeight() const;
    virtual void SetFixedHeight(int height);
    virtual int GetMinWidth() const;
    virtual void SetMinWidth(int width);
    virtual int GetMaxWidth() const;
    virtual void SetMaxWidth(int width);
    virtual int GetMinHeight() const;
    virtual void SetMinHeight(int height);
    virtual int GetMaxHeight() const;
    virtual void SetMaxHeight(int height);
    // Sizes, positions, paddings and insets above are skin units; the window's scale turns
    // them into pixels where the layout and the painting use them.
    [[nodiscard]] int GetScale() const;
    [[nodiscard]] int Scaled(int units) const;
    [[nodiscard]] RECT Scaled(const RECT& units) const;
    [[nodiscard]] SIZE Scaled(SIZE units) const;

    virtual std::wstring GetToolTip() const;
    virtual void SetToolTip(const std::wstring& text);
    virtual void SetToolTipWidth(int width);
    virtual int GetToolTipWidth() const;
    virtual wchar_t GetShortcut() const;
    virtual void SetShortcut(wchar_t shortcut);
    virtual bool IsContextMenuUsed() const;
    virtual void SetContextMenuUsed(bool used);
    virtual const std::wstring& GetUserData() const;
    virtual void SetUserData(const std::wstring& data);
    virtual UINT_PTR GetTag() const;
    virtual void SetTag(UINT_PTR tag);

    virtual bool IsVisible() const;
    virtual void SetVisible(bool visible = true);
    virtual void SetInternVisible(bool visible = true);
    virtual bool IsEnabled() const;
    virtual void SetEnabled(bool enabled = true);
    virtual bool IsMouseEnabled() const;
    virtual void SetMouseEnabled(bool enabled = true);
    virtual bool IsKeyboardEnabled() const;
    virtual void SetKeyboardEnabled(bool enabled = true);
    virtual bool IsFocused() const;
    virtual void SetFocus();
    virtual bool IsFloat() const;
    virtual void SetFloat(bool floating = true);

    virtual CControlUI* FindControl(FindControlProc proc, void* data, UINT flags);
    virtual void Init();
    virtual void DoInit();
    virtual void Event(UIEvent& event);
    virtual void DoEvent(UIEvent& event);
    virtual std::wstring GetAttribute(const wchar_t* name);
    virtual void SetAttribute(const wchar_t* name, const wchar_t* value);
    virtual std::wstring GetAttributeList(bool ignoreDefault = true);
    virtual void SetAttributeList(const std::wstring& list);
    virtual SIZE EstimateSize(SIZE available);
    // False when painting reached `stop` and must end.
    virtual bool Paint(HDC dc, const RECT& paint, CControlUI* stop = nullptr);
    virtual bool DoPaint(HDC dc, const RECT& paint, CControlUI* stop);
    virtual void PaintBkColor(HDC dc);
    virtual void PaintBkImage(HDC dc);
    virtual void PaintStatusImage(HDC dc);
    virtual void PaintText(HDC dc);
    virtual void PaintBorder(HDC dc);
    virtual void DoPostPaint(HDC dc, const RECT& paint);

    // Layout bookkeeping.
    void Invalidate();
    [[nodiscard]] bool IsUpdateNeeded() const { return updateNeeded_; }
    void NeedUpdate();
    void NeedParentUpdate();

    // Appearance.
    DWORD GetBkColor() const { return bkColor_; }
    void SetBkColor(DWORD color);
    DWORD GetBkColor2() const { return bkColor2_; }
    void SetBkColor2(DWORD color);
    DWORD GetBkColor3() const { return bkColor3_; }
    void SetBkColor3(DWORD color);
    DWORD GetBorderColor() const { return borderColor_; }
    void SetBorderColor(DWORD color);
    DWORD GetFocusBorderColor() const { return focusBorderColor_; }
    void SetFocusBorderColor(DWORD color);
    bool IsColorHSL() const { return colorHSL_; }
    void SetColorHSL(bool on);
    RECT GetBorderSize() const { return borderSize_; }
    void SetBorderSize(RECT size);
    void SetBorderSize(int size);
    int GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(int style);
    SIZE GetBorderRound() const { return borderRound_; }
    void SetBorderRound(SIZE round);
    const std::wstring& GetBkImage() const { return bkImage_.text; }
    void SetBkImage(const std::wstring& descriptor);
    // Draws a descriptor of this control into its rectangle; true when it has an image.
    bool DrawImage(HDC dc, ImageDescriptor& descriptor);

    const std::wstring& GetVirtualWnd() const { return virtualWnd_; }
    // The nearest "virtualwnd" up the parent chain.
    std::wstring GetEffectiveVirtualWnd() const;
    void SetVirtualWnd(const std::wstring& name);

    // Names the skin gives that the control does not know; the first value is kept.
    [[nodiscard]] std::wstring GetCustomAttribute(const std::wstring& name) const;
    void AddCustomAttribute(const std::wstring& name, const std::wstring& value);
    bool RemoveCustomAttribute(const std::wstring& name);

    // Handlers run before the control's own handling; an event handler returning false
    // swallows the event.
    std::vector<std::function<void(CControlUI*)>> onInit;
    std::vector<std::function<bool(UIEvent&)>> onEvent;
    std::vector<std::function<void(NotifyMessage&)>> onNotify;

  protected:
    // A control the mouse passes through hands its mouse events on to `receiver` (its parent
    // or owner), or without one handles them as a plain control. True when it did.
    template <typename Receiver>
    bool PassMouseEventOn(UIEvent& event, Receiver* receiver) {
        if (IsMouseEnabled() || !IsMouseEvent(event.type)) {
            return false;
        }
        if (receiver != nullptr) {
            receiver->DoEvent(event);
        } else {
            CControlUI::DoEvent(event);
        }
        return true;
    }
    // Hover of the controls that keep a press tracker: an enter inside the control makes it
    // hot, a real leave cools it (see DeferMouseLeave); either repaints. True when the
    // hover changed; false for an enter outside, a deferred leave and any other event.
    bool TrackHover(const UIEvent& event, bool inside, CPressTracker& state);
    // A leave onto a child drawn over this control is not a real leave: the manager is asked
    // to report it again later and the answer is true. Otherwise any such pending request is
    // dropped and the answer is false.
    bool DeferMouseLeave(bool inside);
    // The rectangle of this control clipped by every ancestor's.
    RECT ClipByAncestors(RECT rect) const;
    void PositionCover();

    CUIManager* manager_ = nullptr;
    CControlUI* parent_ = nullptr;
    CControlUI* cover_ = nullptr;
    std::wstring name_;
    std::wstring text_;
    std::wstring toolTip_;
    std::wstring userData_;
    std::wstring virtualWnd_;
    int toolTipWidth_ = 300;
    UINT_PTR tag_ = 0;
    wchar_t shortcut_ = 0;
    RECT pos_{};
    RECT paintRect_{};
    RECT padding_{};
    SIZE fixedXY_{};
    int fixedWidth_ = 0;
    int fixedHeight_ = 0;
    int minWidth_ = 0;
    int minHeight_ = 0;
    int maxWidth_ = 9999;
    int maxHeight_ = 9999;
    UiFloatAnchor floatPercent_;
    bool float_ = false;
    bool visible_ = true;
    bool internVisible_ = true;
    bool enabled_ = true;
    bool mouseEnabled_ = true;
    bool keyboardEnabled_ = true;
    bool focused_ = false;
    bool contextMenuUsed_ = false;
    bool updateNeeded_ = true;
    DWORD bkColor_ = 0;
    DWORD bkColor2_ = 0;
    DWORD bkColor3_ = 0;
    DWORD borderColor_ = 0;
    DWORD focusBorderColor_ = 0;
    RECT borderSize_{};
    int borderStyle_ = PS_SOLID;
    SIZE borderRound_{};
    bool colorHSL_ = false;
    ImageDescriptor bkImage_;
    ImageDescriptor foreImage_;
    std::map<std::wstring, std::wstring> customAttributes_;

  private:
    // The same manager as manager_, as far as the control base uses it.
    IControlHost* controlHost_ = nullptr;
};
