#pragma once
// Whether an undo record found at start-up may be acted on. The record names a folder and
// files in it to delete and put back, with administrator rights: it is only followed where
// nobody but Administrators could have arranged what it finds there.

#include <optional>
#include <string>

// Why the record naming `target` must not be replayed, for the log; nothing when it may
// be: the target is a plain folder owned by Administrators or SYSTEM, others may do no
// more than read and execute there, and no folder above it can be replaced by others.
// A target that is gone is judged by its nearest existing parent. Where the system keeps no
// owners (Wine), only the folder itself is checked.
std::optional<std::wstring> ReplayRefusal(const std::wstring& target);
