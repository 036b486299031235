#pragma once
// Whole-file reads and writes for the Windows-side util tests.

#include <windows.h>

#include <string>

#include "util/UniqueHandle.h"

inline std::string ReadBytes(const std::wstring& path) {
    std::string bytes;
    UniqueFile f(_wfopen(path.c_str(), L"rb"));
    if (!f) {
        return bytes;
    }
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f.get())) > 0) {
        bytes.append(buf, n);
    }
    return bytes;
}

inline bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    UniqueFile f(_wfopen(path.c_str(), L"wb"));
    return f && fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
}
