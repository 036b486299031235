#pragma once
// Who may change a folder, decided from its security descriptor written as SDDL (the
// system's own text form, which the Windows side reads from a handle). Pure logic, so the
// decisions are checked on the host as tables of descriptors.
//
// The installer runs elevated and leaves a program behind that later runs elevated too.
// A folder on the way to that program is only as safe as the least trusted principal who
// can rename, delete or re-permission it: that principal can put a folder of its own in
// its place.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace acl {

// File access bits, as the system numbers them.
inline constexpr uint32_t kReadData = 0x1;    // list a folder
inline constexpr uint32_t kWriteData = 0x2;   // add a file; set a folder's link data
inline constexpr uint32_t kAppendData = 0x4;  // add a sub-folder
inline constexpr uint32_t kDeleteChild = 0x40;
inline constexpr uint32_t kDelete = 0x10000;
inline constexpr uint32_t kReadControl = 0x20000;
inline constexpr uint32_t kWriteDac = 0x40000;
inline constexpr uint32_t kWriteOwner = 0x80000;
inline constexpr uint32_t kFileAll = 0x1F01FF;
inline constexpr uint32_t kFileRead = 0x120089;
inline constexpr uint32_t kFileReadExecute = 0x1200A9;

// Rights that let their holder replace the folder itself, or one of its entries.
inline constexpr uint32_t kReplaceSelf = kDelete | kWriteDac | kWriteOwner;
inline constexpr uint32_t kReplaceEntry = kDeleteChild | kWriteDac | kWriteOwner;

inline constexpr wchar_t kSystemSid[] = L"S-1-5-18";
inline constexpr wchar_t kAdministratorsSid[] = L"S-1-5-32-544";
inline constexpr wchar_t kUsersSid[] = L"S-1-5-32-545";
inline constexpr wchar_t kTrustedInstallerSid[] = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

struct Ace {
    bool allow = true;
    bool inheritOnly = false;  // applies to what is created inside, not to the folder
    bool inherited = false;
    bool objectInherit = false;
    bool containerInherit = false;
    uint32_t mask = 0;  // generic rights already mapped to file rights
    std::wstring sid;   // "S-1-..." form; aliases are resolved
};

struct Descriptor {
    std::wstring owner;  // empty when the text carries none
    bool hasDacl = false;
    bool nullDacl = false;  // a DACL that lets everyone do everything
    bool daclProtected = false;
    std::vector<Ace> dacl;
};

// Parses the owner ("O:") and DACL ("D:") parts of an SDDL text; the group and SACL are
// skipped. Nothing when the text is malformed.
std::optional<Descriptor> ParseSddl(const std::wstring& sddl);

// SYSTEM, Administrators and TrustedInstaller.
bool IsTrustedSid(const std::wstring& sid);

// Every right that some principal other than a trusted one holds on the object itself.
// An untrusted owner counts as WRITE_DAC (an owner may always rewrite the DACL). Deny
// entries are not subtracted: which groups a given user belongs to is not known here,
// so the answer errs towards "may".
uint32_t RightsOfOthers(const Descriptor& descriptor);

// A folder that the installer holds as its own: owned by a trusted principal, a DACL that
// does not inherit from the parent, and others limited to `othersMay`.
bool IsHeldByAdministrators(const Descriptor& descriptor, uint32_t othersMay);

// A folder that the elevated installer may keep using as its own, or a target whose
// contents it may trust: owned by SYSTEM, Administrators or TrustedInstaller, and others
// may do no more than `othersMay` there (they can neither add, change nor remove anything,
// nor re-permission it). Whether the DACL inherits does not matter: what it holds does.
bool IsKeptByAdministrators(const Descriptor& descriptor, uint32_t othersMay);

// One existing folder on the way from the drive root down to the target.
struct Ancestor {
    std::wstring path;
    std::optional<Descriptor> descriptor;  // nothing: it could not be read
    bool isRoot = false;                   // a drive or share root cannot be replaced
    bool isLink = false;                   // a junction, mount point or symbolic link
};

// The first of `chain` (ordered from the root down, each entry the parent of the next)
// that someone other than Administrators, SYSTEM or TrustedInstaller can rename, delete or
// re-permission, or whose parent lets them remove it: DELETE, WRITE_DAC or ownership on
// the folder, or delete-child (or WRITE_DAC or ownership) on its parent. A link counts as
// replaceable, since where it leads is not the folder checked; so does a folder whose
// descriptor cannot be read. Nothing when every folder is safe.
std::optional<size_t> FirstReplaceableAncestor(const std::vector<Ancestor>& chain);

}  // namespace acl
