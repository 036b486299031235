#include "installer/WindowTexts.h"

namespace {

// The order is the order of application: the install button's tooltip first, so that a
// later change of the agreement options replaces it.
constexpr ControlText kLanguageTable[] = {
    {L"immediate_install_btn", TextProperty::ToolTip, {L"请先勾选服务协议", L"請先勾選服務協議"}},
    {L"show_policy_lab", TextProperty::Text, {L"同意", L"同意"}},
    {L"show_policy_btn1", TextProperty::Text, {L" <<用户许可协议>>", L" <<用戶許可協議>>"}},
    {L"show_policy_btn", TextProperty::Text, {L" <<用户许可协议>>", L" <<用戶許可協議>>"}},
    {L"self_install_btn", TextProperty::Text, {L"自定义", L"自定義"}},
    {L"return_btn", TextProperty::Text, {L"自定义", L"自定義"}},
    {L"setup_path_lab", TextProperty::Text, {L"安装路径：", L"安裝路徑："}},
    {L"selected_path_btn", TextProperty::Text, {L"更改路径", L"更改路径"}},
    {L"create_desktop_icon_opt", TextProperty::Text, {L"创建桌面图标", L"創建桌面圖標"}},
    {L"fast_start_bar_opt", TextProperty::Text, {L"创建到快速启动栏", L"創建到快速啟動欄"}},
    {L"power_up_opt", TextProperty::Text, {L"开机自启动", L"開機自啟動"}},
    {L"immediate_startup_btn", TextProperty::Text, {L"立即体验", L"立即體驗"}},
    {L"progress_tip_lab_desc", TextProperty::Text, {L"正在安装中，请稍后...", L"正在安裝中，請稍後..."}},
    {L"immediate_install_btn", TextProperty::Text, {L"立即安装", L"立即安裝"}},
    {L"immediate_install_btn1", TextProperty::Text, {L"立即安装", L"立即安裝"}},
};

constexpr ControlText kSkinLabelTable[] = {
    {L"finish_tip_lab", TextProperty::Text, {L"安装完成", L"安裝完成"}},
    // The title bar's picture buttons: shown on hover, and their names for screen readers.
    {L"min_btn", TextProperty::ToolTip, {L"最小化", L"最小化"}},
    {L"close_btn", TextProperty::ToolTip, {L"关闭", L"關閉"}},
};

}  // namespace

const ControlText* SkinLabelTable(size_t& count) {
    count = sizeof(kSkinLabelTable) / sizeof(kSkinLabelTable[0]);
    return kSkinLabelTable;
}

const ControlText* LanguageTable(size_t& count) {
    count = sizeof(kLanguageTable) / sizeof(kLanguageTable[0]);
    return kLanguageTable;
}

const TextPair* OutcomeText(InstallOutcome outcome) {
    static constexpr TextPair kInfoFailed{L"网络错误，请求安装配置失败", L"网络错误，请求安装配置失败"};
    static constexpr TextPair kDownloadFailed{L"网络错误，请求安装数据失败", L"网络错误，请求安装数据失败"};
    static constexpr TextPair kExtractFailed{L"安装错误，解压失败", L"安装错误，解压失败"};
    static constexpr TextPair kInterrupted{L"安装错误，安装过程意外中止", L"安装错误，安装过程意外中止"};
    switch (outcome) {
        case InstallOutcome::Installed:
        case InstallOutcome::Cancelled:
            return nullptr;
        case InstallOutcome::NoServer:
        case InstallOutcome::QueryFailed:
            return &kInfoFailed;
        case InstallOutcome::DownloadFailed:
        case InstallOutcome::DigestMismatch:
            return &kDownloadFailed;
        case InstallOutcome::ExtractFailed:
            return &kExtractFailed;
        case InstallOutcome::DiskFull:
            return &texts::kDiskFull;
        case InstallOutcome::StalledDownload:
            return &texts::kStalled;
        case InstallOutcome::Interrupted:
            return &kInterrupted;
    }
    return &kInterrupted;
}
