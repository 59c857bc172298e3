// The GPRS road as a whole over 127.0.0.1: terminals that test the path and register, a
// command that leaves through the sender thread and the server, the terminal's answer parsed
// back into the current records, and a reply from another cabinet.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/Paths.h"
#include "app/SystemInit.h"
#include "comm/CommSlots.h"
#include "comm/ModeTiming.h"
#include "comm/UdpServer.h"
#include "comm/WindowMessages.h"
#include "comm/uthrdSender.h"
#include "platform/MainThread.h"
#include "protocol/CurrentData.h"
#include "protocol/Rtu6Class.h"
#include "protocol/Rtu6Parameters.h"
#include "stations/Station6Class.h"
#include "stations/udiTest.h"
#include "support/ControllerFrames.h"
#include "support/RecordingCommView.h"
#include "support/TempDir.h"
#include "support/UdpTerminal.h"

using namespace testing_frames;
using namespace testing_udp;

namespace {

constexpr int kWaitMs = 20000;  // steady-time guard, never reached when all is well
constexpr int kRead = 0x47;
constexpr int kCenterAddress = 161;
constexpr const char* kOwnId = "13800000001";
constexpr const char* kOtherId = "13800000002";

struct TPosted {
    int Msg;
    std::intptr_t WParam, LParam;
    bool operator==(const TPosted&) const = default;
};

TBytes CenterAddressReply(int address, std::uint8_t value) {
    return ControllerReply(TBytes(1, static_cast<char>(address)), kRead, kCenterAddress,
                           BcdStamp(2024, 5, 6, 7, 8, 9), 1, 1,
                           TBytes(1, static_cast<char>(value)));
}

class GprsEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        WriteWholeFile(SettingsFile(), "[System]\r\nServerPort=0\r\n");
        SetMainThread(&Bridge);
        Bridge.SetMessageHandler([this](int msg, std::intptr_t w, std::intptr_t l) {
            Posted.push_back({msg, w, l});
        });
        InitSystem();
        ResetCommSlots();
        RemoteMode = true;
        UseRemoteModeTiming();
        SendGap = 0;  // the quiet time between commands is the sender's business, not ours
        Own = LocalStore()->AddStation("一号柜", kLinkGprs, 1, kOwnId, 1);
        Other = LocalStore()->AddStation("二号柜", kLinkGprs, 1, kOtherId, 9);
        ASSERT_GT(Own, 0);
        ASSERT_GT(Other, 0);
        ASSERT_TRUE(StartUdpLink());
        ASSERT_NE(Sender(), nullptr);
    }
    void TearDown() override {
        StopSender();
        StopUdpServer();
        SetMainThread(nullptr);
        DoneSystem();
        RemoteMode = false;
        UseDirectModeTiming();
    }

    // Runs the main thread until the terminal has received `count` datagrams.
    std::vector<TBytes> Await(UdpTerminal& terminal, size_t count) {
        std::vector<TBytes> got;
        Bridge.RunUntil(
            [&] {
                TBytes bytes;
                while (terminal.Receive(bytes, 0)) got.push_back(bytes);
                return got.size() >= count;
            },
            kWaitMs);
        return got;
    }
    bool HasLine(const std::string& line) const {
        return std::find(View.Lines.begin(), View.Lines.end(), line) != View.Lines.end();
    }
    bool HasPosted(const TPosted& p) const {
        return std::find(Posted.begin(), Posted.end(), p) != Posted.end();
    }
    void Register(UdpTerminal& terminal, const std::string& id) {
        ASSERT_TRUE(terminal.SendTo(UdpServerPort(), Registration(id)));
        EXPECT_EQ(Await(terminal, 2), std::vector<TBytes>(2, RegistrationReply(id)));
    }
    // What the window does when the user selects the registered station.
    void SelectOwnStation(int port) {
        TStation6Test& station = *CurrentStation();
        station.SetStationId(Own);
        station.SetName("一号柜");
        station.SetLinkKind(kLinkGprs);
        station.SetDeviceId(kOwnId);
        station.SetIpAddress(kLoopback);
        station.SetIpPort(port);
    }

    TempDir Dir;
    TScopedProgramFolder Folder{Dir.Path()};
    RecordingCommView View;
    THeadlessBridge Bridge;
    std::vector<TPosted> Posted;
    int Own = 0, Other = 0;
};

TEST_F(GprsEndToEnd, TestRegisterCommandReplyAndAReplyFromAnotherCabinet) {
    UdpTerminal terminal;
    ASSERT_TRUE(terminal.SendTo(UdpServerPort(), "GPRS Test..."));
    EXPECT_EQ(Await(terminal, 1), std::vector<TBytes>{"GPRS Ok."});

    Register(terminal, kOwnId);
    TStoredStation stored;
    ASSERT_TRUE(LocalStore()->ReadStation(Own, stored));
    EXPECT_EQ(stored.IpAddress, kLoopback);
    EXPECT_EQ(stored.IpPort, terminal.Port());
    EXPECT_TRUE(HasLine("控制点一号柜注册成功."));
    EXPECT_EQ(View.Registered, std::vector<int>{Own});

    // The command arrives in the data envelope, scrambled with the controller's key.
    SelectOwnStation(terminal.Port());
    CurrentRtu()->ReadItemNow(kCenterAddress);
    const std::vector<TBytes> command = Await(terminal, 1);
    ASSERT_EQ(command.size(), 1u);
    const TBytes header = TBytes("\x7B\x89\x00\x10", 4) + kOwnId + "\x7B";
    ASSERT_EQ(command[0].substr(0, header.size()), header);
    const TBytes frame = XorFrom4th(command[0].substr(header.size()), 0x01 ^ 0xC5);
    EXPECT_EQ(TRtu6::ReplyItem(frame), kCenterAddress);
    EXPECT_EQ(TRtu6::ReplyKind(frame), kRead);
    EXPECT_TRUE(TRtu6::CheckCrc(frame));
    EXPECT_TRUE(Bridge.RunUntil([&] { return HasPosted({WM_STATION_MARK, Own, 0}); }, kWaitMs));

    ASSERT_TRUE(terminal.SendTo(UdpServerPort(),
                                DataEnvelope(kOwnId, OnTheWire(CenterAddressReply(1, 7)))));
    EXPECT_TRUE(Bridge.RunUntil([&] { return HasPosted({WM_STATION_MARK, Own, 1}); }, kWaitMs));
    EXPECT_TRUE(HasPosted({WM_DATA_ITEM, kCenterAddress, 0}));
    EXPECT_EQ(CurrentParameters().CenterAddress, 7);
    EXPECT_TRUE(
        Bridge.RunUntil([&] { return HasLine("从一号柜收到了正确的控制端地址码数据."); }, kWaitMs));

    // Another cabinet registers and sends data nobody asked it for.
    UdpTerminal second;
    Register(second, kOtherId);
    EXPECT_TRUE(HasLine("控制点二号柜注册成功."));
    ASSERT_TRUE(second.SendTo(UdpServerPort(),
                              DataEnvelope(kOtherId, OnTheWire(CenterAddressReply(9, 3)))));
    EXPECT_TRUE(Bridge.RunUntil([&] { return HasPosted({WM_STATION_MARK, Other, 1}); }, kWaitMs));
    EXPECT_TRUE(
        Bridge.RunUntil([&] { return HasLine("从控制点二号柜收到了控制端地址码数据."); }, kWaitMs));
    EXPECT_EQ(CurrentParameters().CenterAddress, 7);
}

}  // namespace
