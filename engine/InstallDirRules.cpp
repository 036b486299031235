#include "engine/InstallDirRules.h"

#include "util/CommandLine.h"

namespace {
constexpr wchar_t kFavoritesPart[] = L"\\Favorites\\";
}  // namespace

std::wstring DefaultInstallDir(const std::wstring& systemDirectory) {
    const size_t separator = systemDirectory.find(L'\\');
    return systemDirectory.substr(0, separator) + kDefaultInstallSubdir;
}

std::wstring DefaultInstallDirIn(const std::wstring& programFilesFolder) {
    std::wstring folder = programFilesFolder;
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) {
        folder.pop_back();
    }
    return folder + kOwnFolderSuffix;
}

std::wstring EarlierInstallDir(const std::wstring& registeredValue) {
    const std::wstring uninstallString = UnquoteCommandPath(registeredValue);
    // The last piece when the value is split at "\" with runs of separators as one and an
    // empty last piece dropped.
    size_t end = uninstallString.size();
    while (end > 0 && uninstallString[end - 1] == L'\\') {
        --end;
    }
    if (end == 0) {
        return {};
    }
    const size_t lastSeparator = uninstallString.rfind(L'\\', end - 1);
    if (lastSeparator == std::wstring::npos) {
        return {};
    }
    const size_t pieceLength = end - lastSeparator - 1;
    // Counted from the whole value, as earlier versions did: a value this installer wrote
    // never ends in a separator, so this is the directory of "unins000.exe".
    const size_t dirLength = uninstallString.size() - pieceLength - 1;
    if (dirLength == 0 || dirLength > kMaxEarlierDirLength) {
        return {};
    }
    return uninstallString.substr(0, dirLength);
}

bool IsFavoritesLocation(const std::wstring& installerDirectory) {
    return installerDirectory.find(kFavoritesPart) != std::wstring::npos;
}

namespace {

bool IsDriveLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// Characters no file or folder name may hold, beyond the separators.
bool IsForbiddenInName(wchar_t c) {
    return c < 0x20 || c == L'<' || c == L'>' || c == L':' || c == L'"' || c == L'|' || c == L'?' || c == L'*';
}

}  // namespace

std::wstring UsableInstallPath(const std::wstring& typed) {
    std::wstring path = typed;
    for (wchar_t& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    // A drive path only: an elevated install cannot rely on a network share (its drive
    // mappings and rights are the user's, and the undo journal records drive paths).
    if (path.size() < 3 || !IsDriveLetter(path[0]) || path[1] != L':' || path[2] != L'\\') {
        return {};
    }
    const size_t rest = 3;
    for (size_t i = rest; i < path.size(); ++i) {
        if (IsForbiddenInName(path[i])) {
            return {};
        }
    }
    while (path.size() > 3 && path.back() == L'\\') {
        path.pop_back();
    }
    return path;
}
