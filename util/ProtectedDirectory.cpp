#include "util/ProtectedDirectory.h"

#include "util/DirectoryTree.h"

const wchar_t kProtectedDirectorySddl[] = L"D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

bool CreateProtectedDirectoryTree(const std::wstring& path) {
    return CreateDirectoryLevels(path, kProtectedDirectorySddl);
}
