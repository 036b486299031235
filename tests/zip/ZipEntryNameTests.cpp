#include <gtest/gtest.h>

#include <string>

#include "zip/ZipEntryName.h"
#include "zip/ZipTargetPath.h"

namespace {

TEST(CleanEntryName, MakesEveryStoredNameRelative) {
    struct Case {
        const wchar_t* raw;
        const wchar_t* cleaned;
    };
    const Case cases[] = {
        {L"dir/a.txt", L"dir/a.txt"},
        {L"C:\\x\\a.txt", L"x\\a.txt"},
        {L"/etc/a", L"etc/a"},
        {L"a/b/../../c.txt", L"c.txt"},
        {L"a/../../x.txt", L"x.txt"},
        {L"C:\\Windows\\x.dll", L"Windows\\x.dll"},
        {L"C:/Windows/x.dll", L"Windows/x.dll"},
        // Leading parents have no separator before them; they are dropped all the same.
        {L"../x.txt", L"x.txt"},
        {L"..\\..\\..\\x.txt", L"x.txt"},
        {L"..", L""},
        {L"a/b/..", L""},
        {L"a\\..", L""},
        {L"../a/..", L""},
        {L"..\\b\\..", L""},
        {L"ok/../..\\../deep/x", L"deep/x"},
        {L"c:..\\evil.exe", L"evil.exe"},
        {L"C:C:\\x", L"x"},
        {L"\\\\server\\share\\f.txt", L"server\\share\\f.txt"},
        {L"//?/C:/x.txt", L"?/C:/x.txt"},
        {L"\\\\.\\C:\\x.txt", L"x.txt"},
        {L"./C:/x.txt", L"x.txt"},
        {L"x:y:z", L"z"},
        {L"./a/./b", L"a/b"},
        {L"a//b", L"a/b"},
        {L"dir/", L"dir/"},
        {L"dir/./", L"dir/"},
        {L"a/..b/c..", L"a/..b/c.."},
        {L".../x", L".../x"},
        {L"", L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CleanEntryName(c.raw), std::wstring(c.cleaned)) << c.raw;
    }
}

TEST(IsSafeRelativeName, RefusesEveryNameThatIsNotAPlainFileBelowTheRoot) {
    const wchar_t* safe[] = {
        L"a.txt",    L"dir/a.txt",   L"dir\\sub\\a.txt",
        L"..b",      L"a..",         L"x/",
        L"a//b",     L"console.txt", L"COM10",
        L"comx.txt", L"aux_",        L"nul1",
        L"LPT",      L"CONIN",       L"\x5b89\x88c5.exe",
        L"a b.txt",  L"a.b.c",
    };
    for (const wchar_t* name : safe) {
        EXPECT_TRUE(IsSafeRelativeName(name)) << name;
    }
    const wchar_t* unsafe[] = {
        L"",
        L"a:b",
        L"file.txt:stream",
        L"x::$DATA",
        L"..",
        L"a/../b",
        L".",
        L"...",
        L". .",
        L" ",
        L"a/ /b",
        L"dir/.../x",
        L"CON",
        L"con",
        L"Con.txt",
        L"dir/NUL",
        L"nul.tar.gz",
        L"COM1",
        L"COM0",
        L"lpt9.log",
        L"CONIN$",
        L"conout$.x",
        L"AUX  ",
        L"aux .txt",
        L"COM\xb9",
        L"lpt\xb3",
        L"PRN/x",
        (L"a\x01"
         L"b"),
        L"tab\tname",
        L"a?b",
        L"a*b",
        L"a<b",
        L"a>b",
        L"a|b",
        L"a\"b",
        L"new\nline",
    };
    for (const wchar_t* name : unsafe) {
        EXPECT_FALSE(IsSafeRelativeName(name)) << name;
    }
}

TEST(PlanZipTarget, JoinsRelativeNamesBelowTheRoot) {
    ZipTargetPlan plan;
    ASSERT_TRUE(PlanZipTarget(L"C:\\root/", L"dir/sub/a.txt", false, &plan));
    EXPECT_EQ(plan.path, L"C:\\root/dir/sub/a.txt");
    EXPECT_EQ(plan.root, L"C:\\root/");
    EXPECT_EQ(plan.directory, L"dir/sub/");

    ASSERT_TRUE(PlanZipTarget(L"C:\\root/", L"a.txt", false, &plan));
    EXPECT_EQ(plan.path, L"C:\\root/a.txt");
    EXPECT_EQ(plan.directory, L"");

    ASSERT_TRUE(PlanZipTarget(L"C:\\root/", L"dir/", true, &plan));
    EXPECT_EQ(plan.path, L"C:\\root/dir/");
    EXPECT_EQ(plan.directory, L"dir/");

    // A directory entry that cleaned away to nothing is the root itself.
    ASSERT_TRUE(PlanZipTarget(L"C:\\root/", L"", true, &plan));
    EXPECT_EQ(plan.path, L"C:\\root/");

    // Absolute targets are taken as they are; their directories are made without a root.
    ASSERT_TRUE(PlanZipTarget(L"C:\\root/", L"D:\\abs\\x.txt", false, &plan));
    EXPECT_EQ(plan.path, L"D:\\abs\\x.txt");
    EXPECT_EQ(plan.root, L"");
    EXPECT_EQ(plan.directory, L"D:\\abs\\");
}

TEST(PlanZipTarget, RefusesUnsafeEmptyAndLongTargets) {
    ZipTargetPlan plan;
    const std::wstring root = L"C:\\root\\";
    struct Case {
        const wchar_t* name;
        bool directory;
    };
    const Case refused[] = {
        {L"", false},
        {L"dir/", false},
        {L"a/../b.txt", false},
        {L"x.txt:ads", false},
        {L"NUL", false},
        {L"dir/CON/", true},
        {L"C:\\a\\..\\b", false},
        {L"\\\\.\\CON", false},
        {L"\\\\?\\C:\\x", false},
        {L"C:rel:x", false},
    };
    for (const Case& c : refused) {
        EXPECT_FALSE(PlanZipTarget(root, c.name, c.directory, &plan)) << c.name;
    }
    EXPECT_FALSE(PlanZipTarget(L"", L"a.txt", false, &plan));

    // 259 characters fit (with the terminator, 260); one more is refused, not cut.
    std::wstring longRoot = L"C:\\" + std::wstring(240, L'r') + L"\\";
    std::wstring name(259 - longRoot.size(), L'n');
    ASSERT_TRUE(PlanZipTarget(longRoot, name, false, &plan));
    EXPECT_EQ(plan.path.size(), 259u);
    EXPECT_FALSE(PlanZipTarget(longRoot, name + L"n", false, &plan));
}

}  // namespace
