#include <gtest/gtest.h>

#include <string>

#include "installer/WindowTexts.h"

namespace {

TEST(WindowTexts, EveryLineHasBothLanguages) {
    size_t count = 0;
    const ControlText* table = LanguageTable(count);
    ASSERT_EQ(count, 15u);
    EXPECT_EQ(std::wstring(table[0].control), L"immediate_install_btn");
    EXPECT_EQ(table[0].property, TextProperty::ToolTip);
    for (size_t i = 0; i < count; ++i) {
        EXPECT_NE(std::wstring(table[i].text.simplified), L"") << table[i].control;
        EXPECT_NE(std::wstring(table[i].text.traditional), L"") << table[i].control;
    }
}

// The box for each way an install can end, as the engine used to word it itself: the
// failures of the network and the extraction in simplified Chinese whatever the language.
TEST(WindowTexts, EachEndHasItsBox) {
    struct Case {
        InstallOutcome outcome;
        const wchar_t* simplified;  // null: no box
        const wchar_t* traditional;
    };
    const Case cases[] = {
        {InstallOutcome::Installed, nullptr, nullptr},
        {InstallOutcome::Cancelled, nullptr, nullptr},
        {InstallOutcome::NoServer, L"网络错误，请求安装配置失败", L"网络错误，请求安装配置失败"},
        {InstallOutcome::QueryFailed, L"网络错误，请求安装配置失败", L"网络错误，请求安装配置失败"},
        {InstallOutcome::DownloadFailed, L"网络错误，请求安装数据失败", L"网络错误，请求安装数据失败"},
        {InstallOutcome::DigestMismatch, L"网络错误，请求安装数据失败", L"网络错误，请求安装数据失败"},
        {InstallOutcome::ExtractFailed, L"安装错误，解压失败", L"安装错误，解压失败"},
        {InstallOutcome::DiskFull, L"磁盘空间不足，请清理磁盘后重试", L"磁碟空間不足，請清理磁碟後重試"},
        {InstallOutcome::StalledDownload, L"网络异常，下载进度长时间未更新，请前往官网下载离线安装",
         L"網路異常，下載進度長時間未更新，請前往官網下載離線安裝"},
        {InstallOutcome::Interrupted, L"安装错误，安装过程意外中止", L"安装错误，安装过程意外中止"},
    };
    for (const Case& c : cases) {
        const TextPair* text = OutcomeText(c.outcome);
        SCOPED_TRACE(static_cast<int>(c.outcome));
        if (c.simplified == nullptr) {
            EXPECT_EQ(text, nullptr);
            continue;
        }
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(std::wstring(text->Pick(true)), c.simplified);
        EXPECT_EQ(std::wstring(text->Pick(false)), c.traditional);
    }
}

}  // namespace
