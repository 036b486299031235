#include "engine/LocationRecheck.h"

#include <optional>

#include "util/FolderSecurity.h"
#include "util/WriteLogFile.h"

namespace {
constexpr wchar_t kLogSource[] = L".\\InstallWorker";
}  // namespace

bool IsLocationAccepted(const InstallJob& job, const std::wstring& target) {
    // Where owners are not kept (Wine), the levels just made read as anyone's: the look
    // would only refuse what the install itself made.
    if (!job.replaceableLocation || !FileSystemKeepsOwners()) {
        return true;
    }
    const std::optional<std::wstring> replaceable = job.replaceableLocation(target);
    if (!replaceable) {
        return true;
    }
    if (job.acceptReplaceable) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"可被其他用户修改的位置已获同意[%s]", replaceable->c_str());
        return true;
    }
    g_logFile.WriteLog(kLogSource, __LINE__, L"安装前复查：可被其他用户修改且未获同意[%s]", replaceable->c_str());
    return false;
}
