#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"
#include "tests/util/TestFiles.h"
#include "util/AccessRules.h"
#include "util/FolderSecurity.h"
#include "util/WorkFolder.h"

// Rights are read back where the system keeps them. Wine (as Debian builds it) keeps no
// descriptor at all: it maps a DACL onto the Unix mode bits and reports every file as its
// user's, whatever owner was set. There the refusals, take-overs and moves are still
// checked, and the read-back of owners and entries is left out (`keeps_`); a scratch
// folder elsewhere can be named in VARLO_XATTR_SCRATCH for a Wine that does keep them.
namespace {

constexpr wchar_t kUserSddl[] = L"O:S-1-5-21-1111-2222-3333-1001D:AI(A;OICI;FA;;;WD)";

class Scratch {
  public:
    Scratch() {
        const char* env = std::getenv("VARLO_XATTR_SCRATCH");
        if (env != nullptr && *env != '\0') {
            const std::string text(env);
            std::wstring named(text.begin(), text.end());
            for (wchar_t& c : named) {
                c = c == L'/' ? L'\\' : c;
            }
            root_ = named + L"\\folder-security-" + std::to_wstring(::GetCurrentProcessId());
            ::CreateDirectoryW(root_.c_str(), nullptr);
        } else {
            temp_ = std::make_unique<TempDir>(L"varlo rights");
            root_ = temp_->path();
        }
    }
    ~Scratch() {
        if (!temp_) {
            RemoveTree(root_);
        }
    }
    [[nodiscard]] const std::wstring& path() const { return root_; }

  private:
    std::unique_ptr<TempDir> temp_;
    std::wstring root_;
};

bool SetByName(const std::wstring& path, const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR made = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &made, nullptr)) {
        return false;
    }
    UniqueLocal owned(made);
    return ::SetFileSecurityW(path.c_str(), OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, made) != FALSE;
}

std::optional<acl::Descriptor> RightsOf(const std::wstring& path) {
    UniqueKernelHandle handle = OpenNoFollow(path, READ_CONTROL);
    if (!handle) {
        return std::nullopt;
    }
    return acl::ParseSddl(DescriptorTextOf(handle.get()));
}

// True when what is set on a folder here is what is read back.
bool KeepsDescriptors(const std::wstring& root) {
    const std::wstring probe = root + L"\\probe";
    ::CreateDirectoryW(probe.c_str(), nullptr);
    const bool set = SetByName(probe, kUserSddl);
    const std::optional<acl::Descriptor> back = RightsOf(probe);
    ::RemoveDirectoryW(probe.c_str());
    return set && back && back->owner == L"S-1-5-21-1111-2222-3333-1001";
}

bool MakeDir(const std::wstring& path) {
    return ::CreateDirectoryW(path.c_str(), nullptr) != FALSE;
}

// Wine cannot make a junction: folders marked here stand for one. They are told by their
// file identity, so a folder made later under the same name is a plain one.
std::vector<uint64_t>& MarkedLinks() {
    static std::vector<uint64_t> marked;
    return marked;
}

