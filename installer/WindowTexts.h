#pragma once
// Every text the installer's code puts on the window, in simplified and traditional
// Chinese. Pure data, so it builds and is checked on the host too.

#include <cstddef>

#include "engine/InstallHost.h"

// A text in both languages; `Pick` chooses by the window's language.
struct TextPair {
    const wchar_t* simplified;
    const wchar_t* traditional;
    [[nodiscard]] const wchar_t* Pick(bool isSimplified) const { return isSimplified ? simplified : traditional; }
};

enum class TextProperty { Text, ToolTip };

// One line of the table the language switch applies, in the order it applies them.
struct ControlText {
    const wchar_t* control;
    TextProperty property;
    TextPair text;
};

// The texts set on the controls of "main.xml" for a language.
const ControlText* LanguageTable(size_t& count);
// Labels of the skin's own design that the code does not name otherwise, applied after
// the table above so the finished page speaks the chosen language too.
const ControlText* SkinLabelTable(size_t& count);

namespace texts {
inline constexpr TextPair kBoxTitle{L"安装提示", L"安裝提示"};
inline constexpr TextPair kOk{L"确定", L"確定"};
inline constexpr TextPair kCancel{L"取消", L"取消"};
inline constexpr TextPair kOpenHomePage{L"打开官网", L"開啟官網"};
inline constexpr TextPair kConfirmClose{L"安装尚未完成，确定退出吗", L"安裝尚未完成，確定退出嗎"};
inline constexpr TextPair kAgreementNeeded{L"需同意《Varlo服务协议与隐私政策》", L"需同意《Varlo服務協議與隱私政策》"};
inline constexpr TextPair kStalled{L"网络异常，下载进度长时间未更新，请前往官网下载离线安装",
                                   L"網路異常，下載進度長時間未更新，請前往官網下載離線安裝"};
inline constexpr TextPair kFolderDialogTitle{L"请选择要安装的路径", L"請選擇要安裝的路徑"};
inline constexpr TextPair kMenuShow{L"显示窗口", L"顯示視窗"};
inline constexpr TextPair kMenuExit{L"退出程序", L"退出程式"};
inline constexpr TextPair kFavoritesRefused{L"缺少必要权限！请勿在 收藏夹 或者包含 Favorites 的目录下运行。",
                                            L"缺少必要權限！請勿在 收藏夾 或者包含 Favorites 的目錄下運行。"};
// The box for the install buttons and the one for the Enter key differ in their ending.
inline constexpr TextPair kTargetHoldsFiles{L"此路径下已有文件存在，确定继续安装吗",
                                            L"此路徑下已有文件存在，確定繼續安裝嗎"};
inline constexpr TextPair kTargetHoldsFilesEnter{L"此路径下已有文件存在，确定继续安装吗？",
                                                 L"此路徑下已有文件存在，確定繼續安裝嗎?"};
inline constexpr TextPair kDiskFull{L"磁盘空间不足，请清理磁盘后重试", L"磁碟空間不足，請清理磁碟後重試"};
inline constexpr TextPair kInvalidPath{L"请选择有效的安装路径", L"請選擇有效的安裝路徑"};
inline constexpr TextPair kNoWorkFolder{L"安装错误，无法创建临时文件夹", L"安裝錯誤，無法建立暫存資料夾"};
inline constexpr TextPair kWorkerNotStarted{L"安装错误，无法启动安装", L"安裝錯誤，無法啟動安裝"};
// Asked when a folder above the target lets other users replace what is installed there.
inline constexpr TextPair kParentReplaceable{
    L"所选位置的上级文件夹可被其他用户修改，安装在此处的程序以管理员权限运行时并不安全。仍要安装到此处吗？",
    L"所選位置的上層資料夾可被其他使用者修改，安裝在此處的程式以系統管理員權限執行時並不安全。仍要安裝到此處嗎？"};
// Asked when the chosen folder exists and other users may write into it, add to it or
// delete from it: what they put there would be taken over with the client.
inline constexpr TextPair kTargetShared{
    L"所选文件夹可被其他用户写入或修改，安装在此处的程序以管理员权限运行时并不安全。仍要安装到此处吗？",
    L"所選資料夾可被其他使用者寫入或修改，安裝在此處的程式以系統管理員權限執行時並不安全。仍要安裝到此處嗎？"};
}  // namespace texts

// The box the window shows for how an install ended; null for an end that shows none
// (installed, cancelled). The failures of the network and of the extraction say the same in
// both languages, as they always have.
const TextPair* OutcomeText(InstallOutcome outcome);
