#pragma once
// The sender thread: every controller command leaves the program through its queue. It takes
// one task at a time, sends it on the road of the control mode (serial slot 1, or GPRS through
// the UDP server), waits for the reply, lets the session parse what comes back, and reports
// each step as a line of the message panel. It also keeps today's sun times current and
// guards against the system clock being set back.

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>

#include "app/Settings.h"
#include "comm/TaskSink.h"
#include "platform/Clock.h"
#include "protocol/ByteUtils.h"

inline constexpr size_t kMaxTasks = 300;

struct TCommSlot;

// One queued command.
struct TTestTask {
    int ItemId = 0;
    std::string Caption;
    TBytes FrameText;  // route prefix and plain frame
    bool IsWrite = false;
    bool WaitReply = false;
};

class TthrdSender : public TTaskSink {
public:
    // `settings`: the place and sun adjustments for the sun refresh, copied (the main thread's
    // settings object is not read from the sender thread).
    explicit TthrdSender(const TSettings& settings);
    ~TthrdSender() override;

    // Main thread. Same frame text already queued: dropped; more than 300: oldest dropped.
    void AddTask(int item, const std::string& caption, bool waitReply, bool isWrite,
                 const TBytes& frameText) override;
    // Main thread: a new copy of the place settings for the sun refresh.
    void UpdateSettings(const TSettings& settings);

    void Start();
    void Terminate() { Terminated_ = true; }
    bool Running() const { return Running_.load(); }
    // Joins the thread once Running is false.
    void Join();

    // Queue inspection (tests, the window's count).
    size_t TaskCount() const;

    // One pass of each step of the loop, for the loop and for tests that drive the steps.
    bool TakeInput(int& slot, TBytes& unit);
    void HandleInput(int slot, const TBytes& unit);
    void CheckTimeouts();
    void TrySend();
    bool PopTask(TTestTask& task);
    void SendTask(int slot, const TBytes& frameText, bool waitReply);
    void ReportStatus();

    std::string StatusText() const;
    void SetStatusText(const std::string& text);

private:
    void Execute();
    void LoopPass();
    void RefreshSun(TDateTime now);
    void GuardClock(TDateTime now);
    void HandleOwnReply(TCommSlot& slot, const TBytes& lastCommand, const TBytes& frame, int item);
    void HandleOtherReply(const std::string& address, int port, const TBytes& frame, int source,
                          int item);
    // The store's answered flag of a station and its mark in the station list.
    void MarkStation(int number, bool answered);
    void SendBySerial(int slot, const TBytes& frameText);
    void SendByGprs(TCommSlot& slot, const TBytes& frameText);

    mutable std::timed_mutex QueueLock_;
    std::deque<TTestTask> Queue_;
    std::unordered_set<std::string> QueuedKeys_;  // BytesToHexText of each queued frame text
    mutable std::mutex SettingsLock_;
    TSettings Settings_;
    mutable std::mutex StatusLock_;
    std::string StatusText_;
    std::atomic<TDateTime> LastLoopTime_{0};
    std::atomic<TDateTime> LastSendAttempt_{0};
    std::atomic<bool> Terminated_{false};
    std::atomic<bool> Running_{false};
    std::thread Thread_;
};

// The sender in force, or nullptr.
TthrdSender* Sender();
// Creates and starts the sender (with a copy of the main thread's settings) unless one
// exists, and makes it the store's task sink. False when it could not be created.
bool StartSender();
// Asks the sender to end, processes messages until it has, and forgets it.
void StopSender();
