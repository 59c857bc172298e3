// One read over the cable from the session to the parsed record: the test is the controller
// on the master end of a pseudo-terminal; everything between is the program's own road.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/Paths.h"
#include "app/Settings.h"
#include "app/SystemInit.h"
#include "comm/CommSlots.h"
#include "comm/Links.h"
#include "comm/ModeTiming.h"
#include "comm/WindowMessages.h"
#include "platform/MainThread.h"
#include "protocol/CurrentData.h"
#include "protocol/Rtu6Class.h"
#include "protocol/Rtu6Parameters.h"
#include "support/ControllerFrames.h"
#include "support/PtyPair.h"
#include "support/RecordingCommView.h"
#include "support/RecordingDialogs.h"
#include "support/TempDir.h"

namespace {

constexpr int kCenterAddress = 161;
constexpr int kRtuAddress = 1;  // of the store's first station
constexpr std::uint8_t kKey = kRtuAddress ^ 0xC5;

class SerialEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        SetMainThread(&Bridge_);
        Bridge_.SetMessageHandler([this](int msg, std::intptr_t w, std::intptr_t) {
            if (msg == WM_DATA_ITEM) DataItems_.push_back(static_cast<int>(w));
        });
        ResetCommSlots();
        InitSystem();
        UseDirectModeTiming();
        Settings().PortName = Pty_.SlavePath();
        ASSERT_TRUE(StartLink());
    }
    void TearDown() override {
        StopLinks();
        DoneSystem();
        ResetCommSlots();
        Bridge_.SetMessageHandler(nullptr);
        SetMainThread(nullptr);
    }

    // Serves the main thread (status lines, posted messages) until `done`; false after 10 s.
    bool Serve(const std::function<bool()>& done) {
        for (int waited = 0; waited < 10000; waited += 10)
            if (Bridge_.RunUntil(done, 10)) return true;
        return done();
    }

    THeadlessBridge Bridge_;
    TempDir Folder_;
    TScopedProgramFolder Program_{Folder_.Path()};
    RecordingDialogs Dialogs_;
    RecordingCommView View_;
    PtyPair Pty_;
    std::vector<int> DataItems_;
};

TEST_F(SerialEndToEnd, ReadOfTheCentreAddressComesBackIntoTheParameters) {
    ASSERT_NE(CurrentRtu(), nullptr);
    ASSERT_EQ(CurrentRtu()->Address, kRtuAddress);
    CurrentParameters().CenterAddress = 0;
    const TBytes request = CurrentRtu()->BuildReadFrame(kCenterAddress, {});
    ASSERT_GT(request.size(), 5u);

    CurrentRtu()->ReadItemNow(kCenterAddress);

    // On the cable: the read frame, scrambled from the 4th byte with the controller's key.
    const TBytes onWire = ScrambleFrom4th(request, kKey);
    TBytes received;
    ASSERT_TRUE(Serve([&] {
        received += Pty_.ReadAvailable();
        return received.size() >= onWire.size();
    }));
    EXPECT_EQ(testing_frames::HexOf(received), testing_frames::HexOf(onWire));
    EXPECT_EQ(received.substr(0, 3), TBytes("\xFA\x00\x01", 3));

    // The controller answers in three pieces.
    const TBytes reply =
        ScrambleFrom4th(testing_frames::ControllerReply(TBytes(1, static_cast<char>(kRtuAddress)),
                                                        0x47, kCenterAddress, "", 1, 1, "\x07"),
                        kKey);
    for (size_t at = 0; at < reply.size(); at += 4) {
        Pty_.Write(reply.substr(at, 4));
        Bridge_.RunUntil([] { return false; }, 30);
    }

    ASSERT_TRUE(Serve([&] { return !DataItems_.empty() && View_.Lines.size() >= 2; }));
    EXPECT_EQ(DataItems_, std::vector<int>{kCenterAddress});
    EXPECT_EQ(CurrentParameters().CenterAddress, 7);
    EXPECT_EQ(View_.Lines, (std::vector<std::string>{"读取测试站点的控制端地址码...",
                                                     "从测试站点收到了正确的控制端地址码数据."}));
    EXPECT_TRUE(Pty_.ReadAvailable().empty());  // nothing else was sent
}

}  // namespace
