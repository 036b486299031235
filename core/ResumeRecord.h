#pragma once
// What makes a partial package worth continuing: the record kept beside it in the cache
// folder, and the reading of a download answer's head (status, Content-Range, validator,
// Retry-After). Both come from outside the process (a file on disk, a server), so both
// are read strictly and fail closed. Pure logic.

#include <cstdint>
#include <string>

struct ResumeRecord {
    std::string url;
    std::string md5;        // the API's digest of the whole package, 32 hex digits
    int64_t heldBytes = 0;  // bytes of the partial that came from the server
    std::string validator;  // the strong ETag (quotes kept) or the Last-Modified date
};

// The record's text; Parse(Format(r)) gives r back for every record Parse accepts.
[[nodiscard]] std::string FormatResumeRecord(const ResumeRecord& record);
// False for anything but a record this code writes: known version, each field once and in
// order, a URL of printable characters, 32 hex digits, a byte count of at most 2^48 and a
// validator of printable characters; the whole text at most kMaxResumeRecordBytes.
[[nodiscard]] bool ParseResumeRecord(const std::string& text, ResumeRecord& record);
constexpr size_t kMaxResumeRecordBytes = 8192;

// The head of one answer (status line and header lines, as libcurl hands them over).
struct AnswerHead {
    int status = 0;
    bool hasRange = false;  // a Content-Range "bytes first-last/total" that parsed
    int64_t rangeFirst = 0;
    int64_t rangeLast = 0;
    int64_t rangeTotal = -1;  // -1 when "*"
    std::string etag;
    std::string lastModified;
    int retryAfterSeconds = -1;  // -1 when absent or given as a date
};

[[nodiscard]] AnswerHead ParseAnswerHead(const std::string& block);
// The validator for If-Range: a strong ETag, else Last-Modified, else empty (a weak ETag
// may not be used with If-Range).
[[nodiscard]] std::string StrongValidator(const AnswerHead& head);

enum class RangeVerdict {
    Append,     // the answer continues the bytes held
    StartOver,  // the whole file is coming (200): the bytes held go
    Refuse,     // a partial answer that does not continue them: ask again from zero
};
// `held` bytes with `validator` were asked for (held 0: the whole file).
[[nodiscard]] RangeVerdict JudgeAnswer(const AnswerHead& head, int64_t held, const std::string& validator);
