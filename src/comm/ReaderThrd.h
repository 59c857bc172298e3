#pragma once
// The reader thread of the serial road: polls every open slot and cuts the received bytes
// into units for the sender. A unit ends where the next frame's 0xFA begins, once the bytes
// before it make a whole frame, or after 300 ms of silence.

#include <array>
#include <cstddef>

#include "comm/CommSlots.h"

inline constexpr size_t kReadChunk = 32;  // bytes per slot per pass
inline constexpr int kSilenceMs = 300;

class TthrdReader : public TPortThread {
public:
    TthrdReader();
    ~TthrdReader() override;

private:
    struct TSlotState {
        std::array<char, kReadChunk> Buffer{};
        size_t Count = 0;    // bytes of this pass's read
        TBytes Accumulator;  // received, not yet delivered
    };

    void Execute() override;
    void ReadPass();
    void FlushPass();
    void ReadSlot(int slot);
    void ProcessBytes(int slot, const char* bytes, size_t count);
    void Deliver(int slot);
    TSlotState& State(int slot) { return Slots_[static_cast<size_t>(slot - 1)]; }

    std::array<TSlotState, kSlotCount> Slots_;
};

// Main thread. True when the reader runs (started now or before).
bool StartReader();
void StopReader();
bool ReaderRunning();
