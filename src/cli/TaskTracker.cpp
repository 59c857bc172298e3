#include "cli/TaskTracker.h"

#include "protocol/Catalogue.h"

namespace {

bool StartsWith(const std::string& text, const std::string& head) {
    return text.rfind(head, 0) == 0;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// "写入" + controller + "的" + item name + "数据成功."
bool IsWriteAcknowledgement(const std::string& line, int item) {
    return StartsWith(line, "写入") && EndsWith(line, "的" + CatalogueName(item) + "数据成功.");
}

bool IsSendFailure(const std::string& line) {
    return EndsWith(line, "发送命令失败.") || StartsWith(line, "发送GPRS数据失败");
}

}  // namespace

void TTaskTracker::Posted(const TPostedTask& task) {
    std::lock_guard lock(Lock_);
    Queued_.push_back(task);
}

bool TTaskTracker::Sent(const std::string& line, TDateTime now) {
    for (auto it = Queued_.begin(); it != Queued_.end(); ++it) {
        if (it->Caption + ".." != line) continue;
        OnTheWay_.push_back({*it, now});
        Queued_.erase(it);
        return true;
    }
    return false;
}

template <class TFits>
std::optional<TTaskResult> TTaskTracker::End(TFits fits, TTaskResult::TOutcome outcome,
                                             const std::string& line) {
    for (auto it = OnTheWay_.begin(); it != OnTheWay_.end(); ++it) {
        if (!fits(it->Task)) continue;
        TTaskResult result{it->Task, outcome, line};
        OnTheWay_.erase(it);
        return result;
    }
    return std::nullopt;
}

std::optional<TTaskResult> TTaskTracker::StatusLine(const std::string& line, TDateTime now) {
    using TOutcome = TTaskResult::TOutcome;
    std::lock_guard lock(Lock_);
    if (Sent(line, now)) return std::nullopt;
    const auto any = [](const TPostedTask&) { return true; };
    if (line == kNoReplyLine) return End(any, TOutcome::NoReply, line);
    if (line == kBadReplyLine) return End(any, TOutcome::Refused, line);
    if (IsSendFailure(line)) return End(any, TOutcome::NotSent, line);
    return End(
        [&](const TPostedTask& t) { return t.IsWrite && IsWriteAcknowledgement(line, t.Item); },
        TOutcome::Accepted, line);
}

std::optional<TTaskResult> TTaskTracker::DataItem(int item) {
    std::lock_guard lock(Lock_);
    return End([item](const TPostedTask& t) { return !t.IsWrite && t.Item == item; },
               TTaskResult::TOutcome::Accepted, "");
}

std::vector<TTaskResult> TTaskTracker::Expire(TDateTime now, int timeoutMs) {
    std::lock_guard lock(Lock_);
    std::vector<TTaskResult> expired;
    while (!OnTheWay_.empty() && MilliSecondsFrom(now, OnTheWay_.front().SentAt) > timeoutMs) {
        expired.push_back({OnTheWay_.front().Task, TTaskResult::TOutcome::NoReply, kNoReplyLine});
        OnTheWay_.pop_front();
    }
    return expired;
}

std::vector<TTaskResult> TTaskTracker::Abandon() {
    std::lock_guard lock(Lock_);
    std::vector<TTaskResult> open;
    for (const TInFlight& task : OnTheWay_)
        open.push_back({task.Task, TTaskResult::TOutcome::NoReply, kNoReplyLine});
    for (const TPostedTask& task : Queued_)
        open.push_back({task, TTaskResult::TOutcome::NotSent, ""});
    OnTheWay_.clear();
    Queued_.clear();
    return open;
}

bool TTaskTracker::Idle() const {
    std::lock_guard lock(Lock_);
    return Queued_.empty() && OnTheWay_.empty();
}
