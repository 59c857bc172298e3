#include "comm/CommSlots.h"

#include <array>
#include <chrono>
#include <stdexcept>

#include "app/Logs.h"
#include "platform/MainThread.h"
#include "platform/SerialDevice.h"

namespace {

std::array<TCommSlot, kSlotCount>& Slots() {
    static std::array<TCommSlot, kSlotCount> slots;
    return slots;
}

bool IsSlotNumber(int slot) {
    return slot >= 1 && slot <= kSlotCount;
}

}  // namespace

std::unique_lock<std::timed_mutex> LockSlotList(std::timed_mutex& lock) {
    return std::unique_lock(
        lock, std::chrono::system_clock::now() + std::chrono::milliseconds(kLockWaitMs));
}

TCommSlot& CommSlot(int slot) {
    if (!IsSlotNumber(slot)) throw std::out_of_range("port slot " + std::to_string(slot));
    return Slots()[static_cast<size_t>(slot - 1)];
}

void ResetCommSlots() {
    const TDateTime now = Now();
    for (int i = 1; i <= kSlotCount; ++i) {
        CloseCommPort(i);
        TCommSlot& slot = CommSlot(i);
        {
            std::lock_guard lock(slot.InputLock);
            slot.InputLines.clear();
        }
        {
            std::lock_guard lock(slot.OutputLock);
            slot.OutputItems.clear();
        }
        slot.LastReceived = now;
        slot.LastWritten = now;
        slot.WriteDone = false;
        slot.AwaitingReply = false;
        slot.CommandSentAt = 0;
        slot.LastCommand.clear();
    }
}

bool OpenCommPort(int slot, const std::string& portName, int baudRate, int byteSize, int stopBits,
                  int parity) {
    if (!IsSlotNumber(slot)) return false;
    TCommSlot& commSlot = CommSlot(slot);
    if (commSlot.IsOpen()) return true;
    SerialDevice device;
    if (!device.Open(portName, TSerialLine{baudRate, byteSize, stopBits, parity})) {
        LogError("系统", "打开端口", "COM" + std::to_string(slot), "失败");
        return false;
    }
    std::lock_guard lock(commSlot.HandleLock);
    commSlot.Handle = device.Release();
    return true;
}

void CloseCommPort(int slot) {
    if (!IsSlotNumber(slot)) return;
    TCommSlot& commSlot = CommSlot(slot);
    std::lock_guard lock(commSlot.HandleLock);
    CloseSerialFd(commSlot.Handle.exchange(-1));
}

long ReadCommPort(int slot, void* buffer, size_t size) {
    TCommSlot& commSlot = CommSlot(slot);
    std::lock_guard lock(commSlot.HandleLock);
    return ReadSerial(commSlot.Handle, buffer, size);
}

long WriteCommPort(int slot, const void* bytes, size_t size) {
    TCommSlot& commSlot = CommSlot(slot);
    std::lock_guard lock(commSlot.HandleLock);
    return WriteSerial(commSlot.Handle, bytes, size);
}

void QueueOutput(int slot, const TBytes& bytes, bool atFront) {
    if (!IsSlotNumber(slot)) return;
    TCommSlot& commSlot = CommSlot(slot);
    if (!commSlot.IsOpen()) return;
    {
        std::lock_guard lock(commSlot.OutputLock);
        if (commSlot.OutputItems.size() > kMaxOutputItems) commSlot.OutputItems.pop_front();
        if (atFront)
            commSlot.OutputItems.push_front(bytes);
        else
            commSlot.OutputItems.push_back(bytes);
    }
    OutputWakeup().Raise();
}

bool DeliverInput(int slot, const TBytes& unit) {
    if (!IsSlotNumber(slot)) return false;
    TCommSlot& commSlot = CommSlot(slot);
    const std::unique_lock lock = LockSlotList(commSlot.InputLock);
    if (!lock.owns_lock()) return false;
    commSlot.InputLines.push_back(unit);
    if (commSlot.InputLines.size() > kMaxInputUnits) commSlot.InputLines.pop_front();
    return true;
}

int ListComPorts(std::vector<std::string>& names) {
    names = ListSerialDevices();
    return static_cast<int>(names.size());
}

void TOutputWakeup::Raise() {
    {
        std::lock_guard lock(Lock_);
        IsRaised_ = true;
    }
    Raised_.notify_all();
}

void TOutputWakeup::Clear() {
    std::lock_guard lock(Lock_);
    IsRaised_ = false;
}

void TOutputWakeup::Wait() {
    std::unique_lock lock(Lock_);
    Raised_.wait(lock, [this] { return IsRaised_; });
    IsRaised_ = false;
}

TOutputWakeup& OutputWakeup() {
    static TOutputWakeup wakeup;
    return wakeup;
}

TPortThread::~TPortThread() {
    EndThread();
}

void TPortThread::EndThread() {
    Terminate();
    if (Thread_.joinable()) Thread_.join();
}

void TPortThread::Start() {
    Terminated_ = false;
    Running_ = true;
    try {
        Thread_ = std::thread(&TPortThread::Run, this);
    } catch (...) {
        Running_ = false;
        throw;
    }
}

void TPortThread::Join() {
    while (Running()) {
        ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (Thread_.joinable()) Thread_.join();
}

void TPortThread::Run() {
    try {
        Execute();
    } catch (const std::exception& error) {
        ShowError(Name_, error.what());
    }
    Running_ = false;
}

bool StartPortThread(std::unique_ptr<TPortThread>& thread,
                     const std::function<std::unique_ptr<TPortThread>()>& make,
                     const std::string& logName) {
    // A thread whose loop ended on an error is gone in all but name.
    if (thread && !thread->Running()) StopPortThread(thread);
    if (thread) return true;
    try {
        std::unique_ptr<TPortThread> made = make();
        made->Start();
        thread = std::move(made);
    } catch (...) {
        LogError("系统", "启动线程", logName, "失败");
    }
    return thread != nullptr;
}

void StopPortThread(std::unique_ptr<TPortThread>& thread) {
    if (!thread) return;
    thread->Terminate();
    thread->Join();
    thread.reset();
}
