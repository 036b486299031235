#pragma once
// The toolkit timers of one window: each record ties a control and the caller's local id
// to a native timer id. Killed records stay and are restarted with the same native id.
// Starting and stopping the native timers is left to the two callbacks.

#include <cstdint>
#include <functional>
#include <vector>

class CTimerTable {
  public:
    using StartFn = std::function<bool(uint32_t nativeId, uint32_t interval)>;
    using StopFn = std::function<void(uint32_t nativeId)>;

    // Native ids cycle through 1..254 so they never meet the window's own fixed ids.
    static constexpr uint32_t kFirstNativeId = 0x1000;
    static constexpr uint32_t kNativeIdModulo = 255;

    CTimerTable(StartFn start, StopFn stop);

    // False when the native timer cannot start or this timer already runs.
    [[nodiscard]] bool Set(const void* control, uint32_t localId, uint32_t interval);
    // Stops the first running record that matches and keeps it for reuse.
    bool Kill(const void* control, uint32_t localId);
    // Stops and forgets every record of the control.
    void KillAll(const void* control);
    // Stops and forgets every record.
    void RemoveAll();

    // The running record with this native id, if any.
    [[nodiscard]] bool Find(uint32_t nativeId, const void** control, uint32_t* localId) const;
    [[nodiscard]] size_t GetRecordCount() const { return records_.size(); }
    [[nodiscard]] bool IsRunning(const void* control, uint32_t localId) const;

  private:
    struct Record {
        const void* control;
        uint32_t localId;
        uint32_t nativeId;
        bool killed;
    };

    uint32_t NextNativeId();

    StartFn start_;
    StopFn stop_;
    std::vector<Record> records_;
    uint32_t lastNativeId_ = kFirstNativeId;
};
