#include "toolkit/SkinArchive.h"

#include "util/UniqueHandle.h"
#include "util/Utf8.h"
#include "zip/Unzip.h"

#include <cstdio>
#include <cstring>

namespace {

// Beyond this a declared entry size is taken as damage, not as a skin file.
constexpr uint64_t kMaxSkinFileBytes = 64u * 1024u * 1024u;

struct State {
    std::wstring resourcePath;
    std::wstring archiveName;
    char password[CSkinArchive::kPasswordBytes + 1] = {};
    bool cacheArchive = true;
    ZipHandle cached = nullptr;
    const void* memoryData = nullptr;
    size_t memoryLength = 0;
    std::vector<uint8_t> hostBytes;  // host build: the bytes of a cached zip file
};

State& GetState() {
    static State state;
    return state;
}

void StorePassword(const char* password) {
    State& state = GetState();
    std::memset(state.password, 0, sizeof(state.password));
    if (password != nullptr) {
        const size_t length = strnlen(password, CSkinArchive::kPasswordBytes);
        std::memcpy(state.password, password, length);
    }
}

const char* PasswordOrNull() {
    const State& state = GetState();
    return state.password[0] != '\0' ? state.password : nullptr;
}

UniqueFile OpenForReading(const std::wstring& path) {
#ifdef _WIN32
    return UniqueFile(_wfopen(path.c_str(), L"rb"));
#else
    return UniqueFile(std::fopen(EncodeUtf8(path).c_str(), "rb"));
#endif
}

bool ReadPlainFile(const std::wstring& path, std::vector<uint8_t>& bytes, std::wstring& error) {
    UniqueFile file = OpenForReading(path);
    if (!file) {
        error = L"Error opening file";
        return false;
    }
    if (std::fseek(file.get(), 0, SEEK_END) != 0) {
        error = L"Could not read file";
        return false;
    }
    const long size = std::ftell(file.get());
    if (size < 0 || static_cast<uint64_t>(size) > kMaxSkinFileBytes || std::fseek(file.get(), 0, SEEK_SET) != 0) {
        error = size < 0 ? L"Could not read file" : L"File too large";
        return false;
    }
    bytes.resize(static_cast<size_t>(size));
    if (size > 0 && std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        bytes.clear();
        error = L"Could not read file";
        return false;
    }
    return true;
}

bool ReadFromArchive(ZipHandle archive, const std::wstring& name, std::vector<uint8_t>& bytes, std::wstring& error) {
    int32_t index = -1;
    ZipEntryInfo info{};
    if (FindZipEntry(archive, name, true, &index, &info) != UZ_OK || index < 0) {
        error = L"Could not find ziped file";
        return false;
    }
    if (info.uncompressedSize > kMaxSkinFileBytes) {
        error = L"File too large";
        return false;
    }
    bytes.resize(info.uncompressedSize);
    if (bytes.empty()) {
        return true;
    }
    const auto result = ExtractZipEntryToMemory(archive, index, bytes.data(), static_cast<uint32_t>(bytes.size()));
    if (result != UZ_OK && result != UZ_MORE) {
        bytes.clear();
        error = L"Could not unzip file";
        return false;
    }
    return true;
}

// The host build has no file-backed archive source; it reads the file into memory once
// per open. The bytes must outlive the handle, so they stay with the state.
ZipHandle OpenArchiveFile(const std::wstring& path, std::vector<uint8_t>& hostBytes) {
#ifdef _WIN32
    (void)hostBytes;
    return OpenZipFile(path, PasswordOrNull());
#else
    std::wstring error;
    if (!ReadPlainFile(path, hostBytes, error) || hostBytes.empty()) {
        return nullptr;
    }
    return OpenZipMemory(hostBytes.data(), static_cast<uint32_t>(hostBytes.size()), PasswordOrNull());
#endif
}

}  // namespace

void CSkinArchive::SetResourceZip(const void* data, size_t length, const char* password) {
    StorePassword(password);
    State& state = GetState();
    if (state.archiveName == kMemoryArchive) {
        return;
    }
    CloseCached();
    state.archiveName = kMemoryArchive;
    state.memoryData = data;
    state.memoryLength = length;
    if (state.cacheArchive && data != nullptr) {
        state.cached = OpenZipMemory(data, static_cast<uint32_t>(length), PasswordOrNull());
    }
}

