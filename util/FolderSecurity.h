#pragma once
// The rights on the folders the elevated installer writes into and the folders above
// them, read and set through handles that never follow a link. The decisions themselves
// are in AccessRules; this is where they meet the file system.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "util/AccessRules.h"
#include "util/UniqueHandle.h"

// The install folder: owned by Administrators, SYSTEM and Administrators full control,
// Users read and execute, inherited by everything inside, nothing from the parent.
extern const wchar_t kInstallFolderSddl[];
// What a folder or file inside it holds afterwards: the same, inherited.
extern const wchar_t kInheritedFolderSddl[];
extern const wchar_t kInheritedFileSddl[];

// Tells whether an opened object is a link, junction or other reparse point. Tests replace
// it to stand for a junction, which Wine cannot create; null restores the check of the
// handle's attributes.
using LinkProbe = bool (*)(HANDLE object, const std::wstring& path);
void SetFolderLinkProbe(LinkProbe probe);
bool IsLinkObject(HANDLE object, const std::wstring& path);

// Opens `path` itself, never what a link points to. `access` is added to attribute reads.
// Delete sharing is never granted: while the handle lives, the object cannot be renamed,
// removed and replaced.
UniqueKernelHandle OpenNoFollow(const std::wstring& path, DWORD access);

// The owner and DACL of an open object in SDDL; empty when they cannot be read.
std::wstring DescriptorTextOf(HANDLE object);

// Whether the file system here keeps the owners it is given: the system folder is then
// owned by TrustedInstaller, SYSTEM or Administrators. Wine reports every file as owned by
// its user, so that decisions by owner cannot be made there. Read once per process.
bool FileSystemKeepsOwners();

// Tests stand for descriptors that Wine does not keep: `source` returns the SDDL for an
// open object, or empty for the real one. Null restores the real descriptors.
using DescriptorSource = std::wstring (*)(HANDLE object);
void SetDescriptorSource(DescriptorSource source);

// The existing folders from the root of `target` down to its nearest existing ancestor,
// each with its rights; when that ancestor is the target's parent, the target follows as
// the install will leave it. Empty for a path without a drive or share root.
std::vector<acl::Ancestor> ReadAncestorChain(const std::wstring& target);

// The path of the first folder above `target` that others than Administrators, SYSTEM or
// TrustedInstaller can replace; nothing when there is none.
std::optional<std::wstring> FindReplaceableAncestor(const std::wstring& target);

// FindReplaceableAncestor, and then the existing target itself when it is not kept by
// Administrators: others may write into it, add to it or delete from it (whatever they put
// there would be taken over with the client), or they own it.
std::optional<std::wstring> FindReplaceableLocation(const std::wstring& target);

// The rights a folder is given and what its folders and files inherit from it.
struct FolderRights {
    const wchar_t* folder;
    const wchar_t* innerFolder;
    const wchar_t* innerFile;
};
extern const FolderRights kInstallFolderRights;

// Gives the existing folder `path` `rights.folder` through a handle that did not follow a
// link, and resets every file and folder inside to inherit. Refused: a file with more than
// one name (its rights are those of every name, some of them perhaps elsewhere) and a link
// (junction, symbolic link, any reparse point) inside, whose placer chose where it leads.
// False with `cause` set when the folder is missing, a link, or any of it cannot be set.
bool TakeOverFolder(const std::wstring& path, const FolderRights& rights, std::wstring& cause);

// TakeOverFolder with the install folder's rights.
bool ProtectInstallFolder(const std::wstring& path, std::wstring& cause);
