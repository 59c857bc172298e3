#pragma once
// Follows the commands the client has posted through the sender: which one is on its way,
// and how it ended, told from the sender's status lines and the data-item messages, the
// same signs the main window goes by.

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"

struct TPostedTask {
    int Item = 0;
    std::string Caption;
    bool IsWrite = false;
};

struct TTaskResult {
    enum class TOutcome { Accepted, Refused, NoReply, NotSent };
    TPostedTask Task;
    TOutcome Outcome = TOutcome::Accepted;
    std::string StatusLine;  // the line that ended the task; empty for a data-item message

    bool Accepted() const { return Outcome == TOutcome::Accepted; }
};

inline constexpr const char* kNoReplyLine = "未收到回应.";
inline constexpr const char* kBadReplyLine = "收到错误的回应.";

class TTaskTracker {
public:
    // Any thread: a task handed to the sender (the reply parser may post one itself).
    void Posted(const TPostedTask& task);
    // Main thread, in the order the sender reported them.
    std::optional<TTaskResult> StatusLine(const std::string& line, TDateTime now);
    std::optional<TTaskResult> DataItem(int item);
    // Tasks on their way for longer than `timeoutMs` end without a reply: over GPRS the sender
    // awaits no reply, so nobody else tells.
    std::vector<TTaskResult> Expire(TDateTime now, int timeoutMs);
    // Every task still open ends without a reply.
    std::vector<TTaskResult> Abandon();
    // Nothing queued and nothing on its way.
    bool Idle() const;

private:
    struct TInFlight {
        TPostedTask Task;
        TDateTime SentAt;
    };
    // Ends the oldest task on its way (that `fits`), or none.
    template <class TFits>
    std::optional<TTaskResult> End(TFits fits, TTaskResult::TOutcome outcome,
                                   const std::string& line);
    bool Sent(const std::string& line, TDateTime now);

    mutable std::mutex Lock_;
    std::deque<TPostedTask> Queued_;
    std::deque<TInFlight> OnTheWay_;
};
