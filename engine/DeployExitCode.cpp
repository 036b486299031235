#include "engine/DeployExitCode.h"

const wchar_t* DeployExitCodeName(DeployExitCode code) {
    switch (code) {
        case DeployExitCode::Installed:
            return L"已安装";
        case DeployExitCode::BadArguments:
            return L"参数错误";
        case DeployExitCode::AlreadyRunning:
            return L"另一个安装程序正在运行";
        case DeployExitCode::FolderRefused:
            return L"安装目录不可用";
        case DeployExitCode::UnsafeFolder:
            return L"安装目录的上级文件夹可被其他用户修改";
        case DeployExitCode::NoServer:
            return L"无可访问的服务器";
        case DeployExitCode::ApiFailure:
            return L"请求安装配置失败";
        case DeployExitCode::DownloadFailed:
            return L"下载失败";
        case DeployExitCode::DigestMismatch:
            return L"安装包校验失败";
        case DeployExitCode::ExtractFailed:
            return L"解压失败";
        case DeployExitCode::DiskFull:
            return L"磁盘空间不足";
        case DeployExitCode::Cancelled:
            return L"安装已取消";
        case DeployExitCode::StartFailed:
            return L"安装无法启动";
        case DeployExitCode::NoWorkFolder:
            return L"无法创建安装程序的工作文件夹";
    }
    return L"未知";
}
