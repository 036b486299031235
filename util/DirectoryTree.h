#pragma once
// The one walk that makes missing directories. The install folder, the start-menu folder,
// the package cache and an extraction target all come through here, so they agree on
// what a path's levels are and on what counts as success.

#include <string>

// Creates each missing level of `path` from the top down. Empty pieces between separators
// vanish and "/" counts as "\"; a leading "\" stays (the current drive) and a leading
// "\\server\share" is never created. A new level gets the security descriptor `sddl`, or
// its parent's inherited rights when `sddl` is null; levels that already exist are left
// exactly as they are. True when `path` is a directory afterwards: something else of that
// name in the way is a failure, one created by someone else in the meantime is not.
bool CreateDirectoryLevels(const std::wstring& path, const wchar_t* sddl);
