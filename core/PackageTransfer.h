#pragma once
// One attempt at the package: the whole file, or the rest of a partial one asked for with
// Range and If-Range. The answer's head decides what becomes of the bytes held before any
// body byte is taken: a 206 that starts exactly at them is appended (their digest taken
// again from the file first, so the digest covers the whole file), a 200 replaces them,
// and any other partial answer is refused without a byte written. Every transfer is
// prepared as HttpClient prepares downloads (https only, the Windows chain check).

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "core/HttpClient.h"
#include "core/RetrySchedule.h"

struct TransferRequest {
    std::string url;
    HANDLE file = nullptr;   // read and write access; the caller's
    int64_t held = 0;        // bytes at the file's start to continue from (0: the whole file)
    std::string validator;   // the held bytes' validator, sent as If-Range
    int64_t knownTotal = 0;  // the size an earlier attempt learnt, for progress until the answer
    void* owner = nullptr;
    DownloadProgressCallback progress = nullptr;  // false aborts the attempt
    // Called on the transfer's thread each time another `checkpointBytes` of an answer with
    // a validator are in the file, with the bytes at the file's start that are the server's
    // and that validator: a process killed half-way leaves what the next run continues from.
    std::function<void(int64_t fileBytes, const std::string& validator)> checkpoint;
    int64_t checkpointBytes = 4 * 1024 * 1024;
};

struct TransferResult {
    TransferCause cause = TransferCause::Other;
    bool complete = false;
    bool abortedByProgress = false;  // the progress callback said stop (cancel, stall, no room)
    bool refused = false;            // a partial answer that does not continue the held bytes
    bool startedOver = false;        // bytes were held, and the whole file came instead
    int status = 0;
    int retryAfterSeconds = -1;
    int64_t fileBytes = 0;    // bytes at the file's start that are the server's, afterwards
    int64_t total = 0;        // the whole file's size when the answer told it, else 0
    std::string validator;    // of the answer taken; empty when it gave none usable
    std::string md5Hex;       // digest of the whole file, when complete
    uint32_t writeError = 0;  // the system's code when a write to the file failed
    std::string error;        // libcurl's text for the log
};

[[nodiscard]] TransferResult RunPackageTransfer(const TransferRequest& request);
