// Names stored in the ANSI code page of a Chinese system (936), as the vendor's packages
// carry them. Registered to run with that code page.
#include <gtest/gtest.h>

#include <windows.h>

#include "ZipFileTestSupport.h"
#include "ZipTestArchive.h"
#include "zip/Unzip.h"

namespace {

const char kGbkName[] = "\xb0\xb2\xd7\xb0/\xc6\xa4\xb7\xf4.txt";  // 安装/皮肤.txt
const wchar_t kWideName[] = L"\x5b89\x88c5/\x76ae\x80a4.txt";
const char kUtf8Name[] = "\xe4\xb8\xad\xe6\x96\x87.txt";  // 中文.txt, flagged as UTF-8
const wchar_t kWideUtf8Name[] = L"\x4e2d\x6587.txt";

TEST(UnzipAnsiNames, DecodeFindAndExtractInTheAnsiCodePage) {
    ASSERT_EQ(::GetACP(), 936u) << "needs the Chinese ANSI code page (VARLO_WINE_LANG=zh_CN.UTF-8)";
    ZipTestArchive archive;
    archive.Add(kGbkName, "skin", 8);
    ZipTestEntry& utf8 = archive.Add(kUtf8Name, "utf8", 0);
    utf8.local.flags |= 0x800;
    utf8.central.flags |= 0x800;
    TestSandbox sandbox;
    std::wstring zip = sandbox.Path() + L"\\names.zip";
    ASSERT_TRUE(WriteBytes(zip, archive.Build()));

    ZipHandle handle = OpenZipFile(zip, nullptr);
    ASSERT_TRUE(handle);
    ZipEntryInfo info;
    ASSERT_EQ(GetZipEntry(handle, 0, &info), UZ_OK);
    EXPECT_EQ(std::wstring(info.name), kWideName);
    ASSERT_EQ(GetZipEntry(handle, 1, &info), UZ_OK);
    EXPECT_EQ(std::wstring(info.name), kWideUtf8Name);
    int32_t index = -1;
    EXPECT_EQ(FindZipEntry(handle, kWideName, true, &index, &info), UZ_OK);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(CloseZipHandle(handle), UZ_OK);

    ASSERT_TRUE(ExtractZipToDirectory(zip, sandbox.Root(), nullptr));
    EXPECT_EQ(ReadBytes(sandbox.Root() + L"\\" + kWideName), "skin");
    EXPECT_EQ(ReadBytes(sandbox.Root() + L"\\" + kWideUtf8Name), "utf8");
}

}  // namespace
