#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "tests/util/TestFiles.h"
#include "util/ProtectedDirectory.h"

namespace {

struct Entry {
    std::wstring sid;  // string form, e.g. "S-1-5-18"
    BYTE type = 0;
    BYTE flags = 0;
    ACCESS_MASK mask = 0;
    bool operator==(const Entry& o) const {
        return sid == o.sid && type == o.type && flags == o.flags && mask == o.mask;
    }
};

struct Dacl {
    bool read = false;
    bool present = false;
    bool isProtected = false;
    std::vector<Entry> entries;
};

// The DACL as the system hands it back for `path`.
Dacl ReadDacl(const std::wstring& path) {
    Dacl result;
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &acl,
                                nullptr, &descriptor) != ERROR_SUCCESS) {
        return result;
    }
    UniqueLocal owned(descriptor);
    result.read = true;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (::GetSecurityDescriptorControl(descriptor, &control, &revision)) {
        result.isProtected = (control & SE_DACL_PROTECTED) != 0;
    }
    result.present = acl != nullptr;
    for (DWORD i = 0; acl != nullptr && i < acl->AceCount; ++i) {
        void* raw = nullptr;
        if (!::GetAce(acl, i, &raw)) {
            continue;
        }
        const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(raw);
        Entry e;
        e.type = ace->Header.AceType;
        e.flags = ace->Header.AceFlags;
        e.mask = ace->Mask;
        wchar_t* text = nullptr;
        if (::ConvertSidToStringSidW(const_cast<DWORD*>(&ace->SidStart), &text)) {
            e.sid = text;
            ::LocalFree(text);
        }
        result.entries.push_back(e);
    }
    return result;
}

const BYTE kInheritBoth = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
const std::vector<Entry> kExpected = {
    {L"S-1-5-18", ACCESS_ALLOWED_ACE_TYPE, kInheritBoth, FILE_ALL_ACCESS},
    {L"S-1-5-32-544", ACCESS_ALLOWED_ACE_TYPE, kInheritBoth, FILE_ALL_ACCESS},
    {L"S-1-5-32-545", ACCESS_ALLOWED_ACE_TYPE, kInheritBoth, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE},
};

void RemoveIfPresent(const std::wstring& root, const std::vector<std::wstring>& inner) {
    for (auto it = inner.rbegin(); it != inner.rend(); ++it) {
        ::DeleteFileW((root + *it + L"\\file.txt").c_str());
        ::RemoveDirectoryW((root + *it).c_str());
    }
}

TEST(CreateProtectedDirectoryTree, NewLevelsGetTheProtectedDaclExistingOnesStayAsTheyWere) {
    const std::wstring root = ScratchDir(L"protected");
    RemoveIfPresent(root, {L"\\old", L"\\old\\new", L"\\old\\new\\deeper"});
    ASSERT_TRUE(::CreateDirectoryW((root + L"\\old").c_str(), nullptr));
    const Dacl before = ReadDacl(root + L"\\old");

    ASSERT_TRUE(CreateProtectedDirectoryTree(root + L"\\old\\new\\deeper"));
    for (const wchar_t* level : {L"\\old\\new", L"\\old\\new\\deeper"}) {
        const Dacl dacl = ReadDacl(root + level);
        ASSERT_TRUE(dacl.read);
        EXPECT_TRUE(dacl.present);
        EXPECT_TRUE(dacl.isProtected) << "the parent's rights must not flow in";
        EXPECT_EQ(dacl.entries, kExpected);
    }
    const Dacl after = ReadDacl(root + L"\\old");
    EXPECT_EQ(after.isProtected, before.isProtected);
    EXPECT_EQ(after.entries, before.entries) << "an existing directory is left alone";

    // Existing tree: nothing to do, still a success; a file in the way is a failure.
    EXPECT_TRUE(CreateProtectedDirectoryTree(root + L"\\old\\new\\deeper"));
    ASSERT_TRUE(WriteBytes(root + L"\\old\\new\\deeper\\file.txt", "x"));
    EXPECT_FALSE(CreateProtectedDirectoryTree(root + L"\\old\\new\\deeper\\file.txt\\sub"));
    EXPECT_FALSE(CreateProtectedDirectoryTree(L""));
    RemoveIfPresent(root, {L"\\old", L"\\old\\new", L"\\old\\new\\deeper"});
}

TEST(CreateProtectedDirectoryTree, FilesCreatedInsideInheritTheEntries) {
    const std::wstring root = ScratchDir(L"protected-inherit");
    RemoveIfPresent(root, {L"\\target"});
    ASSERT_TRUE(CreateProtectedDirectoryTree(root + L"\\target"));
    ASSERT_TRUE(WriteBytes(root + L"\\target\\file.txt", "x"));
    const Dacl dacl = ReadDacl(root + L"\\target\\file.txt");
    ASSERT_TRUE(dacl.read);
    // A file inherits each entry once, marked inherited, without the inheritance flags.
    std::vector<Entry> expected;
    for (Entry e : kExpected) {
        e.flags = INHERITED_ACE;
        expected.push_back(e);
    }
    EXPECT_EQ(dacl.entries, expected);
    EXPECT_FALSE(dacl.isProtected);
    RemoveIfPresent(root, {L"\\target"});
}

}  // namespace
