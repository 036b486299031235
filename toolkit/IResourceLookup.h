#pragma once
// What drawing needs of a window's resources: its images and fonts by name and id. The
// manager provides it; drawing sees nothing else of the manager.

#include "toolkit/ImageEntry.h"

#include <windows.h>

#include <string>

class IResourceLookup {
  public:
    // Loads the image on first use; null when it cannot be read or decoded.
    // (No default arguments: the manager's declaration carries them.)
    virtual const ImageEntry* GetImageEx(const std::wstring& name,
                                         const std::wstring& resourceType,
                                         DWORD mask,
                                         bool useHSL) = 0;
    // The font of that id, else the default font; ids below 0 always mean the default.
    [[nodiscard]] virtual HFONT GetFont(int id) = 0;
    // Pixels per skin unit of the window, as a percentage (100 on a 96-DPI screen): the
    // skin's numbers are units, drawing turns them into pixels with this.
    [[nodiscard]] virtual int GetScale() const = 0;

  protected:
    IResourceLookup() = default;
    ~IResourceLookup() = default;
    IResourceLookup(const IResourceLookup&) = default;
    IResourceLookup& operator=(const IResourceLookup&) = default;
};
