#include "sim/SimController.h"

#include <algorithm>
#include <chrono>

TSimController::TSimController(TItemHandler& handler, TFaultInjector& faults, TFrameLog& log,
                               TSteadyMs steadyMs)
    : Handler_(handler), Faults_(faults), Log_(log), SteadyMs_(std::move(steadyMs)) {}

std::int64_t TSimController::SystemSteadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void TSimController::Receive(const TBytes& frame) {
    Log_.Received(frame);
    const std::vector<TBytes> replies = Handler_.Handle(frame);
    if (replies.empty()) return;
    std::vector<TBytes> frames = Faults_.ApplyFrameFaults(replies);
    if (frames.size() < replies.size())
        Log_.Note("dropped " + std::to_string(replies.size() - frames.size()) + " reply frame(s)");
    if (frames.empty()) return;
    Pending_.push_back({SteadyMs_() + Faults_.Options().DelayMs, std::move(frames)});
}

std::vector<std::vector<TBytes>> TSimController::TakeDue() {
    std::vector<std::vector<TBytes>> due;
    const std::int64_t now = SteadyMs_();
    while (!Pending_.empty() && Pending_.front().DueMs <= now) {
        due.push_back(std::move(Pending_.front().Frames));
        Pending_.pop_front();
    }
    return due;
}

int TSimController::MsUntilNext(int idle) const {
    if (Pending_.empty()) return idle;
    const std::int64_t wait = Pending_.front().DueMs - SteadyMs_();
    return static_cast<int>(std::clamp<std::int64_t>(wait, 0, idle));
}
