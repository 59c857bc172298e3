#pragma once
// The writer thread of the serial road: drains each open slot's output list onto its port,
// one item per visit, and suspends itself while every slot is open and has nothing to write.

#include <array>
#include <atomic>
#include <cstddef>

#include "comm/CommSlots.h"

inline constexpr size_t kWriteBufferSize = 4097;
inline constexpr int kWriterVisitSleepMs = 100;

class TthrdWriter : public TPortThread {
public:
    TthrdWriter();
    ~TthrdWriter() override;

    // Waiting for QueueOutput (tests, the stop).
    bool Suspended() const { return Suspended_.load(); }
    // Wakes a suspended writer (the stop does this before it waits).
    static void Resume();

private:
    struct TSlotState {
        std::array<char, kWriteBufferSize> Buffer{};
        size_t Length = 0;  // of the item in the buffer
        size_t Count = 0;   // written by the last write
    };

    void Execute() override;
    // One visit of an open slot; false when it had nothing to write.
    bool VisitSlot(int slot);
    bool TakeNextItem(int slot);
    void FinishWrite(int slot);
    TSlotState& State(int slot) { return Slots_[static_cast<size_t>(slot - 1)]; }

    // Six buffers of 4097 bytes, part of the object: nothing is allocated per write.
    std::array<TSlotState, kSlotCount> Slots_;
    std::atomic<bool> Suspended_{false};
};

// Main thread. True when the writer runs (started now or before).
bool StartWriter();
void StopWriter();
bool WriterRunning();
// The writer in force, or nullptr (tests).
TthrdWriter* Writer();
