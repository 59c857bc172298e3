#pragma once
// The main-thread bridge: how background threads reach the main thread. Window messages are
// posted to it, calls are run on it while the caller waits, and the main thread watches file
// descriptors (the UDP socket) for readiness. The window layer installs its own bridge; the
// headless one below serves the tests and the command-line programs.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

class TMainThreadBridge {
public:
    using TMessageHandler =
        std::function<void(int msg, std::intptr_t wParam, std::intptr_t lParam)>;

    virtual ~TMainThreadBridge() = default;
    // Asynchronous: the message reaches the main thread's handler later.
    virtual void PostMessage(int msg, std::intptr_t wParam, std::intptr_t lParam) = 0;
    // Runs `call` on the main thread and returns when it has run; on the main thread itself it
    // runs at once. An exception of the call is passed back to the caller.
    virtual void Synchronize(const std::function<void()>& call) = 0;
    // Main thread: handles what is waiting (posted messages, calls, ready descriptors) and
    // returns. Used by the stop operations while they wait for a thread to end.
    virtual void ProcessMessages() = 0;
    // Main thread: `callback` runs on the main thread whenever `fd` is readable, until
    // StopWatching with the returned id.
    virtual int WatchReadable(int fd, std::function<void()> callback) = 0;
    virtual void StopWatching(int id) = 0;
};

// The bridge in force: the headless one until another is installed.
TMainThreadBridge& MainThread();
// nullptr restores the headless bridge. The caller keeps the object alive.
void SetMainThread(TMainThreadBridge* bridge);

void PostMessage(int msg, std::intptr_t wParam, std::intptr_t lParam);
void Synchronize(const std::function<void()>& call);
void ProcessMessages();
int WatchReadable(int fd, std::function<void()> callback);
void StopWatching(int id);

// A queue run by whichever thread calls ProcessMessages or RunUntil: that thread is the main
// thread (the one that created the bridge until another calls AdoptCurrentThread).
class THeadlessBridge : public TMainThreadBridge {
public:
    THeadlessBridge();
    ~THeadlessBridge() override;

    void PostMessage(int msg, std::intptr_t wParam, std::intptr_t lParam) override;
    void Synchronize(const std::function<void()>& call) override;
    void ProcessMessages() override;
    int WatchReadable(int fd, std::function<void()> callback) override;
    void StopWatching(int id) override;

    // Posted messages go to this handler (none: they are dropped).
    void SetMessageHandler(TMessageHandler handler);
    // Makes the calling thread the main thread.
    void AdoptCurrentThread();
    bool IsMainThread() const;
    // Handles work as it comes, sleeping in poll() between, until `done` answers true (checked
    // after every piece of work) or `timeoutMs` of steady time have passed. True when done.
    bool RunUntil(const std::function<bool()>& done, int timeoutMs);

private:
    struct TCall;
    // Handles what is queued now and what the watched descriptors have ready within
    // `waitMs`; returns whether anything was handled.
    bool HandlePending(int waitMs);
    bool RunQueued();
    // False (nothing queued) once the bridge is being destroyed.
    bool Enqueue(const std::shared_ptr<TCall>& call);
    void Wake();

    mutable std::mutex Lock_;
    std::deque<std::shared_ptr<TCall>> Queue_;
    std::map<int, std::pair<int, std::function<void()>>> Watches_;
    int NextWatch_ = 1;
    bool Closing_ = false;
    TMessageHandler Handler_;
    std::thread::id MainId_;
    int WakeFds_[2] = {-1, -1};
};
