#include "core/PackageInfo.h"

#include "core/JsonRead.h"

namespace {

bool ReadText(const Json::Value& root, const char* name, std::string& out) {
    Json::Value member;
    return JsonMember(root, name, member) && JsonAsString(member, out);
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

PackageInfoStatus ParsePackageInfo(const std::string& payload, PackageInfo& info) {
    Json::Value root;
    if (!JsonParseLenient(payload, root)) {
        return PackageInfoStatus::NotJson;
    }
    PackageInfo read;
    if (!ReadText(root, "version_code", read.versionCode) || !ReadText(root, "file_url", read.fileUrl) ||
        !ReadText(root, "file_md5", read.fileMd5)) {
        return PackageInfoStatus::BadMember;
    }
    if (!IsMd5Hex(read.fileMd5)) {
        return PackageInfoStatus::BadMd5;
    }
    info = std::move(read);
    return PackageInfoStatus::Ok;
}

bool IsMd5Hex(std::string_view text) {
    if (text.size() != 32) {
        return false;
    }
    for (const char c : text) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex) {
            return false;
        }
    }
    return true;
}

bool Md5Equal(std::string_view a, std::string_view b) {
    if (a.empty() || a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}