uint64_t FileId(HANDLE object) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(object, &info)) {
        return 0;
    }
    return (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

bool ProbeMarkedLinks(HANDLE object, const std::wstring&) {
    const uint64_t id = FileId(object);
    for (const uint64_t marked : MarkedLinks()) {
        if (marked == id) {
            return true;
        }
    }
    return false;
}

bool MarkAsLink(const std::wstring& path) {
    UniqueKernelHandle handle = OpenNoFollow(path, 0);
    if (!handle) {
        return false;
    }
    MarkedLinks().push_back(FileId(handle.get()));
    SetFolderLinkProbe(&ProbeMarkedLinks);
    return true;
}

class FolderSecurityTest : public ::testing::Test {
  protected:
    void SetUp() override {
        keeps_ = KeepsDescriptors(scratch_.path());
        if (!keeps_) {
            std::printf("rights are not kept here: their read-back is left out\n");
        }
    }
    // Sets rights to start from; where they are not kept, what the system makes of them.
    void Give(const std::wstring& path, const wchar_t* sddl) {
        const bool set = SetByName(path, sddl);
        if (keeps_) {
            EXPECT_TRUE(set) << path;
        }
    }
    void TearDown() override {
        SetFolderLinkProbe(nullptr);
        MarkedLinks().clear();
    }
    Scratch scratch_;
    bool keeps_ = false;
};

bool InheritsOnly(const acl::Descriptor& d) {
    if (d.daclProtected || d.dacl.empty()) {
        return false;
    }
    for (const acl::Ace& ace : d.dacl) {
        if (!ace.inherited) {
            return false;
        }
    }
    return true;
}

// An existing target a user made, with a user's files in it: afterwards Administrators own
// all of it, the folder holds the protected rights and everything inside inherits them.
TEST_F(FolderSecurityTest, AnExistingUserFolderIsTakenOverWithEverythingInIt) {
    const std::wstring target = scratch_.path() + L"\\target";
    ASSERT_TRUE(MakeDir(target));
    ASSERT_TRUE(MakeDir(target + L"\\sub"));
    ASSERT_TRUE(WriteBytes(target + L"\\old.exe", "old"));
    ASSERT_TRUE(WriteBytes(target + L"\\sub\\deep.dll", "deep"));
    for (const wchar_t* level : {L"", L"\\sub", L"\\old.exe", L"\\sub\\deep.dll"}) {
        Give(target + level, kUserSddl);
    }

    std::wstring cause;
    ASSERT_TRUE(ProtectInstallFolder(target, cause)) << cause;
    EXPECT_EQ(ReadBytes(target + L"\\sub\\deep.dll"), "deep") << "the files themselves are untouched";
    if (!keeps_) {
        return;
    }

    const std::optional<acl::Descriptor> top = RightsOf(target);
    ASSERT_TRUE(top);
    EXPECT_EQ(top->owner, acl::kAdministratorsSid);
    EXPECT_TRUE(top->daclProtected);
    EXPECT_TRUE(acl::IsHeldByAdministrators(*top, acl::kFileReadExecute));
    for (const wchar_t* level : {L"\\sub", L"\\old.exe", L"\\sub\\deep.dll"}) {
        const std::optional<acl::Descriptor> inside = RightsOf(target + level);
        ASSERT_TRUE(inside) << level;
        EXPECT_EQ(inside->owner, acl::kAdministratorsSid) << level;
        EXPECT_TRUE(InheritsOnly(*inside)) << level;
        EXPECT_EQ(acl::RightsOfOthers(*inside) & ~acl::kFileReadExecute, 0u) << level;
    }
}

// Wine cannot make a junction; the probe stands for one. A link as the target is refused
// and keeps its rights; a link inside fails the take-over, and neither it nor what it
// leads to is changed.
TEST_F(FolderSecurityTest, LinksAreNeverFollowed) {
    const std::wstring linkedTarget = scratch_.path() + L"\\linked-target";
    ASSERT_TRUE(MakeDir(linkedTarget));
    Give(linkedTarget, kUserSddl);
    ASSERT_TRUE(MarkAsLink(linkedTarget));
    std::wstring cause;
    EXPECT_FALSE(ProtectInstallFolder(linkedTarget, cause));
    EXPECT_FALSE(cause.empty());
    if (keeps_) {
        EXPECT_EQ(RightsOf(linkedTarget)->owner, L"S-1-5-21-1111-2222-3333-1001");
    }

    const std::wstring target = scratch_.path() + L"\\with-link";
    ASSERT_TRUE(MakeDir(target));
    ASSERT_TRUE(MakeDir(target + L"\\linked"));
    ASSERT_TRUE(MarkAsLink(target + L"\\linked"));
    ASSERT_TRUE(WriteBytes(target + L"\\linked\\elsewhere.txt", "x"));
    Give(target + L"\\linked\\elsewhere.txt", kUserSddl);
    Give(target + L"\\linked", kUserSddl);
    cause.clear();
    EXPECT_FALSE(ProtectInstallFolder(target, cause));
    EXPECT_NE(cause.find(L"linked"), std::wstring::npos) << cause;
    EXPECT_EQ(ReadBytes(target + L"\\linked\\elsewhere.txt"), "x");
    if (keeps_) {
        EXPECT_EQ(RightsOf(target + L"\\linked")->owner, L"S-1-5-21-1111-2222-3333-1001");
        EXPECT_EQ(RightsOf(target + L"\\linked\\elsewhere.txt")->owner, L"S-1-5-21-1111-2222-3333-1001")
            << "what a link leads to keeps its own rights";
    }

    EXPECT_FALSE(ProtectInstallFolder(scratch_.path() + L"\\missing", cause));

    // A second name for a file elsewhere: its rights are that file's, so the install stops.
    const std::wstring victim = scratch_.path() + L"\\victim.txt";
    ASSERT_TRUE(WriteBytes(victim, "victim"));
    Give(victim, kUserSddl);
    const std::wstring withHardLink = scratch_.path() + L"\\with-hard-link";
    ASSERT_TRUE(MakeDir(withHardLink));
    ASSERT_TRUE(::CreateHardLinkW((withHardLink + L"\\client.dll").c_str(), victim.c_str(), nullptr));
    cause.clear();
    EXPECT_FALSE(ProtectInstallFolder(withHardLink, cause));
    EXPECT_NE(cause.find(L"client.dll"), std::wstring::npos) << cause;
    if (keeps_) {
        EXPECT_EQ(RightsOf(victim)->owner, L"S-1-5-21-1111-2222-3333-1001");
    }
}

// The chain as read from the disk: the existing levels with the rights they hold, a link
// marked, the target as the install will leave it, and nothing past a missing level.
TEST_F(FolderSecurityTest, AncestorsAreReadWithTheirRights) {
    const std::wstring own = scratch_.path() + L"\\own";
    const std::wstring user = own + L"\\user";
    ASSERT_TRUE(MakeDir(own));
    ASSERT_TRUE(MakeDir(user));
    Give(own, kInstallFolderSddl);
    Give(user, kUserSddl);

    const std::vector<acl::Ancestor> chain = ReadAncestorChain(user + L"\\varlo");
    ASSERT_GE(chain.size(), 4u);
    EXPECT_TRUE(chain.front().isRoot);
    const acl::Ancestor& target = chain[chain.size() - 1];
    const acl::Ancestor& parent = chain[chain.size() - 2];
    const acl::Ancestor& grandparent = chain[chain.size() - 3];
    EXPECT_EQ(target.path, user + L"\\varlo");
    ASSERT_TRUE(target.descriptor);
    EXPECT_TRUE(acl::IsHeldByAdministrators(*target.descriptor, acl::kFileReadExecute));
    EXPECT_EQ(parent.path, user);
    EXPECT_EQ(grandparent.path, own);
    // Every level's rights were read, in the system's own text.
    for (const acl::Ancestor& level : chain) {
        EXPECT_TRUE(level.descriptor.has_value()) << level.path;
        EXPECT_FALSE(level.isLink) << level.path;
    }
    if (keeps_) {
        EXPECT_EQ(parent.descriptor->owner, L"S-1-5-21-1111-2222-3333-1001");
        EXPECT_EQ(grandparent.descriptor->owner, acl::kAdministratorsSid);
        // From the folder held by Administrators down, the user's folder is the weak one.
        const std::vector<acl::Ancestor> tail(chain.end() - 3, chain.end());
        EXPECT_EQ(acl::FirstReplaceableAncestor(tail), std::optional<size_t>(1));
    } else {
        // What Wine reports: every folder is its user's, so the very first below the root
        // is already one that others could replace.
        EXPECT_EQ(acl::FirstReplaceableAncestor(chain), std::optional<size_t>(1));
    }

    // A level that does not exist ends the chain: the install makes it, with its rights.
    const std::vector<acl::Ancestor> shorter = ReadAncestorChain(user + L"\\missing\\varlo");
    EXPECT_EQ(shorter.size(), chain.size() - 1);
    EXPECT_EQ(shorter.back().path, user);

    const std::wstring linked = own + L"\\linked";
    ASSERT_TRUE(MakeDir(linked));
    ASSERT_TRUE(MarkAsLink(linked));
    const std::vector<acl::Ancestor> withLink = ReadAncestorChain(linked + L"\\varlo");
    ASSERT_GE(withLink.size(), 2u);
    EXPECT_TRUE(withLink[withLink.size() - 2].isLink);
    // Folders above the scratch folder may be weak already (Wine's own are); the link is
    // reported unless one of them comes first.
    const std::optional<std::wstring> reported = FindReplaceableAncestor(linked + L"\\varlo");
    ASSERT_TRUE(reported);
    EXPECT_TRUE(*reported == linked || linked.compare(0, reported->size(), *reported) == 0) << *reported;
    EXPECT_TRUE(ReadAncestorChain(L"relative\\varlo").empty());
}

// Where the system keeps no descriptors, the work folder's rights are stated: a folder
// marked here has the rights it was given, every other one stands for a folder the
// installer made with its own.
std::map<uint64_t, std::wstring>& StatedRights() {
    static std::map<uint64_t, std::wstring> stated;
    return stated;
}

std::wstring StatedDescriptor(HANDLE object) {
    const auto found = StatedRights().find(FileId(object));
    return found != StatedRights().end() ? found->second : std::wstring(kWorkFolderSddl);
}

class WorkFolderTest : public FolderSecurityTest {
  protected:
    void SetUp() override {
        FolderSecurityTest::SetUp();
        if (!keeps_) {
            SetDescriptorSource(&StatedDescriptor);
        }
    }
    void TearDown() override {
        SetDescriptorSource(nullptr);
        StatedRights().clear();
        FolderSecurityTest::TearDown();
    }
    void GiveWork(const std::wstring& path, const wchar_t* sddl) {
        Give(path, sddl);
        UniqueKernelHandle handle = OpenNoFollow(path, 0);
        ASSERT_TRUE(handle) << "cannot open the folder to state its rights";
        StatedRights()[FileId(handle.get())] = sddl;
    }
};

// Missing, someone else's, a link in its place, or already the installer's own: the folder
// in use is always held by Administrators and is the named one. Someone else's folder (a
// record planted in it would be replayed with administrator rights), a link, or a folder
// holding a file with a second name is moved aside whole and never entered or adopted.
TEST_F(WorkFolderTest, TheFolderIsAlwaysTheInstallersOwn) {
    const std::wstring victim = scratch_.path() + L"\\victim.txt";
    ASSERT_TRUE(WriteBytes(victim, "victim"));
    Give(victim, kUserSddl);
    struct Case {
        const wchar_t* name;
        const wchar_t* before;  // null: nothing there
        bool keptInPlace;
    } cases[] = {
        {L"missing", nullptr, false},        {L"users", kUserSddl, false}, {L"hardlinked", kUserSddl, false},
        {L"linked", kWorkFolderSddl, false},  // its rights do not matter: a link is never used
        {L"own", kWorkFolderSddl, true},
    };
    for (const Case& c : cases) {
        const std::wstring dir = scratch_.path() + L"\\" + c.name;
        const std::wstring name = c.name;
        if (c.before != nullptr) {
            ASSERT_TRUE(MakeDir(dir));
            ASSERT_TRUE(WriteBytes(dir + L"\\marker.txt", "before"));
            GiveWork(dir, c.before);
            if (name == L"linked") {
                ASSERT_TRUE(MarkAsLink(dir));
            }
            if (name == L"hardlinked") {
                ASSERT_TRUE(::CreateHardLinkW((dir + L"\\second-name.txt").c_str(), victim.c_str(), nullptr));
            }
        }
        const std::optional<std::wstring> used = PrepareWorkFolder(dir);
        ASSERT_TRUE(used) << c.name;
        EXPECT_EQ(*used, dir + L"\\") << c.name;
        const std::optional<acl::Descriptor> rights = RightsOf(dir);
        ASSERT_TRUE(rights) << c.name;
        if (keeps_) {
            EXPECT_TRUE(acl::IsHeldByAdministrators(*rights, acl::kFileRead)) << c.name;
        }
        EXPECT_EQ(ReadBytes(dir + L"\\marker.txt") == "before", c.keptInPlace) << c.name;
        // Held: it cannot be renamed away and replaced while the installer runs.
        EXPECT_FALSE(::MoveFileExW(dir.c_str(), (dir + L"-stolen").c_str(), 0)) << c.name;
    }
    if (keeps_) {
        EXPECT_EQ(RightsOf(victim)->owner, L"S-1-5-21-1111-2222-3333-1001") << "a second name's file keeps its rights";
    }
    EXPECT_EQ(ReadBytes(victim), "victim");
    // Whatever was moved aside is still there, with what it held.
    size_t asideWithMarker = 0;
    WIN32_FIND_DATAW data;
    UniqueFindHandle search(::FindFirstFileW((scratch_.path() + L"\\*").c_str(), &data));
    ASSERT_TRUE(search);
    do {
        const std::wstring name = data.cFileName;
        if (name.find(L"-") != std::wstring::npos &&
            ReadBytes(scratch_.path() + L"\\" + name + L"\\marker.txt") == "before") {
            ++asideWithMarker;
        }
    } while (::FindNextFileW(search.get(), &data));
    EXPECT_EQ(asideWithMarker, 3u) << "the user's folder, the folder with a second name and the link";
}

}  // namespace
