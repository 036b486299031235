#include "util/ProcessSelection.h"

#include <cwctype>
#include <set>

namespace {

wchar_t Fold(wchar_t c) {
    if (c == L'/') {
        return L'\\';
    }
    return static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
}

std::wstring FoldAll(const std::wstring& text) {
    std::wstring folded;
    folded.reserve(text.size());
    for (const wchar_t c : text) {
        folded.push_back(Fold(c));
    }
    return folded;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    return FoldAll(a) == FoldAll(b);
}

}  // namespace

std::wstring NormalizeFolderForCompare(const std::wstring& folder) {
    std::wstring folded = FoldAll(folder);
    if (folded.compare(0, 4, L"\\\\?\\") == 0) {
        folded.erase(0, 4);
    }
    while (!folded.empty() && folded.back() == L'\\') {
        folded.pop_back();
    }
    return folded;
}

bool IsInsideFolder(const std::wstring& imagePath, const std::wstring& folder) {
    const std::wstring base = NormalizeFolderForCompare(folder);
    const std::wstring image = NormalizeFolderForCompare(imagePath);
    // A folder that reduced to nothing (empty, or only separators) contains nothing.
    if (base.empty() || image.size() <= base.size() + 1) {
        return false;
    }
    return image.compare(0, base.size(), base) == 0 && image[base.size()] == L'\\';
}

std::vector<uint32_t> SelectProcessesToEnd(const std::vector<ProcessEntry>& snapshot,
                                           const std::vector<std::wstring>& names,
                                           const std::vector<std::wstring>& folders,
                                           uint32_t selfPid) {
    std::vector<uint32_t> chosen;
    std::vector<const ProcessEntry*> queue;
    std::set<uint32_t> taken;
    for (const ProcessEntry& entry : snapshot) {
        if (entry.pid == selfPid || entry.pid == 0 || taken.count(entry.pid) != 0) {
            continue;
        }
        bool named = false;
        for (const std::wstring& name : names) {
            named = named || SameName(entry.name, name);
        }
        bool placed = false;
        for (const std::wstring& folder : folders) {
            placed = placed || IsInsideFolder(entry.imagePath, folder);
        }
        if (named && placed) {
            taken.insert(entry.pid);
            queue.push_back(&entry);
        }
    }
    // Breadth first from the matches: parents are listed before their children.
    for (size_t next = 0; next < queue.size(); ++next) {
        const ProcessEntry& parent = *queue[next];
        chosen.push_back(parent.pid);
        for (const ProcessEntry& entry : snapshot) {
            if (entry.parentPid != parent.pid || entry.pid == selfPid || entry.pid == parent.pid ||
                taken.count(entry.pid) != 0) {
                continue;
            }
            if (entry.createdAt != 0 && parent.createdAt != 0 && entry.createdAt < parent.createdAt) {
                continue;
            }
            taken.insert(entry.pid);
            queue.push_back(&entry);
        }
    }
    return chosen;
}
