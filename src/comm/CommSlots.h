#pragma once
// The six port slots the serial road is built on. Only slot 1 is ever opened (the port of the
// port dialog, direct-cable mode); in remote mode no slot is open and the UDP server feeds
// slot 1's input list. Each list has its own lock; no code holds two of them at once.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "protocol/ByteUtils.h"

inline constexpr int kSlotCount = 6;
inline constexpr size_t kMaxInputUnits = 500;
inline constexpr size_t kMaxOutputItems = 300;
inline constexpr int kLockWaitMs = 50;

struct TCommSlot {
    // The open serial device, -1 when closed.
    std::atomic<int> Handle{-1};
    // Held while a read or write uses Handle and while the port is opened or closed: a port
    // is never closed under a transfer (nor its descriptor number reused meanwhile).
    std::mutex HandleLock;

    std::deque<TBytes> InputLines;  // received units, oldest first
    std::timed_mutex InputLock;
    std::deque<TBytes> OutputItems;  // next first
    std::timed_mutex OutputLock;

    std::atomic<TDateTime> LastReceived{0};
    std::atomic<TDateTime> LastWritten{0};
    std::atomic<bool> WriteDone{false};
    std::atomic<bool> AwaitingReply{false};
    std::atomic<TDateTime> CommandSentAt{0};
    // Written and read by the sender thread only.
    TBytes LastCommand;

    bool IsOpen() const { return Handle.load() >= 0; }
};

// A slot list's lock, waited for at most 50 ms (owns_lock() tells whether it was obtained). The
// deadline is on the system clock: a wait on the steady clock becomes pthread_mutex_clocklock,
// which ThreadSanitizer does not see, and it then takes every later unlock for a fault.
std::unique_lock<std::timed_mutex> LockSlotList(std::timed_mutex& lock);

// Slot 1..6; any other number raises std::out_of_range.
TCommSlot& CommSlot(int slot);
// Closes every slot and puts each back to its start-up state (lists emptied, times now,
// flags clear). Start-up and tests.
void ResetCommSlots();

// Opens and configures the serial port of a slot (1..6): true when it is open, also when it
// was open already (then it is left as it is).
bool OpenCommPort(int slot, const std::string& portName, int baudRate, int byteSize, int stopBits,
                  int parity);
void CloseCommPort(int slot);
// Non-blocking transfers on a slot's port (the reader and the writer): as ReadSerial and
// WriteSerial, -1 for a closed slot.
long ReadCommPort(int slot, void* buffer, size_t size);
long WriteCommPort(int slot, const void* bytes, size_t size);
// Queues bytes for the writer (open slots only); more than 300 items drop the oldest first.
void QueueOutput(int slot, const TBytes& bytes, bool atFront);
// Appends a received unit to the slot's input list, waiting at most 50 ms for its lock; more
// than 500 units drop the oldest. False (nothing appended) when the lock stayed busy.
bool DeliverInput(int slot, const TBytes& unit);
// The serial ports of this machine (device paths, usable as port names); returns their count.
int ListComPorts(std::vector<std::string>& names);

// How QueueOutput reaches a writer that found nothing to write and suspended itself. Raised
// stays raised until the writer clears it, so a wake-up between the writer's last look at the
// lists and its suspension is not lost.
class TOutputWakeup {
public:
    void Raise();
    void Clear();
    // Returns once raised, and clears it.
    void Wait();

private:
    std::mutex Lock_;
    std::condition_variable Raised_;
    bool IsRaised_ = false;
};
TOutputWakeup& OutputWakeup();

// A thread that serves the slots (the reader, the writer). It counts as running from Start
// until its loop has ended; Terminate asks the loop to end.
class TPortThread {
public:
    explicit TPortThread(std::string name) : Name_(std::move(name)) {}
    virtual ~TPortThread();
    TPortThread(const TPortThread&) = delete;
    TPortThread& operator=(const TPortThread&) = delete;

    // Throws std::system_error when no thread can be made.
    void Start();
    void Terminate() { Terminated_ = true; }
    bool Terminated() const { return Terminated_.load(); }
    bool Running() const { return Running_.load(); }
    // Main thread: serves the main thread's messages until the loop has ended, then joins it.
    void Join();

protected:
    // The loop; it ends when Terminated() answers true.
    virtual void Execute() = 0;
    // Ends the loop and joins it without serving messages: the destructor of each derived
    // class calls it, so that the loop never outlives the members it works on.
    void EndThread();

private:
    void Run();

    std::string Name_;
    std::atomic<bool> Terminated_{false};
    std::atomic<bool> Running_{false};
    std::thread Thread_;
};

// The start and stop of one port thread kept in `thread` (main thread). Start: true when one
// exists and runs; otherwise a new one from `make` is started, and when that fails the error
// log gets "系统", "启动线程", `logName`, "失败". Stop: asks it to end, waits for it while
// serving the main thread's messages, and forgets it.
bool StartPortThread(std::unique_ptr<TPortThread>& thread,
                     const std::function<std::unique_ptr<TPortThread>()>& make,
                     const std::string& logName);
void StopPortThread(std::unique_ptr<TPortThread>& thread);
