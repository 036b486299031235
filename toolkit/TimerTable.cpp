#include "toolkit/TimerTable.h"

#include <algorithm>
#include <utility>

CTimerTable::CTimerTable(StartFn start, StopFn stop) : start_(std::move(start)), stop_(std::move(stop)) {}

uint32_t CTimerTable::NextNativeId() {
    // Skip 0 and ids a record still holds: after many timers the cycle wraps, and two
    // records on one native id would steal each other's ticks.
    for (uint32_t tries = 0; tries < kNativeIdModulo; ++tries) {
        lastNativeId_ = (lastNativeId_ + 1) % kNativeIdModulo;
        const uint32_t candidate = lastNativeId_;
        const bool taken = std::any_of(records_.begin(), records_.end(),
                                       [candidate](const Record& r) { return r.nativeId == candidate; });
        if (candidate != 0 && !taken) {
            return candidate;
        }
    }
    return 0;
}

bool CTimerTable::Set(const void* control, uint32_t localId, uint32_t interval) {
    for (Record& record : records_) {
        if (record.control == control && record.localId == localId) {
            if (!record.killed) {
                return false;
            }
            if (!start_(record.nativeId, interval)) {
                return false;
            }
            record.killed = false;
            return true;
        }
    }
    const uint32_t nativeId = NextNativeId();
    if (nativeId == 0 || !start_(nativeId, interval)) {
        return false;
    }
    records_.push_back(Record{control, localId, nativeId, false});
    return true;
}

bool CTimerTable::Kill(const void* control, uint32_t localId) {
    for (Record& record : records_) {
        if (record.control == control && record.localId == localId && !record.killed) {
            stop_(record.nativeId);
            record.killed = true;
            return true;
        }
    }
    return false;
}

void CTimerTable::KillAll(const void* control) {
    auto it = records_.begin();
    while (it != records_.end()) {
        if (it->control == control) {
            if (!it->killed) {
                stop_(it->nativeId);
            }
            it = records_.erase(it);
        } else {
            ++it;
        }
    }
}

void CTimerTable::RemoveAll() {
    for (const Record& record : records_) {
        if (!record.killed) {
            stop_(record.nativeId);
        }
    }
    records_.clear();
}

bool CTimerTable::Find(uint32_t nativeId, const void** control, uint32_t* localId) const {
    for (const Record& record : records_) {
        if (record.nativeId == nativeId && !record.killed) {
            *control = record.control;
            *localId = record.localId;
            return true;
        }
    }
    return false;
}

bool CTimerTable::IsRunning(const void* control, uint32_t localId) const {
    return std::any_of(records_.begin(), records_.end(),
                       [&](const Record& r) { return r.control == control && r.localId == localId && !r.killed; });
}
