#include "comm/UdpServer.h"

#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <thread>

#include "app/Logs.h"
#include "app/Paths.h"
#include "app/Settings.h"
#include "app/SystemInit.h"
#include "comm/CommSlots.h"
#include "comm/ModeTiming.h"
#include "comm/uthrdSender.h"
#include "platform/Clock.h"
#include "platform/Encoding.h"
#include "platform/MainThread.h"
#include "stations/udiTest.h"
#include "support/ControllerFrames.h"
#include "support/RecordingCommView.h"
#include "support/RecordingDialogs.h"
#include "support/TempDir.h"
#include "support/UdpTerminal.h"

using namespace testing_frames;
using namespace testing_udp;

namespace {

constexpr const char* kId = "13800000001";
constexpr const char* kSentinelId = "13899999999";
constexpr const char* kUnknownId = "13700000000";

// A read reply of item 161 from controller 1 (plain).
TBytes Reply161(std::uint8_t address = 1, const TBytes& data = "\x12\x34") {
    return ControllerReply(TBytes(1, static_cast<char>(address)), 0x47, 161,
                           BcdStamp(2024, 5, 6, 7, 8, 9), 1, 1, data);
}

class UdpServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteWholeFile(SettingsFile(), "[System]\r\nServerPort=0\r\n");
        InitSystem();
        ResetCommSlots();
        RemoteMode = true;
        SetMainThread(&Bridge);
        ASSERT_TRUE(StartUdpLink());
        // The tests read slot 1's input list themselves.
        StopSender();
        Store().SetIpRoute(AddGprsStation("哨兵", kSentinelId, 99), kLoopback, Terminal.Port());
        Number = AddGprsStation("一号柜", kId, 1);
    }
    void TearDown() override {
        StopUdpServer();
        SetMainThread(nullptr);
        DoneSystem();
        RemoteMode = false;
    }

    TIDataTest& Store() { return *LocalStore(); }
    int AddGprsStation(const std::string& name, const std::string& id, int address) {
        const int number = Store().AddStation(name, 2, 1, id, address);
        EXPECT_GT(number, 0);
        return number;
    }
    TStoredStation Stored(int number) {
        TStoredStation station;
        EXPECT_TRUE(Store().ReadStation(number, station));
        return station;
    }

    void FromTerminal(const TBytes& datagram) {
        HandleDatagram(datagram, kLoopback, Terminal.Port());
    }
    // What the terminal got before the replies to a registration sent after everything else;
    // the server answers in order, so nothing the test caused can still be on its way.
    std::vector<TBytes> Replies() {
        FromTerminal(Registration(kSentinelId));
        const TBytes marker = RegistrationReply(kSentinelId);
        std::vector<TBytes> got = Terminal.ReceiveUntil(marker);
        TBytes second;
        EXPECT_TRUE(Terminal.Receive(second));
        EXPECT_EQ(HexOf(second), HexOf(marker));
        return got;
    }
    std::vector<TBytes> Inputs() {
        TCommSlot& slot = CommSlot(1);
        std::lock_guard<std::timed_mutex> guard(slot.InputLock);
        return {slot.InputLines.begin(), slot.InputLines.end()};
    }
    std::string Unit(const std::string& id, const TBytes& frame) {
        return std::string(kLoopback) + ":" + std::to_string(Terminal.Port()) + ":" + id + ":" +
               frame;
    }

    TempDir Dir;
    TScopedProgramFolder Folder{Dir.Path()};
    RecordingCommView View;
    RecordingDialogs Dialogs_;
    THeadlessBridge Bridge;
    UdpTerminal Terminal;
    int Number = 0;
};

TEST_F(UdpServerTest, TestHandshakeOverTheSocketGetsOneAnswerAndOneLineOnly) {
    ASSERT_TRUE(Terminal.SendTo(UdpServerPort(), "GPRS Test..."));
    ASSERT_TRUE(Bridge.RunUntil([&] { return !View.Lines.empty(); }, 5000));
    EXPECT_EQ(Replies(), std::vector<TBytes>{"GPRS Ok."});
    EXPECT_EQ(View.Lines,
              std::vector<std::string>{"收到来自127.0.0.1:" + std::to_string(Terminal.Port()) +
                                       "的通讯测试信息."});
    EXPECT_TRUE(View.Registered.empty());
    EXPECT_TRUE(Inputs().empty());
}

