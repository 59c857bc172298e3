#include "platform/MainThread.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <tuple>
#include <vector>

namespace {

constexpr int kLongWaitMs = 10000;

struct TPosted {
    int Msg;
    std::intptr_t W, L;
    std::thread::id Thread;
};

}  // namespace

TEST(HeadlessBridge, MessagesPostedFromAWorkerReachTheHandlerOnTheMainThreadInOrder) {
    THeadlessBridge bridge;
    std::vector<TPosted> seen;
    bridge.SetMessageHandler([&](int msg, std::intptr_t w, std::intptr_t l) {
        seen.push_back({msg, w, l, std::this_thread::get_id()});
    });
    std::thread worker([&] {
        for (int k = 0; k < 3; ++k) bridge.PostMessage(0x4D3, k, -k);
    });
    EXPECT_TRUE(bridge.RunUntil([&] { return seen.size() == 3; }, kLongWaitMs));
    worker.join();
    ASSERT_EQ(seen.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(std::tie(seen[k].Msg, seen[k].W, seen[k].L),
                  std::make_tuple(0x4D3, std::intptr_t{k}, std::intptr_t{-k}));
        EXPECT_EQ(seen[k].Thread, std::this_thread::get_id());
    }
}

TEST(HeadlessBridge, SynchronizeFromAWorkerRunsOnTheMainThreadAndPassesErrorsBack) {
    THeadlessBridge bridge;
    std::thread::id ranOn;
    bool caught = false;
    std::atomic<bool> workerDone{false};
    std::thread worker([&] {
        bridge.Synchronize([&] { ranOn = std::this_thread::get_id(); });
        try {
            bridge.Synchronize([] { throw std::runtime_error("boom"); });
        } catch (const std::runtime_error& e) {
            caught = std::string(e.what()) == "boom";
        }
        workerDone = true;
    });
    EXPECT_TRUE(bridge.RunUntil([&] { return workerDone.load(); }, kLongWaitMs));
    worker.join();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_TRUE(caught);
}

TEST(HeadlessBridge, SynchronizeOnTheMainThreadRunsAtOnce) {
    THeadlessBridge bridge;
    bool ran = false;
    bridge.Synchronize([&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_THROW(bridge.Synchronize([] { throw std::logic_error("x"); }), std::logic_error);
}

TEST(HeadlessBridge, AnAdoptingThreadBecomesTheMainThread) {
    THeadlessBridge bridge;
    std::thread([&] {
        bridge.AdoptCurrentThread();
        EXPECT_TRUE(bridge.IsMainThread());
    }).join();
    EXPECT_FALSE(bridge.IsMainThread());
}

TEST(HeadlessBridge, WatchedDescriptorCallsBackWhileReadableUntilStopped) {
    THeadlessBridge bridge;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    int calls = 0;
    std::string got;
    const int id = bridge.WatchReadable(fds[0], [&] {
        char c;
        if (::read(fds[0], &c, 1) == 1) got += c;
        ++calls;
    });
    std::thread writer([&] { ASSERT_EQ(::write(fds[1], "ab", 2), 2); });
    EXPECT_TRUE(bridge.RunUntil([&] { return got == "ab"; }, kLongWaitMs));
    writer.join();

    bridge.StopWatching(id);
    ASSERT_EQ(::write(fds[1], "c", 1), 1);
    const int before = calls;
    EXPECT_FALSE(bridge.RunUntil([] { return false; }, 20));
    EXPECT_EQ(calls, before);
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(HeadlessBridge, ACallbackMayStopItsOwnWatch) {
    THeadlessBridge bridge;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    int calls = 0, id = 0;
    id = bridge.WatchReadable(fds[0], [&] {
        ++calls;
        bridge.StopWatching(id);
    });
    bridge.ProcessMessages();
    bridge.ProcessMessages();
    EXPECT_EQ(calls, 1);
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(HeadlessBridge, DestroyingTheBridgeReleasesAWaitingCaller) {
    auto bridge = std::make_unique<THeadlessBridge>();
    std::atomic<bool> calling{false}, returned{false}, ran{false};
    std::thread worker([&] {
        THeadlessBridge& b = *bridge;
        calling = true;
        b.Synchronize([&] { ran = true; });
        returned = true;
    });
    while (!calling) std::this_thread::yield();
    // Give the worker the time to queue its call and block on it.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(returned);
    bridge.reset();
    worker.join();
    EXPECT_TRUE(returned);
    EXPECT_FALSE(ran);
}

TEST(MainThreadBridge, FreeFunctionsUseTheInstalledBridgeAndFallBackToTheHeadlessOne) {
    THeadlessBridge mine;
    std::vector<int> seen;
    mine.SetMessageHandler([&](int msg, std::intptr_t, std::intptr_t) { seen.push_back(msg); });
    SetMainThread(&mine);
    EXPECT_EQ(&MainThread(), &mine);
    PostMessage(7, 0, 0);
    ProcessMessages();
    EXPECT_EQ(seen, std::vector<int>{7});
    SetMainThread(nullptr);
    EXPECT_NE(&MainThread(), &mine);
    PostMessage(8, 0, 0);
    ProcessMessages();
    mine.ProcessMessages();
    EXPECT_EQ(seen, std::vector<int>{7});
}
