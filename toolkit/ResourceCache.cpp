#include "toolkit/ResourceCache.h"

ImageEntry* CResourceCache::FindImage(const std::wstring& name) const {
    const auto it = images_.find(name);
    return it != images_.end() ? it->second.get() : nullptr;
}

ImageEntry* CResourceCache::SetImage(const std::wstring& name, std::unique_ptr<ImageEntry> image) {
    ImageEntry* raw = image.get();
    images_[name] = std::move(image);
    return raw;
}

bool CResourceCache::RemoveImage(const std::wstring& name) {
    return images_.erase(name) > 0;
}

void CResourceCache::RemoveAllImages() {
    images_.clear();
}

FontEntry* CResourceCache::FindFont(int id) const {
    const auto it = fonts_.find(id);
    return it != fonts_.end() ? it->second.get() : nullptr;
}

FontEntry* CResourceCache::SetFont(int id, std::unique_ptr<FontEntry> font) {
    FontEntry* raw = font.get();
    fonts_[id] = std::move(font);
    return raw;
}

void CResourceCache::RemoveAllFonts() {
    fonts_.clear();
}

const std::wstring* CResourceCache::FindDefaultAttributes(const std::wstring& element) const {
    const auto it = defaultAttributes_.find(element);
    return it != defaultAttributes_.end() ? &it->second : nullptr;
}

void CResourceCache::SetDefaultAttributes(const std::wstring& element, const std::wstring& list) {
    defaultAttributes_[element] = list;
}

bool CResourceCache::RemoveDefaultAttributes(const std::wstring& element) {
    return defaultAttributes_.erase(element) > 0;
}

void CResourceCache::RemoveAllDefaultAttributes() {
    defaultAttributes_.clear();
}

void CResourceCache::Clear() {
    images_.clear();
    fonts_.clear();
    defaultAttributes_.clear();
    defaultFont_.reset();
}