TEST_F(UdpServerTest, EveryWaitingDatagramIsHandledOnOneReadableEvent) {
    for (int k = 0; k < 3; ++k) ASSERT_TRUE(Terminal.SendTo(UdpServerPort(), "GPRS Test..."));
    ASSERT_TRUE(Bridge.RunUntil([&] { return View.Lines.size() == 3; }, 5000));
    EXPECT_EQ(Replies().size(), 3u);
}

TEST_F(UdpServerTest, RegistrationWritesTheRouteOnceAndIsAnsweredTwiceEveryTime) {
    FromTerminal(Registration(kId));
    const std::vector<TBytes> twice(2, RegistrationReply(kId));
    EXPECT_EQ(Replies(), twice);
    EXPECT_EQ(Stored(Number).IpAddress, kLoopback);
    EXPECT_EQ(Stored(Number).IpPort, Terminal.Port());
    EXPECT_EQ(View.Registered, std::vector<int>{Number});
    EXPECT_EQ(View.Lines, std::vector<std::string>{"控制点一号柜注册成功."});

    const std::string file = ReadWholeFile(Dir / "StationsInfo.Ini");
    FromTerminal(Registration(kId));
    EXPECT_EQ(Replies(), twice);
    EXPECT_EQ(ReadWholeFile(Dir / "StationsInfo.Ini"), file);
    EXPECT_EQ(View.Registered.size(), 1u);
    EXPECT_EQ(View.Lines.size(), 1u);
    EXPECT_TRUE(Inputs().empty());
}

TEST_F(UdpServerTest, ShortIdentifierIsPaddedWithZerosBeforeTheLookUp) {
    const int number = AddGprsStation("短号", "00000012345", 7);
    FromTerminal(TBytes("\x7B\x01\x00\x16", 4) + "12345");
    EXPECT_EQ(Replies(), std::vector<TBytes>(2, RegistrationReply("00000012345")));
    EXPECT_EQ(Stored(number).IpPort, Terminal.Port());
}

TEST_F(UdpServerTest, DataFromANewRouteRegistersTheStationToo) {
    FromTerminal(DataEnvelope(kId, OnTheWire(Reply161())));
    EXPECT_EQ(Stored(Number).IpPort, Terminal.Port());
    EXPECT_EQ(View.Lines, std::vector<std::string>{"控制点一号柜注册成功."});
    EXPECT_TRUE(Replies().empty());
}

struct TDataCase {
    const char* Name;
    TBytes Datagram;
    std::vector<TBytes> Frames;  // delivered, with the identifier kId
    size_t RegistrationReplies;
};

class UdpServerDataTest : public UdpServerTest, public ::testing::WithParamInterface<TDataCase> {};

TEST_P(UdpServerDataTest, DeliversTheFramesOfTheDatagram) {
    const TDataCase& c = GetParam();
    FromTerminal(c.Datagram);
    std::vector<TBytes> units;
    for (const TBytes& frame : c.Frames) units.push_back(Unit(kId, frame));
    const std::vector<TBytes> inputs = Inputs();
    ASSERT_EQ(inputs.size(), units.size());
    for (size_t k = 0; k < units.size(); ++k) EXPECT_EQ(HexOf(inputs[k]), HexOf(units[k]));
    EXPECT_EQ(Replies(), std::vector<TBytes>(c.RegistrationReplies, RegistrationReply(kId)));
}

const TBytes kFirst = Reply161(1, "\x11\x11");
const TBytes kSecond = Reply161(1, "\x22\x22\x22");
// Item 200 is no data item.
const TBytes kNoItem = ControllerReply("\x01", 0x47, 200, BcdStamp(2024, 5, 6, 7, 8, 9), 1, 1, "");

