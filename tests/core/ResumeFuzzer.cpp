// Feeds arbitrary bytes to the two readers of a resumed download's outside input: the
// record beside a partial package and a server's answer head. Neither may crash; a record
// that is accepted must be written back to the same text, and a verdict to append must
// only ever continue exactly the bytes held.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/ResumeRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ResumeRecord record;
    if (ParseResumeRecord(text, record)) {
        if (FormatResumeRecord(record) != text || record.heldBytes < 0) {
            std::abort();
        }
    }
    const AnswerHead head = ParseAnswerHead(text);
    for (const int64_t held : {int64_t{0}, int64_t{1}, int64_t{1000}}) {
        if (JudgeAnswer(head, held, "\"v\"") == RangeVerdict::Append &&
            (head.status != 206 || !head.hasRange || head.rangeFirst != held)) {
            std::abort();
        }
    }
    static_cast<void>(StrongValidator(head));
    return 0;
}
