#include "platform/MainThread.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

namespace {
constexpr int kMaxSleepMs = 10;
}  // namespace

// One piece of queued work. A posted message has nobody waiting; a synchronous call has its
// caller blocked on `Cv` until `Finished`.
struct THeadlessBridge::TCall {
    std::function<void()> Run;
    bool Waited = false;
    std::mutex M;
    std::condition_variable Cv;
    bool Finished = false;
    std::exception_ptr Error;

    void Finish(std::exception_ptr error) {
        std::lock_guard<std::mutex> guard(M);
        Error = std::move(error);
        Finished = true;
        Cv.notify_all();
    }
};

THeadlessBridge::THeadlessBridge() : MainId_(std::this_thread::get_id()) {
    if (::pipe2(WakeFds_, O_NONBLOCK | O_CLOEXEC) != 0) {
        throw std::system_error(errno, std::generic_category(), "main-thread wake pipe");
    }
}

THeadlessBridge::~THeadlessBridge() {
    std::deque<std::shared_ptr<TCall>> left;
    {
        std::lock_guard<std::mutex> guard(Lock_);
        Closing_ = true;
        left.swap(Queue_);
    }
    // Callers still waiting are let go; their calls never run.
    for (const auto& call : left) {
        if (call->Waited) call->Finish(nullptr);
    }
    ::close(WakeFds_[0]);
    ::close(WakeFds_[1]);
}

void THeadlessBridge::Wake() {
    const char byte = 1;
    // A full pipe already wakes the main thread: nothing to do then.
    [[maybe_unused]] const ssize_t n = ::write(WakeFds_[1], &byte, 1);
}

bool THeadlessBridge::Enqueue(const std::shared_ptr<TCall>& call) {
    {
        std::lock_guard<std::mutex> guard(Lock_);
        if (Closing_) return false;
        Queue_.push_back(call);
    }
    Wake();
    return true;
}

void THeadlessBridge::PostMessage(int msg, std::intptr_t wParam, std::intptr_t lParam) {
    auto call = std::make_shared<TCall>();
    call->Run = [this, msg, wParam, lParam] {
        TMessageHandler handler;
        {
            std::lock_guard<std::mutex> guard(Lock_);
            handler = Handler_;
        }
        if (handler) handler(msg, wParam, lParam);
    };
    Enqueue(call);
}

void THeadlessBridge::Synchronize(const std::function<void()>& call) {
    if (IsMainThread()) {
        call();
        return;
    }
    auto work = std::make_shared<TCall>();
    work->Run = call;
    work->Waited = true;
    if (!Enqueue(work)) return;
    std::exception_ptr error;
    {
        std::unique_lock<std::mutex> lock(work->M);
        work->Cv.wait(lock, [&] { return work->Finished; });
        // Moved out: the exception's reference count is then only touched on this thread.
        error = std::move(work->Error);
    }
    if (error) std::rethrow_exception(error);
}

void THeadlessBridge::ProcessMessages() {
    HandlePending(0);
}

int THeadlessBridge::WatchReadable(int fd, std::function<void()> callback) {
    int id;
    {
        std::lock_guard<std::mutex> guard(Lock_);
        id = NextWatch_++;
        Watches_[id] = {fd, std::move(callback)};
    }
    Wake();
    return id;
}

void THeadlessBridge::StopWatching(int id) {
    std::lock_guard<std::mutex> guard(Lock_);
    Watches_.erase(id);
}

void THeadlessBridge::SetMessageHandler(TMessageHandler handler) {
    std::lock_guard<std::mutex> guard(Lock_);
    Handler_ = std::move(handler);
}

void THeadlessBridge::AdoptCurrentThread() {
    std::lock_guard<std::mutex> guard(Lock_);
    MainId_ = std::this_thread::get_id();
}

bool THeadlessBridge::IsMainThread() const {
    std::lock_guard<std::mutex> guard(Lock_);
    return MainId_ == std::this_thread::get_id();
}

bool THeadlessBridge::RunUntil(const std::function<bool()>& done, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        // Short sleeps: `done` may turn true through another thread without any work for us.
        HandlePending(std::min<int>(static_cast<int>(left.count()) + 1, kMaxSleepMs));
    }
    return true;
}

bool THeadlessBridge::RunQueued() {
    size_t count;
    {
        std::lock_guard<std::mutex> guard(Lock_);
        count = Queue_.size();
    }
    // Only what was queued on entry: work that queues more work cannot keep us here.
    for (size_t k = 0; k < count; ++k) {
        std::shared_ptr<TCall> call;
        {
            std::lock_guard<std::mutex> guard(Lock_);
            if (Queue_.empty()) break;
            call = std::move(Queue_.front());
            Queue_.pop_front();
        }
        if (!call->Waited) {
            call->Run();
            continue;
        }
        std::exception_ptr error;
        try {
            call->Run();
        } catch (...) {
            error = std::current_exception();
        }
        call->Finish(std::move(error));
    }
    return count > 0;
}

bool THeadlessBridge::HandlePending(int waitMs) {
    std::vector<pollfd> fds{{WakeFds_[0], POLLIN, 0}};
    std::vector<int> ids;
    {
        std::lock_guard<std::mutex> guard(Lock_);
        if (!Queue_.empty()) waitMs = 0;
        for (const auto& [id, watch] : Watches_) {
            fds.push_back({watch.first, POLLIN, 0});
            ids.push_back(id);
        }
    }
    const int ready = ::poll(fds.data(), fds.size(), waitMs);
    if (ready > 0 && (fds[0].revents & POLLIN)) {
        char sink[256];
        while (::read(WakeFds_[0], sink, sizeof sink) > 0) {
        }
    }
    bool handled = RunQueued();
    if (ready <= 0) return handled;
    for (size_t k = 1; k < fds.size(); ++k) {
        if (!(fds[k].revents & (POLLIN | POLLERR | POLLHUP))) continue;
        std::function<void()> callback;
        {
            // An earlier callback may have stopped this watch.
            std::lock_guard<std::mutex> guard(Lock_);
            const auto it = Watches_.find(ids[k - 1]);
            if (it == Watches_.end()) continue;
            callback = it->second.second;
        }
        callback();
        handled = true;
    }
    return handled;
}

namespace {

std::atomic<TMainThreadBridge*> gInstalled{nullptr};

THeadlessBridge& DefaultBridge() {
    static THeadlessBridge bridge;
    return bridge;
}

// Made during static start-up so that the program's first thread is its main thread, even
// when a worker is the first to ask for the bridge.
[[maybe_unused]] const bool gDefaultMade = (DefaultBridge(), true);

}  // namespace

TMainThreadBridge& MainThread() {
    TMainThreadBridge* bridge = gInstalled.load();
    return bridge ? *bridge : DefaultBridge();
}

void SetMainThread(TMainThreadBridge* bridge) {
    gInstalled = bridge;
}

void PostMessage(int msg, std::intptr_t wParam, std::intptr_t lParam) {
    MainThread().PostMessage(msg, wParam, lParam);
}

void Synchronize(const std::function<void()>& call) {
    MainThread().Synchronize(call);
}

void ProcessMessages() {
    MainThread().ProcessMessages();
}

int WatchReadable(int fd, std::function<void()> callback) {
    return MainThread().WatchReadable(fd, std::move(callback));
}

void StopWatching(int id) {
    MainThread().StopWatching(id);
}