INSTANTIATE_TEST_SUITE_P(
    Datagrams, UdpServerDataTest,
    ::testing::Values(
        TDataCase{"OnePacket", DataEnvelope(kId, OnTheWire(kFirst)), {kFirst}, 0},
        TDataCase{"TwoPacketsBackToBack",
                  DataEnvelope(kId, OnTheWire(kFirst)) + DataEnvelope(kId, OnTheWire(kSecond)),
                  {kFirst, kSecond},
                  0},
        TDataCase{"RegistrationThenData",
                  Registration(kId) + DataEnvelope(kId, OnTheWire(kFirst)),
                  {kFirst},
                  2},
        TDataCase{"TwoStrayBytesBeforeTheFrame",
                  DataEnvelope(kId, TBytes("\x01\x02", 2) + OnTheWire(kFirst)),
                  {kFirst},
                  0},
        TDataCase{"TrailingBytesAfterTheFrameAreIgnored",
                  DataEnvelope(kId, OnTheWire(kFirst) + "junk"),
                  {kFirst},
                  0},
        TDataCase{"UnknownIdentifierDropsTheRest",
                  DataEnvelope(kUnknownId, OnTheWire(kFirst)) + Registration(kId),
                  {},
                  0},
        TDataCase{"InvalidFrameDropsTheRest",
                  DataEnvelope(kId, OnTheWire(kNoItem)) + DataEnvelope(kId, OnTheWire(kFirst)),
                  {},
                  0},
        TDataCase{
            "TooShortFrameDropsTheRest", DataEnvelope(kId, OnTheWire(kFirst).substr(0, 7)), {}, 0},
        TDataCase{"HeaderWithoutFrame", DataEnvelope(kId, ""), {}, 0},
        TDataCase{"TruncatedFrameIsNoFrame",
                  DataEnvelope(kId, OnTheWire(kFirst).substr(0, kFirst.size() - 1)),
                  {},
                  0}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(UdpServerTest, ABusyInputListLosesTheFrameAndTheRest) {
    std::promise<void> held, release;
    std::thread holder([&] {
        std::lock_guard<std::timed_mutex> guard(CommSlot(1).InputLock);
        held.set_value();
        release.get_future().wait();
    });
    held.get_future().wait();
    FromTerminal(DataEnvelope(kId, OnTheWire(kFirst)) + Registration(kId));
    release.set_value();
    holder.join();
    EXPECT_TRUE(Inputs().empty());
    EXPECT_TRUE(Replies().empty());
}

TEST_F(UdpServerTest, DirectModeIgnoresEveryDatagram) {
    RemoteMode = false;
    FromTerminal("GPRS Test..." + Registration(kId) + DataEnvelope(kId, OnTheWire(kFirst)));
    ASSERT_TRUE(Terminal.SendTo(UdpServerPort(), "GPRS Test..."));
    Bridge.RunUntil([] { return false; }, 50);
    RemoteMode = true;
    EXPECT_TRUE(Replies().empty());
    EXPECT_TRUE(View.Lines.empty());
    EXPECT_TRUE(Inputs().empty());
    EXPECT_EQ(Stored(Number).IpAddress, "");
}

TEST_F(UdpServerTest, SendGprsDatagramWrapsTheScrambledFrameInTheDataEnvelope) {
    // A read of item 161 for controller 1: FA 00 01 47 L ...
    const TBytes frame = Hex("FA 00 01 47 04 A1 01 01 5E 3C");
    const std::string route =
        std::string(kLoopback) + ":" + std::to_string(Terminal.Port()) + ":ABC:";
    EXPECT_EQ(SendGprsDatagram(route + frame), "");
    TBytes got;
    ASSERT_TRUE(Terminal.Receive(got));
    EXPECT_EQ(HexOf(got),
              HexOf(Hex("7B 89 00 10") + "ABC" + "\x7B" + XorFrom4th(frame, 0x01 ^ 0xC5)));
}

TEST_F(UdpServerTest, SendGprsDatagramFailures) {
    const TBytes frame = Hex("FA 00 01 47 04 A1 01 01 5E 3C");
    EXPECT_EQ(SendGprsDatagram(":5000:" + std::string(kId) + ":" + frame),
              "发送GPRS数据失败(对应的RTU尚未注册成功).");
    EXPECT_EQ(SendGprsDatagram("127.0.0.1:x:" + std::string(kId) + ":" + frame),
              "发送GPRS数据失败(对应的RTU尚未注册成功).");
    EXPECT_EQ(SendGprsDatagram("not.an.address:5000:" + std::string(kId) + ":" + frame),
              "发送GPRS数据失败(22).");
    StopUdpServer();
    EXPECT_EQ(SendGprsDatagram("127.0.0.1:5000:" + std::string(kId) + ":" + frame),
              "发送GPRS数据失败(9).");
}

TEST_F(UdpServerTest, APortInUseIsReportedAndLeavesTheServerClosed) {
    StopUdpServer();
    UdpSocket holder;
    holder.Open(0);
    Settings().ServerPort = holder.Port();
    EXPECT_FALSE(StartUdpLink());
    EXPECT_FALSE(UdpServerActive());
    EXPECT_EQ(Dialogs_.Messages,
              std::vector<std::string>{"不能打开端口" + std::to_string(holder.Port()) + "."});
    const std::string log = GbkToUtf8(ReadWholeFile(ErrorLogFile(Now())));
    EXPECT_NE(log.find("StartUdpServer"), std::string::npos) << log;
}

}  // namespace
