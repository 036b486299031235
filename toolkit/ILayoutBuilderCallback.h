#pragma once

class CControlUI;

// Lets a window create controls for elements the toolkit does not know.
class ILayoutBuilderCallback {
  public:
    virtual ~ILayoutBuilderCallback() = default;
    virtual CControlUI* CreateControl(const wchar_t* elementName) = 0;
};
