// The serial road over real pseudo-terminals: the test plays the controller on the master end
// of each pair, the program's slots open the slave ends.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "app/Logs.h"
#include "app/Paths.h"
#include "comm/CommSlots.h"
#include "comm/ReaderThrd.h"
#include "comm/WriterThrd.h"
#include "platform/Clock.h"
#include "platform/Encoding.h"
#include "platform/SerialDevice.h"
#include "protocol/WireScrambling.h"
#include "support/ControllerFrames.h"
#include "support/PtyPair.h"
#include "support/TempDir.h"

namespace {

using testing_frames::ControllerReply;
using testing_frames::Hex;

constexpr std::uint8_t kAddress = 0x05;
constexpr std::uint8_t kKey = kAddress ^ 0xC5;

// A read reply of the controller at address 5, plain and as the wire carries it.
struct TReply {
    TBytes Plain;
    TBytes Wire;
};

TReply Reply(int item, const TBytes& data) {
    TReply reply;
    reply.Plain =
        ControllerReply(TBytes(1, static_cast<char>(kAddress)), 0x47, item, "", 1, 1, data);
    reply.Wire = ScrambleFrom4th(reply.Plain, kKey);
    EXPECT_EQ(UnscrambleReceived(reply.Wire), reply.Plain);
    return reply;
}

std::vector<TBytes> InputUnits(int slot) {
    TCommSlot& commSlot = CommSlot(slot);
    std::lock_guard lock(commSlot.InputLock);
    return {commSlot.InputLines.begin(), commSlot.InputLines.end()};
}

std::vector<TBytes> OutputItems(int slot) {
    TCommSlot& commSlot = CommSlot(slot);
    std::lock_guard lock(commSlot.OutputLock);
    return {commSlot.OutputItems.begin(), commSlot.OutputItems.end()};
}

// Polls `done` until it holds, running `step` between polls; false after 5 s of steady time.
bool WaitFor(const std::function<bool()>& done, const std::function<void()>& step = {}) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        if (step) step();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class SerialRoad : public ::testing::Test {
protected:
    void SetUp() override {
        ResetCommSlots();
        ASSERT_TRUE(OpenCommPort(1, Pty_.SlavePath(), 9600, 8, 0, 0));
    }
    void TearDown() override {
        StopReader();
        StopWriter();
        ResetCommSlots();
    }

    TempDir Folder_;
    TScopedProgramFolder Program_{Folder_.Path()};
    PtyPair Pty_;
};

// --- Port slots --------------------------------------------------------------------------

TEST_F(SerialRoad, OpeningAnOpenSlotKeepsItAndFailuresAreLogged) {
    const int handle = CommSlot(1).Handle;
    EXPECT_TRUE(OpenCommPort(1, "/dev/null-not-there", 1, 1, 1, 1));
    EXPECT_EQ(CommSlot(1).Handle, handle);

    EXPECT_FALSE(OpenCommPort(0, Pty_.SlavePath(), 9600, 8, 0, 0));
    EXPECT_FALSE(OpenCommPort(7, Pty_.SlavePath(), 9600, 8, 0, 0));

    // The device is in use by slot 1: slot 2 cannot have it, and the log names the slot.
    EXPECT_FALSE(OpenCommPort(2, Pty_.SlavePath(), 9600, 8, 0, 0));
    EXPECT_FALSE(CommSlot(2).IsOpen());
    const std::string log = GbkToUtf8(ReadWholeFile(ErrorLogFile(Now())));
    EXPECT_NE(log.find(" 系统 打开端口 COM2 失败\r\n"), std::string::npos) << log;

    CloseCommPort(1);
    EXPECT_FALSE(CommSlot(1).IsOpen());
    CloseCommPort(1);  // closed already, and slots out of range: ignored
    CloseCommPort(9);
    EXPECT_TRUE(OpenCommPort(2, Pty_.SlavePath(), 9600, 8, 0, 0));
}

TEST_F(SerialRoad, OutputListIsBoundedAndTakesUrgentItemsFirst) {
    for (int i = 0; i <= 300; ++i) QueueOutput(1, "item" + std::to_string(i), false);
    ASSERT_EQ(OutputItems(1).size(), 301u);
    QueueOutput(1, "late", false);
    std::vector<TBytes> items = OutputItems(1);
    ASSERT_EQ(items.size(), 301u);
    EXPECT_EQ(items.front(), "item1");  // the oldest went first
    EXPECT_EQ(items.back(), "late");

    QueueOutput(1, "urgent", true);
    items = OutputItems(1);
    EXPECT_EQ(items.size(), 301u);
    EXPECT_EQ(items.front(), "urgent");
    EXPECT_EQ(items[1], "item2");  // full: the oldest made room again

    QueueOutput(2, "nowhere", false);  // closed slot
    QueueOutput(0, "nowhere", false);
    EXPECT_TRUE(OutputItems(2).empty());
}

TEST_F(SerialRoad, InputListIsBoundedAndWaitsOnlyBrieflyForItsLock) {
    for (int i = 0; i <= 500; ++i) ASSERT_TRUE(DeliverInput(1, "unit" + std::to_string(i)));
    std::vector<TBytes> units = InputUnits(1);
    ASSERT_EQ(units.size(), 500u);
    EXPECT_EQ(units.front(), "unit1");
    EXPECT_EQ(units.back(), "unit500");

    std::thread holder;
    {
        std::unique_lock lock(CommSlot(2).InputLock);
        bool delivered = true;
        holder = std::thread([&] { delivered = DeliverInput(2, "x"); });
        holder.join();
        EXPECT_FALSE(delivered);
    }
    EXPECT_TRUE(InputUnits(2).empty());
    EXPECT_FALSE(DeliverInput(7, "x"));
}

// --- Reader: cutting the received bytes into units ----------------------------------------

// The clock stands still unless a test moves it: no silence passes while bytes are fed.
class FrameCutting : public SerialRoad {
protected:
    void SetUp() override {
        SerialRoad::SetUp();
        ASSERT_TRUE(StartReader());
    }

