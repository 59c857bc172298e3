#include "comm/ReaderThrd.h"

#include <chrono>
#include <thread>

#include "protocol/WireScrambling.h"

namespace {

constexpr auto kPassSleep = std::chrono::milliseconds(10);
constexpr char kFrameStart = '\xFA';
// Fewer bytes than this before a 0xFA cannot be a frame.
constexpr size_t kShortestCut = 3;

std::unique_ptr<TPortThread>& ReaderRef() {
    static std::unique_ptr<TPortThread> reader;
    return reader;
}

}  // namespace

TthrdReader::TthrdReader() : TPortThread("Reader") {}

TthrdReader::~TthrdReader() {
    EndThread();
}

void TthrdReader::Execute() {
    const TDateTime now = Now();
    for (int slot = 1; slot <= kSlotCount; ++slot) CommSlot(slot).LastReceived = now;
    while (!Terminated()) {
        std::this_thread::sleep_for(kPassSleep);
        ReadPass();
        FlushPass();
    }
}

void TthrdReader::ReadPass() {
    for (int slot = 1; slot <= kSlotCount && !Terminated(); ++slot) {
        std::this_thread::sleep_for(kPassSleep);
        ReadSlot(slot);
    }
}

void TthrdReader::ReadSlot(int slot) {
    TSlotState& state = State(slot);
    state.Count = 0;
    if (!CommSlot(slot).IsOpen()) return;
    // A failed device or one whose other end has gone reads as -1: the slot stays as it is
    // and the next pass tries again.
    const long n = ReadCommPort(slot, state.Buffer.data(), state.Buffer.size());
    if (n <= 0) return;
    state.Count = static_cast<size_t>(n);
    ProcessBytes(slot, state.Buffer.data(), state.Count);
}

void TthrdReader::ProcessBytes(int slot, const char* bytes, size_t count) {
    TBytes& accumulator = State(slot).Accumulator;
    for (size_t i = 0; i < count; ++i) {
        // A 0xFA inside a frame's data does not cut it: only bytes that make a valid frame
        // are closed by it.
        if (bytes[i] == kFrameStart && accumulator.size() >= kShortestCut) {
            TBytes plain = UnscrambleReceived(accumulator);
            if (plain != accumulator) {
                accumulator = std::move(plain);
                Deliver(slot);
            }
        }
        accumulator.push_back(bytes[i]);
    }
    CommSlot(slot).LastReceived = Now();
}

void TthrdReader::FlushPass() {
    const TDateTime now = Now();
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        TSlotState& state = State(slot);
        const TCommSlot& commSlot = CommSlot(slot);
        if (!commSlot.IsOpen() || state.Count != 0 || state.Accumulator.empty()) continue;
        const TDateTime last = commSlot.LastReceived.load();
        // A clock set back counts as silence, or the bytes would wait until it catches up.
        if (MilliSecondsFrom(now, last) <= kSilenceMs && now >= last) continue;
        if (state.Accumulator.size() >= kShortestCut)
            state.Accumulator = UnscrambleReceived(state.Accumulator);
        Deliver(slot);
    }
}

void TthrdReader::Deliver(int slot) {
    TBytes& accumulator = State(slot).Accumulator;
    // A busy list keeps the bytes here; they go with the next delivery.
    if (DeliverInput(slot, accumulator)) accumulator.clear();
}

bool StartReader() {
    return StartPortThread(
        ReaderRef(), [] { return std::make_unique<TthrdReader>(); }, "读端口线程");
}

void StopReader() {
    StopPortThread(ReaderRef());
}

bool ReaderRunning() {
    return ReaderRef() && ReaderRef()->Running();
}
