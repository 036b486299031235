#pragma once

#include <string>

// Where an entry goes: the full path, and the directories to make for it.
struct ZipTargetPlan {
    std::wstring path;       // the file or directory to create
    std::wstring root;       // directories are made below this; empty for absolute targets
    std::wstring directory;  // the directory part below `root` (or absolute), possibly empty
};

// Joins a target name to the extraction root (relative names) or takes it as it is
// (absolute names). False when a component is unsafe (see IsSafeRelativeName), a file
// name is empty, the root is missing, or the path reaches 260 characters.
[[nodiscard]] bool PlanZipTarget(const std::wstring& root,
                                 const std::wstring& targetName,
                                 bool isDirectory,
                                 ZipTargetPlan* plan);
