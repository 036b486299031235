#include "core/ResumeRecord.h"

#include <cctype>
#include <vector>

namespace {

constexpr char kRecordVersion[] = "varlo-resume 1";
constexpr int64_t kMaxHeldBytes = int64_t{1} << 48;
constexpr size_t kMaxFieldBytes = 4096;

bool IsPrintable(const std::string& text) {
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f) {
            return false;
        }
    }
    return true;
}

bool IsHex32(const std::string& text) {
    if (text.size() != 32) {
        return false;
    }
    for (const char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

// A decimal count without sign, leading zeros (but "0") or overflow past `limit`.
bool ParseCount(const std::string& text, int64_t limit, int64_t& value) {
    if (text.empty() || text.size() > 19 || (text.size() > 1 && text[0] == '0')) {
        return false;
    }
    int64_t n = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        const int digit = c - '0';
        if (n > (limit - digit) / 10) {
            return false;
        }
        n = n * 10 + digit;
    }
    value = n;
    return true;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool NameIs(const std::string& name, const char* wanted) {
    size_t i = 0;
    for (; wanted[i] != '\0'; ++i) {
        if (i >= name.size() || std::tolower(static_cast<unsigned char>(name[i])) != wanted[i]) {
            return false;
        }
    }
    return i == name.size();
}

// "bytes first-last/total" or "bytes first-last/*".
bool ParseContentRange(const std::string& value, AnswerHead& head) {
    if (value.compare(0, 6, "bytes ") != 0) {
        return false;
    }
    const std::string rest = Trim(value.substr(6));
    const size_t dash = rest.find('-');
    const size_t slash = rest.find('/');
    if (dash == std::string::npos || slash == std::string::npos || slash < dash) {
        return false;
    }
    constexpr int64_t kLimit = int64_t{1} << 62;
    int64_t first = 0;
    int64_t last = 0;
    int64_t total = -1;
    if (!ParseCount(rest.substr(0, dash), kLimit, first) ||
        !ParseCount(rest.substr(dash + 1, slash - dash - 1), kLimit, last) || last < first) {
        return false;
    }
    const std::string totalText = rest.substr(slash + 1);
    if (totalText != "*" && (!ParseCount(totalText, kLimit, total) || total <= last)) {
        return false;
    }
    head.hasRange = true;
    head.rangeFirst = first;
    head.rangeLast = last;
    head.rangeTotal = total;
    return true;
}

}  // namespace

std::string FormatResumeRecord(const ResumeRecord& record) {
    return std::string(kRecordVersion) + "\nurl " + record.url + "\nmd5 " + record.md5 + "\nbytes " +
           std::to_string(record.heldBytes) + "\nvalidator " + record.validator + "\n";
}

bool ParseResumeRecord(const std::string& text, ResumeRecord& record) {
    if (text.size() > kMaxResumeRecordBytes || text.empty() || text.back() != '\n') {
        return false;
    }
    const std::vector<std::string> lines = SplitLines(text);
    static const char* const kKeys[] = {"url ", "md5 ", "bytes ", "validator "};
    if (lines.size() != 5 || lines[0] != kRecordVersion) {
        return false;
    }
    std::string values[4];
    for (size_t i = 0; i < 4; ++i) {
        const std::string key = kKeys[i];
        if (lines[i + 1].compare(0, key.size(), key) != 0) {
            return false;
        }
        values[i] = lines[i + 1].substr(key.size());
        if (values[i].empty() || values[i].size() > kMaxFieldBytes || !IsPrintable(values[i])) {
            return false;
        }
    }
    ResumeRecord parsed;
    parsed.url = values[0];
    parsed.md5 = values[1];
    parsed.validator = values[3];
    if (!IsHex32(parsed.md5) || !ParseCount(values[2], kMaxHeldBytes, parsed.heldBytes)) {
        return false;
    }
    record = parsed;
    return true;
}

AnswerHead ParseAnswerHead(const std::string& block) {
    AnswerHead head;
    bool first = true;
    for (std::string line : SplitLines(block)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (first) {
            first = false;
            // "HTTP/1.1 206 Partial Content"
            const size_t space = line.find(' ');
            if (line.compare(0, 5, "HTTP/") != 0 || space == std::string::npos) {
                return head;
            }
            int64_t status = 0;
            if (!ParseCount(line.substr(space + 1, 3), 999, status) || status < 100) {
                return head;
            }
            head.status = static_cast<int>(status);
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string::npos) {
            continue;
        }
        const std::string name = line.substr(0, colon);
        const std::string value = Trim(line.substr(colon + 1));
        if (NameIs(name, "content-range")) {
            AnswerHead parsed = head;
            if (ParseContentRange(value, parsed)) {
                head = parsed;
            }
        } else if (NameIs(name, "etag")) {
            head.etag = IsPrintable(value) && value.size() <= kMaxFieldBytes ? value : std::string();
        } else if (NameIs(name, "last-modified")) {
            head.lastModified = IsPrintable(value) && value.size() <= kMaxFieldBytes ? value : std::string();
        } else if (NameIs(name, "retry-after")) {
            int64_t seconds = 0;
            head.retryAfterSeconds = ParseCount(value, 86400 * 365, seconds) ? static_cast<int>(seconds) : -1;
        }
    }
    return head;
}

std::string StrongValidator(const AnswerHead& head) {
    if (head.etag.size() >= 2 && head.etag.front() == '"' && head.etag.back() == '"') {
        return head.etag;
    }
    if (!head.etag.empty() && head.etag.compare(0, 2, "W/") != 0) {
        return std::string();  // neither strong nor weak: not an entity tag at all
    }
    return head.lastModified;
}

RangeVerdict JudgeAnswer(const AnswerHead& head, int64_t held, const std::string& validator) {
    if (head.status == 200) {
        return RangeVerdict::StartOver;
    }
    if (head.status != 206 || !head.hasRange || head.rangeFirst != held) {
        return RangeVerdict::Refuse;
    }
    if (head.rangeTotal >= 0 && head.rangeLast + 1 != head.rangeTotal) {
        return RangeVerdict::Refuse;  // we asked for everything from `held` on
    }
    // If-Range should have turned a changed file into a 200; a server that ignores it and
    // names another validator sends bytes of another file.
    const std::string answered = StrongValidator(head);
    if (held > 0 && !answered.empty() && answered != validator) {
        return RangeVerdict::Refuse;
    }
    return RangeVerdict::Append;
}
