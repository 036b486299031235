#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/AccessRules.h"

namespace {

using acl::Ancestor;
using acl::Descriptor;

// Descriptors as Windows ships or makes them, written the way the system prints them.
const std::wstring kTi = acl::kTrustedInstallerSid;
// A drive root as Windows sets it up: Authenticated Users may add folders and may modify
// the root itself, but not delete its entries.
const std::wstring kStockRoot =
    L"O:SYG:SYD:PAI(A;OICIIO;SDGXGWGR;;;AU)(A;;0x1301bf;;;AU)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"
    L"(A;OICI;0x1200a9;;;BU)(A;CI;LC;;;BU)(A;CIIO;DC;;;BU)";
// What a standard user's new folder below such a root inherits, owned by that user.
const std::wstring kUserFolder =
    L"O:S-1-5-21-1111-2222-3333-1001G:S-1-5-21-1111-2222-3333-513D:AI(A;OICIID;FA;;;BA)(A;OICIID;FA;;;SY)"
    L"(A;OICIIOID;GA;;;CO)(A;OICIID;0x1200a9;;;BU)(A;ID;0x1301bf;;;AU)(A;OICIIOID;SDGXGWGR;;;AU)";
// ProgramData as Windows 10/11 ship it: Users may add files and folders (to be theirs) but
// not remove what others put there.
const std::wstring kStockProgramData =
    L"O:SYG:SYD:PAI(A;OICIIO;FA;;;CO)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"
    L"(A;OICI;0x1200a9;;;BU)(A;CI;0x116;;;BU)";
// The system's temporary folder (C:\Windows\Temp), where SYSTEM's work folder lives: Users
// may add entries and traverse it, not list or remove them.
const std::wstring kStockWindowsTemp =
    L"O:SYG:SYD:PAI(A;;FA;;;SY)(A;OICIIO;GA;;;SY)(A;;FA;;;BA)(A;OICIIO;GA;;;BA)"
    L"(A;CI;0x100026;;;BU)(A;OICIIO;GA;;;CO)(A;;FA;;;" +
    kTi + L")(A;CIIO;GA;;;" + kTi + L")";
// C:\Windows itself, as shipped; Program Files the same, and app containers may read it.
const std::wstring kStockWindows = L"O:" + kTi + L"G:" + kTi + L"D:PAI(A;;FA;;;" + kTi + L")(A;CIIO;GA;;;" + kTi +
                                   L")(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;SY)(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)"
                                   L"(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)(A;OICIIO;GA;;;CO)";
const std::wstring kStockProgramFiles = kStockWindows + L"(A;;0x1200a9;;;AC)";
// C:\Users, and a user's profile below it: the profile is its user's own.
const std::wstring kStockUsers =
    L"O:SYG:SYD:PAI(A;OICIIO;GA;;;SY)(A;;FA;;;SY)(A;OICIIO;GA;;;BA)(A;;FA;;;BA)"
    L"(A;OICIIO;GXGR;;;BU)(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;WD)(A;;0x1200a9;;;WD)";
const std::wstring kStockProfile =
    L"O:S-1-5-21-1111-2222-3333-1001G:SYD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"
    L"(A;OICI;FA;;;S-1-5-21-1111-2222-3333-1001)";
// A folder a standard user made in the system's temporary folder: theirs, and full control
// for them through the creator-owner entry.
const std::wstring kUserFolderInWindowsTemp =
    L"O:S-1-5-21-1111-2222-3333-1001D:AI(A;ID;FA;;;SY)(A;OICIIOID;GA;;;SY)(A;ID;FA;;;BA)(A;OICIIOID;GA;;;BA)"
    L"(A;OICIIOID;GA;;;CO)(A;OICIID;FA;;;S-1-5-21-1111-2222-3333-1001)";
// The installer's own folder rights, owned by Administrators.
const std::wstring kProtected = L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
// A root that lets everyone do anything, and one a FAT drive gives: no DACL at all.
const std::wstring kOpenRoot = L"O:BAD:(A;OICI;FA;;;WD)";
const std::wstring kNullDacl = L"O:BAD:NO_ACCESS_CONTROL";
// How Wine describes a folder it holds no descriptor for: owned by the Wine user.
const std::wstring kWineSynthesized =
    L"O:S-1-5-21-0-0-0-1000G:S-1-5-21-0-0-0-513D:(A;;0x1f01ff;;;S-1-5-21-0-0-0-1000)(A;;0x1200a9;;;WD)";

Descriptor Parsed(const std::wstring& sddl) {
    const std::optional<Descriptor> parsed = acl::ParseSddl(sddl);
    EXPECT_TRUE(parsed.has_value()) << sddl;
    return parsed.value_or(Descriptor{});
}

// Rows for a verdict on a descriptor, given what others may do there.
struct VerdictCase {
    const wchar_t* what;
    std::wstring sddl;
    uint32_t othersMay;
    bool expected;
};

void ExpectVerdicts(bool (*verdict)(const Descriptor&, uint32_t), const std::vector<VerdictCase>& cases) {
    for (const VerdictCase& c : cases) {
        EXPECT_EQ(verdict(Parsed(c.sddl), c.othersMay), c.expected) << c.what;
    }
}

TEST(AccessRules, ParsesOwnerFlagsAndEntries) {
    const Descriptor d = Parsed(L"O:BAG:SYD:PAI(A;OICI;FA;;;SY)(D;IO;SDWD;;;WD)(A;ID;0x1200a9;;;S-1-5-21-1-2-3-1001)");
    EXPECT_EQ(d.owner, acl::kAdministratorsSid);
    EXPECT_TRUE(d.hasDacl);
    EXPECT_TRUE(d.daclProtected);
    ASSERT_EQ(d.dacl.size(), 3u);
    EXPECT_TRUE(d.dacl[0].allow && d.dacl[0].objectInherit && d.dacl[0].containerInherit);
    EXPECT_EQ(d.dacl[0].mask, acl::kFileAll);
    EXPECT_EQ(d.dacl[0].sid, acl::kSystemSid);
    EXPECT_FALSE(d.dacl[1].allow);
    EXPECT_TRUE(d.dacl[1].inheritOnly);
    EXPECT_EQ(d.dacl[1].mask, acl::kDelete | acl::kWriteDac);
    EXPECT_EQ(d.dacl[1].sid, L"S-1-1-0");
    EXPECT_TRUE(d.dacl[2].inherited);
    EXPECT_EQ(d.dacl[2].mask, acl::kFileReadExecute);
    EXPECT_EQ(d.dacl[2].sid, L"S-1-5-21-1-2-3-1001");
    // Generic rights count as the file rights they stand for.
    EXPECT_EQ(Parsed(L"D:(A;;GA;;;WD)").dacl[0].mask, acl::kFileAll);
    EXPECT_EQ(Parsed(L"D:(A;;GR;;;WD)").dacl[0].mask, acl::kFileRead);
    // A SACL, with entries, and the group do not disturb the parts that matter.
    const Descriptor withSacl = Parsed(L"O:SYG:SYD:(A;;FA;;;BA)S:AI(AU;SAFA;FA;;;WD)(ML;;NW;;;HI)");
    EXPECT_EQ(withSacl.owner, acl::kSystemSid);
    EXPECT_EQ(withSacl.dacl.size(), 1u);
    EXPECT_TRUE(Parsed(kNullDacl).nullDacl);
    EXPECT_FALSE(Parsed(L"O:BA").hasDacl);
}

TEST(AccessRules, RefusesMalformedText) {
    for (const wchar_t* bad : {L"O:", L"X:BA", L"D:(A;;FA;;;SY", L"D:(A;;ZZ;;;SY)", L"D:(A;QQ;FA;;;SY)",
                               L"D:(A;;FA;;SY)", L"D:(A;;0xFFFFFFFFF;;;SY)", L"O:S-1-5-18!", L"O:BAO:SY"}) {
        EXPECT_FALSE(acl::ParseSddl(bad).has_value()) << bad;
    }
}

TEST(AccessRules, RightsOfOthers) {
    struct Case {
        const wchar_t* what;
        std::wstring sddl;
        uint32_t others;
    } cases[] = {
        {L"installer's own folder: users read and execute only", kProtected, acl::kFileReadExecute},
        {L"Program Files: TrustedInstaller owns, users read", kStockProgramFiles, acl::kFileReadExecute},
        {L"a user's folder: its owner may rewrite it, everyone signed in may modify it", kUserFolder,
         0x1301bf | acl::kWriteDac | acl::kFileReadExecute},
        {L"no DACL: everything", kNullDacl, acl::kFileAll},
        {L"no DACL part at all: everything", L"O:BA", acl::kFileAll},
        {L"an untrusted owner may always rewrite the DACL", L"O:BUD:PAI(A;;FA;;;SY)",
         acl::kReadControl | acl::kWriteDac},
        {L"inherit-only entries do not apply to the folder", L"O:BAD:P(A;OICIIO;FA;;;WD)", 0},
        {L"creator owner applies only when inherited", L"O:BAD:P(A;;FA;;;CO)", 0},
        {L"owner rights follow the owner", L"O:BAD:P(A;;FA;;;OW)", 0},
        {L"owner rights of an untrusted owner", L"O:BUD:P(A;;FA;;;OW)", acl::kFileAll},
        // Group membership is not known, so a deny entry takes nothing away.
        {L"deny entries are not subtracted", L"O:BAD:P(D;;SD;;;WD)(A;;SD;;;WD)", acl::kDelete},
        {L"TrustedInstaller is trusted", L"O:BAD:P(A;;FA;;;" + kTi + L")", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(acl::RightsOfOthers(Parsed(c.sddl)), c.others) << c.what;
    }
}

TEST(AccessRules, HeldByAdministrators) {
    const std::vector<VerdictCase> cases = {
        {L"work folder as made", L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FR;;;BU)", acl::kFileRead, true},
        {L"install rights are more than the work folder allows", kProtected, acl::kFileRead, false},
        // Whether an existing target already is what the install makes of every target.
        {L"existing admin-owned target with the install rights", kProtected, acl::kFileReadExecute, true},
        {L"existing user-owned target", kUserFolder, acl::kFileReadExecute, false},
        {L"existing target in Program Files, inheriting", L"O:BAD:AI(A;OICIID;FA;;;BA)(A;OICIID;0x1200a9;;;BU)",
         acl::kFileReadExecute, false},
        {L"right entries, but the user owns it", L"O:S-1-5-21-1-2-3-1001D:PAI(A;OICI;FA;;;BA)", acl::kFileRead, false},
        {L"admin-owned, but inheriting from a user-writable parent", L"O:BAD:AI(A;OICI;FA;;;BA)", acl::kFileRead,
         false},
        {L"no DACL", kNullDacl, acl::kFileRead, false},
    };
    ExpectVerdicts(acl::IsHeldByAdministrators, cases);
}

// Whether the installer keeps using a work folder it finds, and whether an undo record may
// be replayed on a target it names: only what Administrators or SYSTEM own and nobody else
// may write can have been made by the installer alone.
TEST(AccessRules, KeptByAdministrators) {
    const std::wstring workFolder = L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
    const std::vector<VerdictCase> cases = {
        {L"work folder as made: nobody else may even read", workFolder, 0, true},
        {L"an earlier version's work folder lets Users read (closed to them, then kept)",
         L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FR;;;BU)", 0, false},
        {L"the same, asked whether it is ours to close", L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FR;;;BU)",
         acl::kFileReadExecute, true},
        {L"work folder a user made beforehand in their temporary folder", kUserFolder, acl::kFileReadExecute, false},
        {L"work folder a user made in the system's temporary folder", kUserFolderInWindowsTemp, acl::kFileReadExecute,
         false},
        {L"admin-owned, but Users may add to it", L"O:BAD:PAI(A;OICI;FA;;;BA)(A;OICI;0x1200af;;;BU)",
         acl::kFileReadExecute, false},
        {L"target as the install leaves it", kProtected, acl::kFileReadExecute, true},
        {L"target in Program Files, inheriting its rights", L"O:BAD:AI(A;OICIID;FA;;;BA)(A;OICIID;0x1200a9;;;BU)",
         acl::kFileReadExecute, true},
        {L"existing user-owned target", kUserFolder, acl::kFileReadExecute, false},
        {L"a user's profile", kStockProfile, acl::kFileReadExecute, false},
        {L"ProgramData itself: Users may add there", kStockProgramData, acl::kFileReadExecute, false},
        {L"the system's temporary folder itself", kStockWindowsTemp, acl::kFileReadExecute, false},
        {L"Program Files: TrustedInstaller's", kStockProgramFiles, acl::kFileReadExecute, true},
        {L"no DACL", kNullDacl, acl::kFileAll, false},
        {L"Wine's made-up descriptor", kWineSynthesized, acl::kFileReadExecute, false},
    };
    ExpectVerdicts(acl::IsKeptByAdministrators, cases);
}

Ancestor Folder(const std::wstring& path, const std::wstring& sddl, bool root = false) {
    Ancestor a;
    a.path = path;
    a.descriptor = acl::ParseSddl(sddl);
    a.isRoot = root;
    return a;
}

TEST(AccessRules, FirstReplaceableAncestor) {
    Ancestor junction = Folder(L"D:\\Linked", kProtected);
    junction.isLink = true;
    Ancestor unreadable;
    unreadable.path = L"E:\\";
    unreadable.isRoot = true;
    // The chains end with the target as the install leaves it.
    struct Case {
        const wchar_t* what;
        std::vector<Ancestor> chain;
        std::optional<size_t> replaceable;
    } cases[] = {
        {L"new target in Program Files",
         {Folder(L"C:\\", kStockRoot, true), Folder(L"C:\\Program Files (x86)", kStockProgramFiles),
          Folder(L"C:\\Program Files (x86)\\varlo", kProtected)},
         std::nullopt},
        {L"existing admin-owned target below an admin folder",
         {Folder(L"C:\\", kStockRoot, true), Folder(L"C:\\Tools", kProtected), Folder(L"C:\\Tools\\varlo", kProtected)},
         std::nullopt},
        {L"target whose missing parent the installer makes: only the root exists",
         {Folder(L"C:\\", kStockRoot, true)},
         std::nullopt},
        {L"user-owned parent",
         {Folder(L"D:\\", kStockRoot, true), Folder(L"D:\\Games", kUserFolder),
          Folder(L"D:\\Games\\varlo", kProtected)},
         1},
        {L"user-owned grandparent above an admin parent",
         {Folder(L"D:\\", kStockRoot, true), Folder(L"D:\\Games", kUserFolder), Folder(L"D:\\Games\\Own", kProtected),
          Folder(L"D:\\Games\\Own\\varlo", kProtected)},
         1},
        {L"a junction on the way",
         {Folder(L"D:\\", kStockRoot, true), junction, Folder(L"D:\\Linked\\varlo", kProtected)},
         1},
        {L"drive root as Windows sets it up",
         {Folder(L"D:\\", kStockRoot, true), Folder(L"D:\\varlo", kProtected)},
         std::nullopt},
        {L"drive root that lets everyone delete its folders",
         {Folder(L"D:\\", kOpenRoot, true), Folder(L"D:\\varlo", kProtected)},
         1},
        {L"drive root without rights (FAT)", {Folder(L"E:\\", kNullDacl, true), Folder(L"E:\\varlo", kProtected)}, 1},
        {L"drive root whose rights cannot be read", {unreadable, Folder(L"E:\\varlo", kProtected)}, 0},
        {L"missing level below the root, as the installer makes it",
         {Folder(L"C:\\", kStockRoot, true), Folder(L"C:\\Games", kProtected), Folder(L"C:\\Games\\varlo", kProtected)},
         std::nullopt},
        {L"the same level, made by a user in the meantime (any user may add folders to the root)",
         {Folder(L"C:\\", kStockRoot, true), Folder(L"C:\\Games", kUserFolder),
          Folder(L"C:\\Games\\varlo", kProtected)},
         1},
        {L"target in ProgramData: Users may add there, not remove",
         {Folder(L"C:\\", kStockRoot, true), Folder(L"C:\\ProgramData", kStockProgramData),
          Folder(L"C:\\ProgramData\\varlo", kProtected)},
         std::nullopt},
        {L"target below a folder a user made in ProgramData",
         {Folder(L"C:\\", kStockRoot, true), Folder(L"C:\\ProgramData", kStockProgramData),
          Folder(L"C:\\ProgramData\\Vendor", kUserFolder), Folder(L"C:\\ProgramData\\Vendor\\varlo", kProtected)},
         2},
        {L"SYSTEM's work folder in the system's temporary folder",
         {Folder(L"C:\\", kStockRoot, true), Folder(L"C:\\Windows", kStockWindows),
          Folder(L"C:\\Windows\\Temp", kStockWindowsTemp),
          Folder(L"C:\\Windows\\Temp\\varloSetup", L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)")},
         std::nullopt},
        {L"target in a user's profile: its user may replace anything there",
         {Folder(L"C:\\", kStockRoot, true), Folder(L"C:\\Users", kStockUsers),
          Folder(L"C:\\Users\\alice", kStockProfile), Folder(L"C:\\Users\\alice\\varlo", kProtected)},
         2},
        {L"Wine's made-up descriptors: its user owns every folder",
         {Folder(L"C:\\", kWineSynthesized, true), Folder(L"C:\\Program Files (x86)", kWineSynthesized)},
         1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(acl::FirstReplaceableAncestor(c.chain), c.replaceable) << c.what;
    }
}

}  // namespace
