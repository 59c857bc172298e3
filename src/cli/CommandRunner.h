#pragma once
// Runs the client's commands on the core: starts the road of the control mode, waits for the
// station's terminal to register (remote), hands each command to the current session and
// waits until the sender has got it answered, refused or timed out. Every finished command
// is printed as one JSON line; the sender's status lines go to the error stream.

#include <iosfwd>
#include <string>

#include "app/UserDialogs.h"
#include "cli/CliOptions.h"
#include "cli/TaskTracker.h"
#include "comm/CommView.h"
#include "comm/TaskSink.h"
#include "platform/MainThread.h"

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoLink = 3;

class TCommandRunner : public TCommView, public TTaskSink, public TUserDialogs {
public:
    TCommandRunner(const TCliOptions& options, std::ostream& out, std::ostream& err);
    ~TCommandRunner() override;
    TCommandRunner(const TCommandRunner&) = delete;
    TCommandRunner& operator=(const TCommandRunner&) = delete;

    // The exit code.
    int Run();

    // --- The core's view of the client (main thread) -------------------------------------
    void AddMessage(const std::string& line) override;
    void StationRegistered(int stationNumber) override;
    // Tasks go to the sender, the tracker is told first.
    void AddTask(int item, const std::string& caption, bool waitReply, bool isWrite,
                 const TBytes& frameText) override;
    void ShowMessage(const std::string& text) override;
    bool Confirm(const std::string&, const std::string&, const std::string&,
                 const std::string&) override {
        return false;
    }
    std::optional<std::string> InputBox(const std::string&, const std::string&,
                                        const std::string&) override {
        return std::nullopt;
    }
    void ShowWaitMessage(const std::string&) override {}
    void HideWaitMessage() override {}

private:
    int Prepare();
    bool AwaitRegistration();
    void Issue(const TCliCommand& command);
    // Serves the main thread until every task of the command has ended.
    void AwaitCompletion();
    void OnMessage(int msg, std::intptr_t wParam);
    void Finish(const TTaskResult& result);
    int ReplyLimitMs() const;

    TCliOptions Options_;
    std::ostream& Out_;
    std::ostream& Err_;
    THeadlessBridge Bridge_;
    TTaskTracker Tracker_;
    int StationNumber_ = 0;
    bool Registered_ = false;
    bool AnyFailed_ = false;
    bool SystemUp_ = false;
};
