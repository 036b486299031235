#pragma once
// Files the build writes for the toolkit tests, named so the test process can open them:
// under Wine a host path becomes a Z: path.

#include <cstdio>
#include <string>
#include <vector>

namespace TestPaths {

inline std::wstring Host(const std::string& path) {
    std::wstring out;
#ifdef _WIN32
    out = L"Z:";
    for (char c : path) {
        out.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c)));
    }
#else
    for (char c : path) {
        out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    }
#endif
    return out;
}

inline std::string BuildDir() {
    return std::string(VARLO_TEST_BINARY_DIR) + "/tests/toolkit";
}

// The skin folder with a trailing separator, as a resource path.
inline std::wstring SkinFolder() {
    return Host(BuildDir() + "/skin/");
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
#ifdef _WIN32
    FILE* file = _wfopen(Host(path).c_str(), L"rb");
#else
    FILE* file = std::fopen(path.c_str(), "rb");
#endif
    if (file == nullptr) {
        return bytes;
    }
    int c;
    while ((c = std::fgetc(file)) != EOF) {
        bytes.push_back(static_cast<uint8_t>(c));
    }
    std::fclose(file);
    return bytes;
}

// The encrypted skin archive, read once and kept for the whole process (the toolkit
// reads it in place).
inline const std::vector<uint8_t>& SkinZip() {
    static const std::vector<uint8_t> bytes = ReadBytes(BuildDir() + "/skin.zip");
    return bytes;
}

constexpr const char* kSkinPassword = "varlo-skin";

}  // namespace TestPaths
