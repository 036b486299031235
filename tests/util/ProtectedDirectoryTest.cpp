#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"
#include "tests/util/TestFiles.h"
#include "util/UniqueHandle.h"
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

void PrintTo(const Entry& e, std::ostream* out) {
    *out << std::string(e.sid.begin(), e.sid.end()) << " type " << int(e.type) << " flags " << int(e.flags)
         << " mask 0x" << std::hex << e.mask << std::dec;
}

Dacl DaclOf(PSECURITY_DESCRIPTOR descriptor) {
    Dacl result;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL acl = nullptr;
    if (!::GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted)) {
        return result;
    }
    result.read = true;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (::GetSecurityDescriptorControl(descriptor, &control, &revision)) {
        result.isProtected = (control & SE_DACL_PROTECTED) != 0;
    }
    result.present = present && acl != nullptr;
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

// The DACL as the system hands it back for `path`.
Dacl ReadDacl(const std::wstring& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                                nullptr, &descriptor) != ERROR_SUCCESS) {
        return Dacl();
    }
    UniqueLocal owned(descriptor);
    return DaclOf(descriptor);
}

bool GrantsTo(const Dacl& dacl, const wchar_t* sid, ACCESS_MASK rights) {
    for (const Entry& e : dacl.entries) {
        if (e.sid == sid && e.type == ACCESS_ALLOWED_ACE_TYPE && (e.mask & rights) != 0) {
            return true;
        }
    }
    return false;
}

const BYTE kInheritBoth = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
const std::vector<Entry> kExpected = {
    {L"S-1-5-18", ACCESS_ALLOWED_ACE_TYPE, kInheritBoth, FILE_ALL_ACCESS},
    {L"S-1-5-32-544", ACCESS_ALLOWED_ACE_TYPE, kInheritBoth, FILE_ALL_ACCESS},
    {L"S-1-5-32-545", ACCESS_ALLOWED_ACE_TYPE, kInheritBoth, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE},
};

// The descriptor every new level is created with. Wine cannot show it on a directory (it
// keeps only what maps onto Unix mode bits), so it is read here as the function builds it.
TEST(CreateProtectedDirectoryTree, TheDescriptorGrantsWhatProgramFilesGrants) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(kProtectedDirectorySddl, SDDL_REVISION_1,
                                                                       &descriptor, nullptr));
    UniqueLocal owned(descriptor);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(::GetSecurityDescriptorControl(descriptor, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "the parent's rights must not flow in";
    const Dacl dacl = DaclOf(descriptor);
    EXPECT_TRUE(dacl.present);
    EXPECT_EQ(dacl.entries, kExpected);
}

// What Wine keeps of it: nobody but the owner and SYSTEM may write, and Everyone is gone,
// where a directory made the plain way grants Everyone read access.
TEST(CreateProtectedDirectoryTree, NewLevelsAreLockedExistingOnesStayAsTheyWere) {
    const TempDir scratch(L"varlo protected");
    const std::wstring& root = scratch.path();
    ASSERT_TRUE(::CreateDirectoryW((root + L"\\old").c_str(), nullptr));
    const Dacl before = ReadDacl(root + L"\\old");
    ASSERT_TRUE(before.read);
    ASSERT_TRUE(GrantsTo(before, L"S-1-1-0", FILE_GENERIC_READ)) << "the plain directory this is told apart from";

    ASSERT_TRUE(CreateProtectedDirectoryTree(root + L"\\old\\new\\deeper"));
    for (const wchar_t* level : {L"\\old\\new", L"\\old\\new\\deeper"}) {
        const Dacl dacl = ReadDacl(root + level);
        ASSERT_TRUE(dacl.read);
        EXPECT_FALSE(GrantsTo(dacl, L"S-1-1-0", FILE_ALL_ACCESS));
        EXPECT_FALSE(GrantsTo(dacl, L"S-1-5-32-545",
                              FILE_WRITE_DATA | FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD | WRITE_DAC |
                                  WRITE_OWNER | DELETE));
        EXPECT_TRUE(GrantsTo(dacl, L"S-1-5-18", FILE_ALL_ACCESS));
    }
    const Dacl after = ReadDacl(root + L"\\old");
    EXPECT_EQ(after.isProtected, before.isProtected);
    EXPECT_EQ(after.entries, before.entries) << "an existing directory is left alone";

    // Existing tree: nothing to do, still a success; a file in the way is a failure.
    EXPECT_TRUE(CreateProtectedDirectoryTree(root + L"\\old\\new\\deeper"));
    ASSERT_TRUE(WriteBytes(root + L"\\old\\new\\deeper\\file.txt", "x"));
    EXPECT_FALSE(CreateProtectedDirectoryTree(root + L"\\old\\new\\deeper\\file.txt\\sub"));
    EXPECT_FALSE(CreateProtectedDirectoryTree(L""));
}

}  // namespace