void CSkinArchive::SetResourceZipFile(const std::wstring& name, const char* password) {
    StorePassword(password);
    State& state = GetState();
    CloseCached();
    state.archiveName = name;
    state.memoryData = nullptr;
    state.memoryLength = 0;
    if (state.cacheArchive && !name.empty()) {
        state.cached = OpenArchiveFile(state.resourcePath + name, state.hostBytes);
    }
}

void CSkinArchive::SetCacheArchive(bool cache) {
    GetState().cacheArchive = cache;
    if (!cache) {
        CloseCached();
    }
}

bool CSkinArchive::GetCacheArchive() {
    return GetState().cacheArchive;
}

void CSkinArchive::SetResourcePath(const std::wstring& path) {
    GetState().resourcePath = path;
}

const std::wstring& CSkinArchive::GetResourcePath() {
    return GetState().resourcePath;
}

const std::wstring& CSkinArchive::GetArchiveName() {
    return GetState().archiveName;
}

const char* CSkinArchive::GetPassword() {
    return GetState().password;
}

bool CSkinArchive::HasCachedArchive() {
    return GetState().cached != nullptr;
}

void CSkinArchive::CloseCached() {
    State& state = GetState();
    if (state.cached != nullptr) {
        (void)CloseZipHandle(state.cached);
        state.cached = nullptr;
    }
    state.hostBytes.clear();
}

void CSkinArchive::Reset() {
    CloseCached();
    State& state = GetState();
    state.resourcePath.clear();
    state.archiveName.clear();
    state.cacheArchive = true;
    state.memoryData = nullptr;
    state.memoryLength = 0;
    StorePassword(nullptr);
}

bool CSkinArchive::ReadFile(const std::wstring& name, std::vector<uint8_t>& bytes, std::wstring& error) {
    bytes.clear();
    State& state = GetState();
    if (state.archiveName.empty()) {
        return ReadPlainFile(state.resourcePath + name, bytes, error);
    }
    ZipHandle archive = state.cached;
    bool ownHandle = false;
    std::vector<uint8_t> ownBytes;
    if (archive == nullptr) {
        if (state.archiveName == kMemoryArchive) {
            archive = state.memoryData != nullptr
                          ? OpenZipMemory(state.memoryData, static_cast<uint32_t>(state.memoryLength), PasswordOrNull())
                          : nullptr;
        } else {
            archive = OpenArchiveFile(state.resourcePath + state.archiveName, ownBytes);
        }
        ownHandle = archive != nullptr;
        if (archive != nullptr && state.cacheArchive) {
            state.cached = archive;  // caching was asked for but the first open failed
            state.hostBytes.swap(ownBytes);
            ownHandle = false;
        }
    }
    if (archive == nullptr) {
        error = L"Error opening zip file";
        return false;
    }
    const bool ok = ReadFromArchive(archive, name, bytes, error);
    if (ownHandle) {
        (void)CloseZipHandle(archive);
    }
    return ok;
}

bool CSkinArchive::ReadLayoutFile(const std::wstring& name, std::vector<uint8_t>& bytes, std::wstring& error) {
    if (!ReadFile(name, bytes, error)) {
        return false;
    }
    if (bytes.empty()) {
        error = L"File is empty";
        return false;
    }
    if (bytes.size() > kMaxLayoutBytes) {
        bytes.clear();
        error = L"File too large";
        return false;
    }
    return true;
}

bool CSkinArchive::ReadImageFile(const std::wstring& name, std::vector<uint8_t>& bytes) {
    std::wstring error;
    if (ReadFile(name, bytes, error) && !bytes.empty()) {
        return true;
    }
    const State& state = GetState();
    if (state.archiveName.empty() && state.resourcePath.empty()) {
        return false;  // the plain path was just tried
    }
    // The program's own skin is complete: a name it lacks is not looked for on the disk,
    // where an elevated process would read whatever its current directory offers.
    if (state.archiveName == kMemoryArchive) {
        return false;
    }
    return ReadPlainFile(name, bytes, error) && !bytes.empty();
}