    // The controller sends; returns once the reader has taken the bytes off the port.
    void Feed(const TBytes& bytes) {
        Pty_.Write(bytes);
        ASSERT_TRUE(WaitFor([] { return UnreadBytes(CommSlot(1).Handle) == 0; }));
        // One reader cycle more, so that the next bytes come in a read of their own.
        std::this_thread::sleep_for(std::chrono::milliseconds(80));
    }

    // The units of slot 1 once `count` have arrived, with silence passing meanwhile.
    std::vector<TBytes> UnitsAfterSilence(size_t count) {
        EXPECT_TRUE(WaitFor([&] { return InputUnits(1).size() >= count; },
                            [&] { Clock_.Clock().AdvanceMilliSeconds(kSilenceMs + 1); }));
        return InputUnits(1);
    }

    TScopedManualClock Clock_{EncodeDateTime(2014, 4, 1, 20, 0, 0)};
};

TEST_F(FrameCutting, BackToBackFramesAreDeliveredSeparately) {
    const TReply first = Reply(161, Hex("01"));
    // A data byte that is 0xFA on the wire does not cut its frame.
    const TReply second = Reply(113, TBytes(1, static_cast<char>(0xFA ^ kKey)) + Hex("02 03"));
    ASSERT_NE(second.Wire.find('\xFA', 1), TBytes::npos);
    const TReply third = Reply(161, Hex("04"));

    Feed(first.Wire + second.Wire + third.Wire);
    // The first two were closed by the next frame's 0xFA, at once.
    ASSERT_TRUE(WaitFor([] { return InputUnits(1).size() >= 2; }));
    EXPECT_EQ(InputUnits(1), (std::vector<TBytes>{first.Plain, second.Plain}));
    // The last waits for the silence.
    EXPECT_EQ(UnitsAfterSilence(3), (std::vector<TBytes>{first.Plain, second.Plain, third.Plain}));
}

TEST_F(FrameCutting, BytesThatAreNoFrameGoTogetherAfterTheSilence) {
    Feed(Hex("FA 01 02 FA 03"));
    EXPECT_TRUE(InputUnits(1).empty());
    EXPECT_EQ(UnitsAfterSilence(1), std::vector<TBytes>{Hex("FA 01 02 FA 03")});
}

TEST_F(FrameCutting, FrameInSeveralPiecesIsOneUnit) {
    // Longer than one read, and sent in pieces besides.
    const TReply longReply = Reply(113, TBytes(60, '\x5A'));
    const TBytes& wire = longReply.Wire;
    Feed(wire.substr(0, 5));
    Feed(wire.substr(5, 30));
    Feed(wire.substr(35));
    const TReply next = Reply(161, Hex("01"));
    Feed(next.Wire);
    EXPECT_EQ(UnitsAfterSilence(2), (std::vector<TBytes>{longReply.Plain, next.Plain}));
}

TEST_F(FrameCutting, NoiseBeforeAPauseDoesNotSpoilTheFrameAfterIt) {
    const TBytes noise = Hex("00 13 FF 55 FA 00");
    Feed(noise);
    EXPECT_EQ(UnitsAfterSilence(1), std::vector<TBytes>{noise});
    const TReply reply = Reply(161, Hex("01"));
    Feed(reply.Wire);
    EXPECT_EQ(UnitsAfterSilence(2), (std::vector<TBytes>{noise, reply.Plain}));
}

TEST_F(FrameCutting, ClockSetBackCountsAsSilence) {
    const TReply reply = Reply(161, Hex("01"));
    Feed(reply.Wire);
    EXPECT_TRUE(InputUnits(1).empty());  // the clock stands still: no silence yet
    EXPECT_TRUE(WaitFor([] { return !InputUnits(1).empty(); },
                        [&] { Clock_.Clock().AdvanceMilliSeconds(-60 * 60 * 1000); }));
    EXPECT_EQ(InputUnits(1), std::vector<TBytes>{reply.Plain});
}

TEST_F(FrameCutting, BusyInputListKeepsTheBytesForLater) {
    const TReply reply = Reply(161, Hex("01"));
    {
        std::unique_lock lock(CommSlot(1).InputLock);
        Feed(reply.Wire);
        // Silence while the sender holds the list: the reader's deliveries time out.
        for (int i = 0; i < 4; ++i) {
            Clock_.Clock().AdvanceMilliSeconds(kSilenceMs + 1);
            std::this_thread::sleep_for(std::chrono::milliseconds(80));
        }
    }
    EXPECT_EQ(UnitsAfterSilence(1), std::vector<TBytes>{reply.Plain});
}

TEST_F(FrameCutting, OtherEndGoneLeavesTheReaderServing) {
    const TBytes cutOff = Reply(161, Hex("01")).Wire.substr(0, 4);
    Feed(cutOff);
    Pty_.CloseMaster();
    // Several passes over the hung-up port.
    for (int i = 0; i < 3; ++i) {
        Clock_.Clock().AdvanceMilliSeconds(kSilenceMs + 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(80));
    }
    EXPECT_TRUE(ReaderRunning());
    EXPECT_TRUE(CommSlot(1).IsOpen());

    // The cable is plugged in again: the port is reopened on the new device.
    CloseCommPort(1);
    PtyPair again;
    ASSERT_TRUE(OpenCommPort(1, again.SlavePath(), 9600, 8, 0, 0));
    const TReply reply = Reply(161, Hex("07"));
    again.Write(reply.Wire);
    EXPECT_EQ(UnitsAfterSilence(2), (std::vector<TBytes>{cutOff, reply.Plain}));
}

// --- Writer ------------------------------------------------------------------------------

TEST_F(SerialRoad, WriterWritesItemsInOrder) {
    TBytes big;  // longer than the writer's buffer: goes out in pieces
    for (int i = 0; i < 5000; ++i) big.push_back(static_cast<char>(i * 7));
    QueueOutput(1, big, false);
    QueueOutput(1, "", false);  // empty items are dropped
    QueueOutput(1, Hex("FA 00 05 47"), false);
    QueueOutput(1, "third", false);
    const TDateTime before = Now();
    ASSERT_TRUE(StartWriter());
    EXPECT_FALSE(CommSlot(1).WriteDone);

    const TBytes expected = big + Hex("FA 00 05 47") + "third";
    EXPECT_EQ(Pty_.ReadAtLeast(expected.size(), 8000), expected);
    EXPECT_TRUE(WaitFor([] { return OutputItems(1).empty(); }));
    EXPECT_TRUE(CommSlot(1).WriteDone);
    EXPECT_GE(CommSlot(1).LastWritten.load(), before);
}

TEST_F(SerialRoad, PartialWriteQueuesTheRestFirst) {
    // Fill the way to the controller until the device takes nothing more.
    const int port = CommSlot(1).Handle;
    const TBytes filler(1000, 'f');
    size_t filled = 0;
    for (ssize_t n = WriteSerial(port, filler.data(), filler.size()); n > 0;
         n = WriteSerial(port, filler.data(), filler.size()))
        filled += static_cast<size_t>(n);

    TBytes item(kWriteBufferSize, '\0');
    for (size_t i = 0; i < item.size(); ++i) item[i] = static_cast<char>('a' + i % 26);
    QueueOutput(1, item, false);
    QueueOutput(1, "next", false);
    ASSERT_TRUE(StartWriter());
    // The controller reads slowly, a little at a time, until the writer got something out:
    // the device had room for part of the item only.
    TBytes arrived;
    ASSERT_TRUE(WaitFor([&] {
        if (CommSlot(1).WriteDone) return true;
        char buffer[100];
        const ssize_t n = ::read(Pty_.MasterFd(), buffer, sizeof buffer);
        if (n > 0) arrived.append(buffer, static_cast<size_t>(n));
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        return false;
    }));

    // The device is full again: the rest waits first, ahead of the next item.
    const std::vector<TBytes> waiting = OutputItems(1);
    ASSERT_EQ(waiting.size(), 2u);
    EXPECT_GT(waiting[0].size(), 0u);
    EXPECT_LT(waiting[0].size(), item.size());
    EXPECT_EQ(waiting[0], item.substr(item.size() - waiting[0].size()));
    EXPECT_EQ(waiting[1], "next");

    // The controller reads on: every byte arrives once, in order.
    const TBytes expected = TBytes(filled, 'f') + item + "next";
    arrived += Pty_.ReadAtLeast(expected.size() - arrived.size(), 8000);
    EXPECT_EQ(arrived, expected);
}

TEST_F(SerialRoad, WriterSleepsWhileEveryPortIsIdleAndWakesForOutput) {
    // Closed slots are no idle visits: the writer sleeps only when all six are open and idle.
    std::vector<std::unique_ptr<PtyPair>> others;
    for (int slot = 2; slot <= kSlotCount; ++slot) {
        others.push_back(std::make_unique<PtyPair>());
        ASSERT_TRUE(OpenCommPort(slot, others.back()->SlavePath(), 9600, 8, 0, 0));
    }
    ASSERT_TRUE(StartWriter());
    ASSERT_TRUE(WaitFor([] { return Writer()->Suspended(); }));

    QueueOutput(4, "wake", false);
    EXPECT_EQ(others[2]->ReadAtLeast(4), "wake");
    EXPECT_TRUE(WaitFor([] { return Writer()->Suspended(); }));  // and back to sleep

    StopWriter();
    EXPECT_FALSE(WriterRunning());
    EXPECT_EQ(Writer(), nullptr);
}

}  // namespace
