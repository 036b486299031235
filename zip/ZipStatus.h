#pragma once

// Results of the archive reader. Inflate failures pass through with zlib's own negative
// codes (Z_DATA_ERROR and the like), which never collide with the values below except -1.
enum ZipStatus : int {
    kZipOk = 0,
    kZipSourceError = -1,     // a read or seek failed, or the source failed before
    kZipEndOfList = -100,     // no (further) entry
    kZipBadParameter = -102,  // no archive, no open entry, name too long
    kZipBadArchive = -103,    // a signature or consistency check failed, unsupported method
    kZipOutOfMemory = -104,
    kZipCrcMismatch = -105,  // the entry's data does not match its CRC-32
    kZipWrongPassword = -106,
};

enum class ZipCaseMode {
    kExact = 1,
    kAsciiInsensitive = 2,  // only a-z fold onto A-Z; other bytes compare as they are
};
