#pragma once
// Directories the elevated installer makes for the program it installs. Such a directory
// must not inherit the rights of wherever the user pointed (a fresh "D:\Games" lets every
// local user write), or anyone could replace the program that later runs with highest
// privileges. It gets the rights Program Files has instead.

#include <string>

// The security descriptor of a created directory, as SDDL: the DACL is protected from the
// parent's inheritance; SYSTEM and Administrators have full control and Users read and
// execute, each inherited by every file and directory created inside.
extern const wchar_t kProtectedDirectorySddl[];

// Creates every missing directory of `path`, each with kProtectedDirectorySddl; levels that
// already exist are left exactly as they are. True when `path` is a directory afterwards.
bool CreateProtectedDirectoryTree(const std::wstring& path);
