#include "comm/WriterThrd.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

std::unique_ptr<TPortThread>& WriterRef() {
    static std::unique_ptr<TPortThread> writer;
    return writer;
}

}  // namespace

TthrdWriter::TthrdWriter() : TPortThread("Writer") {}

TthrdWriter::~TthrdWriter() {
    Terminate();
    Resume();
    EndThread();
}

void TthrdWriter::Resume() {
    OutputWakeup().Raise();
}

void TthrdWriter::Execute() {
    // A day back: the sender's quiet time after the last write is over at once.
    const TDateTime longAgo = IncMilliSecond(Now(), -kMilliSecondsPerDay);
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        CommSlot(slot).LastWritten = longAgo;
        CommSlot(slot).WriteDone = false;
    }
    while (!Terminated()) {
        // Output queued from here on keeps the writer awake after this cycle.
        OutputWakeup().Clear();
        int idleVisits = 0;
        for (int slot = 1; slot <= kSlotCount && !Terminated(); ++slot) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kWriterVisitSleepMs));
            if (!CommSlot(slot).IsOpen()) continue;
            if (!VisitSlot(slot)) ++idleVisits;
        }
        // Closed slots are not idle visits: with only slot 1 open the writer keeps polling.
        if (idleVisits == kSlotCount && !Terminated()) {
            Suspended_ = true;
            OutputWakeup().Wait();
            Suspended_ = false;
        }
    }
}

bool TthrdWriter::VisitSlot(int slot) {
    if (!TakeNextItem(slot)) return false;
    TSlotState& state = State(slot);
    state.Count = 0;
    const long n = WriteCommPort(slot, state.Buffer.data(), state.Length);
    if (n < 0) return true;  // the device failed: the item is lost
    state.Count = static_cast<size_t>(n);
    FinishWrite(slot);
    return true;
}

bool TthrdWriter::TakeNextItem(int slot) {
    TCommSlot& commSlot = CommSlot(slot);
    TSlotState& state = State(slot);
    state.Length = 0;
    const std::unique_lock lock = LockSlotList(commSlot.OutputLock);
    if (!lock.owns_lock()) return false;
    std::deque<TBytes>& items = commSlot.OutputItems;
    while (!items.empty() && items.front().empty()) items.pop_front();
    if (items.empty()) return false;
    // Frames are far shorter than the buffer; a longer item goes out in buffer-sized pieces,
    // its rest staying first in the list for the next visit.
    TBytes& item = items.front();
    state.Length = std::min(item.size(), state.Buffer.size());
    std::copy_n(item.data(), state.Length, state.Buffer.data());
    if (state.Length < item.size())
        item.erase(0, state.Length);
    else
        items.pop_front();
    return true;
}

void TthrdWriter::FinishWrite(int slot) {
    TSlotState& state = State(slot);
    const TBytes unwritten(state.Buffer.data() + state.Count, state.Length - state.Count);
    if (state.Count == 0) {
        // The device takes nothing now (its buffer is full): the item waits for the next
        // visit, and the write has not happened yet.
        QueueOutput(slot, unwritten, true);
        return;
    }
    if (!unwritten.empty()) QueueOutput(slot, unwritten, true);
    CommSlot(slot).LastWritten = Now();
    CommSlot(slot).WriteDone = true;
}

bool StartWriter() {
    return StartPortThread(
        WriterRef(), [] { return std::make_unique<TthrdWriter>(); }, "写端口线程");
}

void StopWriter() {
    if (WriterRef()) {
        WriterRef()->Terminate();
        TthrdWriter::Resume();
    }
    StopPortThread(WriterRef());
}

bool WriterRunning() {
    return WriterRef() && WriterRef()->Running();
}

TthrdWriter* Writer() {
    return static_cast<TthrdWriter*>(WriterRef().get());
}
