#pragma once
// One set of resource tables: images by name, fonts by id, default attribute lists by
// element name, and a default font. Each manager has one; one more is shared by all.

#include "toolkit/FontEntry.h"
#include "toolkit/ImageEntry.h"

#include <map>
#include <memory>
#include <string>

class CResourceCache {
  public:
    [[nodiscard]] ImageEntry* FindImage(const std::wstring& name) const;
    // Replaces (and frees) an older entry of the same name.
    ImageEntry* SetImage(const std::wstring& name, std::unique_ptr<ImageEntry> image);
    bool RemoveImage(const std::wstring& name);
    void RemoveAllImages();

    [[nodiscard]] FontEntry* FindFont(int id) const;
    FontEntry* SetFont(int id, std::unique_ptr<FontEntry> font);
    void RemoveAllFonts();

    [[nodiscard]] FontEntry* GetDefaultFont() const { return defaultFont_.get(); }
    void SetDefaultFont(std::unique_ptr<FontEntry> font) { defaultFont_ = std::move(font); }

    [[nodiscard]] const std::wstring* FindDefaultAttributes(const std::wstring& element) const;
    void SetDefaultAttributes(const std::wstring& element, const std::wstring& list);
    bool RemoveDefaultAttributes(const std::wstring& element);
    void RemoveAllDefaultAttributes();

    void Clear();

  private:
    std::map<std::wstring, std::unique_ptr<ImageEntry>> images_;
    std::map<int, std::unique_ptr<FontEntry>> fonts_;
    std::map<std::wstring, std::wstring> defaultAttributes_;
    std::unique_ptr<FontEntry> defaultFont_;
};
