#include "zip/ZipTargetPath.h"

#include "zip/Unzip.h"
#include "zip/ZipEntryName.h"

namespace {

bool IsSafeTargetName(const std::wstring& name, bool absolute) {
    if (!absolute) {
        return IsSafeRelativeName(name);
    }
    std::wstring_view rest(name);
    if (rest.size() >= 2 && rest[1] == L':') {
        rest.remove_prefix(2);
    }
    return IsSafeRelativeName(rest);
}

}  // namespace

bool PlanZipTarget(const std::wstring& root, const std::wstring& targetName, bool isDirectory, ZipTargetPlan* plan) {
    bool absolute = IsAbsoluteTargetName(targetName);
    if (!absolute && root.empty()) {
        return false;
    }
    // A directory entry whose name cleaned away to nothing stands for the root itself.
    bool isRoot = isDirectory && targetName.empty();
    if (!isRoot && !IsSafeTargetName(targetName, absolute)) {
        return false;
    }
    ZipTargetPlan result;
    result.root = absolute ? std::wstring() : root;
    if (isDirectory) {
        result.directory = targetName;
    } else {
        size_t split = targetName.find_last_of(L"\\/");
        size_t fileStart = split == std::wstring::npos ? 0 : split + 1;
        if (fileStart >= targetName.size()) {
            return false;
        }
        result.directory = targetName.substr(0, fileStart);
    }
    result.path = result.root + targetName;
    if (result.path.size() >= kZipMaxPath) {
        return false;
    }
    *plan = std::move(result);
    return true;
}
