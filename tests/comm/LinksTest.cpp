// Starting and stopping the links as the main window does, over a pseudo-terminal cable.

#include "comm/Links.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <iostream>
#include <memory>
#include <thread>
#include <vector>

#include "app/Paths.h"
#include "app/Settings.h"
#include "app/SystemInit.h"
#include "comm/CommSlots.h"
#include "comm/ModeTiming.h"
#include "comm/ReaderThrd.h"
#include "comm/UdpServer.h"
#include "comm/WriterThrd.h"
#include "comm/uthrdSender.h"
#include "platform/MainThread.h"
#include "protocol/ByteUtils.h"
#include "support/ControllerFrames.h"
#include "support/PtyPair.h"
#include "support/RecordingCommView.h"
#include "support/RecordingDialogs.h"
#include "support/TempDir.h"

namespace {

const std::vector<std::string> kStopWaits = {"show 正在关闭 .. .", "hide"};

// Threads of this process, from the kernel's own list.
int ThreadCount() {
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/task")) {
        while (const dirent* entry = ::readdir(dir))
            if (entry->d_name[0] != '.') ++count;
        ::closedir(dir);
    }
    return count;
}

bool WaitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class Links : public ::testing::Test {
protected:
    void SetUp() override {
        SetMainThread(&Bridge_);
        ResetCommSlots();
        InitSystem();
        UseDirectModeTiming();
        Settings().PortName = Pty_.SlavePath();
        // A first thread makes the sanitizers start their own helper threads, if any.
        std::thread([] {}).join();
        ThreadsBefore_ = ThreadCount();
    }
    void TearDown() override {
        StopLinks();
        DoneSystem();
        ResetCommSlots();
        UseDirectModeTiming();
        SetMainThread(nullptr);
    }

    void ExpectEverythingStopped() {
        EXPECT_FALSE(ReaderRunning());
        EXPECT_FALSE(WriterRunning());
        EXPECT_EQ(Writer(), nullptr);
        EXPECT_EQ(Sender(), nullptr);
        EXPECT_FALSE(UdpServerActive());
        for (int slot = 1; slot <= kSlotCount; ++slot) EXPECT_FALSE(CommSlot(slot).IsOpen());
        EXPECT_EQ(ThreadCount(), ThreadsBefore_);
        EXPECT_EQ(Dialogs_.Waits, kStopWaits);
    }

    // StopLinks, with the time it took shown in the test log (the figure is reported, never
    // judged: machines differ).
    void StopAndReport(const std::string& state) {
        const auto start = std::chrono::steady_clock::now();
        StopLinks();
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
        std::cout << "[ stop time ] StopLinks, " << state << ": " << ms << " ms\n";
        RecordProperty("StopLinksMs", static_cast<int>(ms));
    }

    THeadlessBridge Bridge_;
    TempDir Folder_;
    TScopedProgramFolder Program_{Folder_.Path()};
    RecordingDialogs Dialogs_;
    RecordingCommView View_;
    PtyPair Pty_;
    int ThreadsBefore_ = 0;
};

TEST_F(Links, SerialLinkStartsTheThreadsAndStopsThemWhenIdle) {
    ASSERT_TRUE(StartLink());
    EXPECT_TRUE(CommSlot(1).IsOpen());
    EXPECT_TRUE(ReaderRunning());
    EXPECT_TRUE(WriterRunning());
    ASSERT_NE(Sender(), nullptr);
    EXPECT_TRUE(Sender()->Running());
    EXPECT_EQ(ThreadCount(), ThreadsBefore_ + 3);
    EXPECT_TRUE(Dialogs_.Messages.empty());
    EXPECT_TRUE(StartLink());  // a second start finds everything there
    EXPECT_EQ(ThreadCount(), ThreadsBefore_ + 3);

    StopAndReport("idle");
    ExpectEverythingStopped();
}

TEST_F(Links, StopEndsASuspendedWriter) {
    std::vector<std::unique_ptr<PtyPair>> others;
    for (int slot = 2; slot <= kSlotCount; ++slot) {
        others.push_back(std::make_unique<PtyPair>());
        ASSERT_TRUE(OpenCommPort(slot, others.back()->SlavePath(), 9600, 8, 0, 0));
    }
    ASSERT_TRUE(StartLink());
    ASSERT_TRUE(WaitFor([] { return Writer() && Writer()->Suspended(); }));

    StopAndReport("writer suspended");
    ExpectEverythingStopped();
}

TEST_F(Links, StopEndsTheThreadsWhileDataFlows) {
    ASSERT_TRUE(StartLink());
    // The controller talks without pause and reads whatever comes; the sender has commands
    // to send and replies to handle, so that it reports to the main thread as the stop waits.
    std::atomic<bool> talking{true};
    const TBytes reply = ScrambleFrom4th(
        testing_frames::ControllerReply(TBytes(1, '\x01'), 0x47, 161, "", 1, 1, "\x01"),
        0x01 ^ 0xC5);
    std::thread controller([&] {
        while (talking) {
            Pty_.Write(reply);
            Pty_.ReadAvailable();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    for (int i = 0; i < 50; ++i) QueueOutput(1, "output " + std::to_string(i), false);
    for (int i = 0; i < 5; ++i)
        Sender()->AddTask(161, "读取中心号", true, false, "frame " + std::to_string(i));
    ASSERT_TRUE(WaitFor([&] { return View_.Lines.size() >= 2; }));  // sending and receiving

    StopAndReport("data flowing");
    talking = false;
    controller.join();
    ExpectEverythingStopped();
}

TEST_F(Links, SerialLinkRefusesAMissingOrUnusablePort) {
    Settings().PortName = "";
    EXPECT_FALSE(StartLink());
    EXPECT_EQ(Dialogs_.Messages, std::vector<std::string>{"端口参数错误."});
    ExpectEverythingStopped();  // StopLinks ran: the wait message came and went

    Dialogs_.Messages.clear();
    Dialogs_.Waits.clear();
    Settings().PortName = Folder_ / "no-such-port";
    EXPECT_FALSE(StartLink());
    EXPECT_EQ(Dialogs_.Messages,
              std::vector<std::string>{"不能打开端口: " + Folder_ / "no-such-port" + "."});
    ExpectEverythingStopped();
}

TEST_F(Links, RemoteModeStartsTheUdpServerAndNoSerialThreads) {
    UseRemoteModeTiming();
    Settings().ServerPort = 0;
    ASSERT_TRUE(StartLink());
    EXPECT_TRUE(UdpServerActive());
    EXPECT_NE(Sender(), nullptr);
    EXPECT_FALSE(ReaderRunning());
    EXPECT_FALSE(WriterRunning());
    EXPECT_FALSE(CommSlot(1).IsOpen());

    StopAndReport("remote, idle");
    ExpectEverythingStopped();
}

}  // namespace
