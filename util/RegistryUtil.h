#pragma once

#include <windows.h>

#include <string>

// Reads `valueName` below root\subKey as text, interpreted by the caller's `type`
// (REG_SZ as text; REG_BINARY or REG_DWORD as the first 32-bit word in signed decimal;
// any other type: empty text, true). When the key exists but the value does not, looks
// again in the 64-bit view.
bool ReadRegistryValue(HKEY root,
                       const std::wstring& subKey,
                       const std::wstring& valueName,
                       DWORD type,
                       std::wstring& value);
