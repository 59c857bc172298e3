// The roads carry one read end to end (a real pseudo-terminal, real UDP on 127.0.0.1, the
// test playing the PC with the core's session), and each fault does what it says.

#include <gtest/gtest.h>
#include <poll.h>

#include <sstream>

#include "SimFixture.h"
#include "platform/SerialDevice.h"
#include "platform/UdpSocket.h"
#include "protocol/Catalogue.h"
#include "protocol/CurrentData.h"
#include "protocol/Frame.h"
#include "protocol/WireScrambling.h"
#include "schedules/ActionTables.h"
#include "sim/SerialRoad.h"
#include "sim/SimController.h"
#include "sim/UdpRoad.h"

using namespace sim_test;

namespace {

// The simulator with its controller, a log kept in memory and a steady clock the test moves.
class Rig {
public:
    Rig(bool timeStamp, const TFaultOptions& faults = {})
        : Pc(timeStamp),
          State(WithAddress(TSimState::Defaults(kNow - 1))),
          Handler(State, timeStamp),
          Faults(faults, timeStamp),
          Log(LogText),
          Controller(Handler, Faults, Log, [this] { return SteadyMs; }) {}

    // The plain reply frames to a read of `item`, after the frame faults.
    std::vector<TBytes> Replies(int item) {
        Controller.Receive(Pc.Session().BuildReadFrame(item, {}));
        std::vector<TBytes> frames;
        for (const auto& reply : Controller.TakeDue())
            frames.insert(frames.end(), reply.begin(), reply.end());
        return frames;
    }

    PcSide Pc;
    TSimState State;
    TItemHandler Handler;
    TFaultInjector Faults;
    std::ostringstream LogText;
    TFrameLog Log;
    std::int64_t SteadyMs = 1000;
    TSimController Controller;

private:
    static TSimState WithAddress(TSimState s) {
        s.Address = kAddress;
        return s;
    }
};

// Bytes from a non-blocking descriptor while `pass` keeps the simulator going, until
// `enough` says so or 200 passes have gone.
TBytes Collect(int fd, const std::function<void()>& pass,
               const std::function<bool(const TBytes&)>& enough) {
    TBytes got;
    for (int k = 0; k < 200 && !enough(got); ++k) {
        pass();
        char buffer[512];
        const ssize_t n = ReadSerial(fd, buffer, sizeof buffer);
        if (n > 0) got.append(buffer, static_cast<size_t>(n));
    }
    return got;
}

// A whole scrambled reply frame of a one-byte address at the end of `bytes`.
bool HasWholeFrame(const TBytes& bytes) {
    const size_t start = bytes.find('\xFA');
    if (start == TBytes::npos || bytes.size() < start + 5) return false;
    const std::uint8_t key = ByteAt(bytes, start + 1) ^ 0xC5;
    return bytes.size() >= start + (ByteAt(bytes, start + 4) ^ key) + 5u;
}

TEST(SerialRoad, CarriesAReadOverAPseudoTerminal) {
    Rig rig(false);
    TPtyLine pty;
    TSerialRoad road(pty.MasterFd(), rig.Controller);
    SerialDevice port;
    ASSERT_TRUE(port.Open(pty.SlavePath(), TSerialLine())) << port.Error();
    const TBytes request = rig.Pc.Session().BuildReadFrame(Item::RtuClock, {});
    const TBytes wire = ScrambleForSend(request, kProtocolRtu6);
    // The request arrives in two pieces, as a slow line delivers it.
    ASSERT_EQ(WriteSerial(port.Fd(), wire.data(), 4), 4);
    road.Poll(20);
    ASSERT_EQ(WriteSerial(port.Fd(), wire.data() + 4, wire.size() - 4),
              static_cast<ssize_t>(wire.size() - 4));
    const TBytes got = Collect(
        port.Fd(), [&] { road.Poll(10); }, HasWholeFrame);
    const TBytes reply = UnscrambleReceived(got);
    EXPECT_TRUE(TRtu6::ReplyMatchesRequest(request, reply));
    ASSERT_TRUE(rig.Pc.Session().ParseReply(reply));
    EXPECT_EQ(DateTimeToText(CurrentPlanStatus().RtuClock), DateTimeToText(Now()));
    // One line for each direction, naming the item.
    const std::string log = rig.LogText.str();
    EXPECT_NE(log.find(" RX RTU时钟 " + BytesToHexText(request)), std::string::npos) << log;
    EXPECT_NE(log.find(" TX RTU时钟 " + BytesToHexText(reply)), std::string::npos) << log;
}

TEST(SerialRoad, StrayBytesGoBeforeTheFrame) {
    TFaultOptions faults;
    faults.Stray = true;
    Rig rig(false, faults);
    TPtyLine pty;
    TSerialRoad road(pty.MasterFd(), rig.Controller);
    SerialDevice port;
    ASSERT_TRUE(port.Open(pty.SlavePath(), TSerialLine())) << port.Error();
    const TBytes wire =
        ScrambleForSend(rig.Pc.Session().BuildReadFrame(Item::RtuClock, {}), kProtocolRtu6);
    ASSERT_EQ(WriteSerial(port.Fd(), wire.data(), wire.size()), static_cast<ssize_t>(wire.size()));
    const TBytes got = Collect(
        port.Fd(), [&] { road.Poll(10); }, HasWholeFrame);
    ASSERT_GT(got.size(), 3u);
    EXPECT_EQ(got.substr(0, 3), TBytes("\x00\x55\xAA", 3));
    EXPECT_TRUE(rig.Pc.Session().ParseReply(UnscrambleReceived(got.substr(3))));
}

TEST(RequestAssembler, SkipsNoiseAndFramesThatFailTheirCrc) {
    Rig rig(false);
    const TBytes wire =
        ScrambleForSend(rig.Pc.Session().BuildReadFrame(Item::RtuClock, {}), kProtocolRtu6);
    TBytes broken = wire;
    broken[6] = static_cast<char>(broken[6] ^ 0x01);
    TRequestAssembler assembler;
    const std::vector<TBytes> frames = assembler.Add(TBytes("\x13\xFA\x00", 3) + broken + wire);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], rig.Pc.Session().BuildReadFrame(Item::RtuClock, {}));
    EXPECT_EQ(assembler.Waiting(), 0u);
}

// The PC's UDP server, played by the test on 127.0.0.1.
class UdpRoadTest : public testing::Test {
protected:
    UdpRoadTest()
        : Rig_(true),
          Road_("127.0.0.1", (Server_.Open(0), Server_.Port()), "12345", 0, Rig_.Controller) {}

    // The next datagram at the server while the road keeps going.
    bool Receive(TBytes& bytes) {
        std::string from;
        int port = 0;
        for (int k = 0; k < 200; ++k) {
            if (Server_.ReceiveFrom(bytes, from, port)) return true;
            Road_.Poll(10);
        }
        return false;
    }
    void Send(const TBytes& bytes) {
        ASSERT_TRUE(Server_.SendTo("127.0.0.1", Road_.LocalPort(), bytes));
    }
    TBytes Envelope(const TBytes& request) {
        return TBytes("\x7B\x89\x00\x10", 4) + "00000012345" + "\x7B" +
               ScrambleForSend(request, kProtocolRtu6);
    }

    UdpSocket Server_;
    Rig Rig_;
    TUdpRoad Road_;
};

TEST_F(UdpRoadTest, RegistersAndCarriesAReadInEnvelopes) {
    Road_.Register();
    TBytes got;
    ASSERT_TRUE(Receive(got));
    ASSERT_EQ(got.size(), 22u);
    EXPECT_EQ(got.substr(0, 15), TBytes("\x7B\x01\x00\x16", 4) + "00000012345");

    const TBytes request = Rig_.Pc.Session().BuildReadFrame(Item::LoopStatus, {});
    Send(Envelope(request));
    ASSERT_TRUE(Receive(got));
    const TBytes header = TBytes("\x7B\x09\x00\x10", 4) + "00000012345" + "\x7B";
    ASSERT_EQ(got.substr(0, 16), header);
    const TBytes reply = UnscrambleReceived(got.substr(16));
    EXPECT_TRUE(TRtu6::ReplyMatchesRequest(request, reply));
    EXPECT_TRUE(Rig_.Pc.Session().ParseReply(reply));
}

TEST_F(UdpRoadTest, AnswersTheTestProbeAndSurvivesOddDatagrams) {
    Send("GPRS Test...");
    TBytes got;
    ASSERT_TRUE(Receive(got));
    EXPECT_EQ(got, "GPRS Ok.");
    // A registration reply, an envelope without a frame, a cut frame, noise: no answer, no harm.
    for (const TBytes& odd :
         {TBytes("\x7B\x81\x00\x10", 4) + "00000012345\x7B",
          TBytes("\x7B\x89\x00\x10", 4) + "00000012345\x7B",
          Envelope(Rig_.Pc.Session().BuildReadFrame(Item::RtuClock, {})).substr(0, 20),
          TBytes("\xFA\xFA\xFA")})
        Send(odd);
    for (int k = 0; k < 20; ++k) Road_.Poll(5);
    std::string from;
    int port = 0;
    EXPECT_FALSE(Server_.ReceiveFrom(got, from, port));
}

// ---- The faults ----

TEST(Faults, DropLosesTheShareAskedForAndTheSeedRepeatsTheChoice) {
    TFaultOptions all;
    all.Drop = 1;
    EXPECT_TRUE(Rig(false, all).Replies(Item::RtuClock).empty());
    TFaultOptions half;
    half.Drop = 0.5;
    half.Seed = 7;
    const auto kept = [&] {
        Rig rig(false, half);
        std::string pattern;
        for (int k = 0; k < 200; ++k) pattern += rig.Replies(Item::RtuClock).empty() ? '-' : '+';
        return pattern;
    };
    const std::string first = kept();
    const auto lost = std::count(first.begin(), first.end(), '-');
    EXPECT_GT(lost, 60);
    EXPECT_LT(lost, 140);
    EXPECT_EQ(kept(), first);
}

TEST(Faults, DelayHoldsTheReplyUntilItsTime) {
    TFaultOptions faults;
    faults.DelayMs = 800;
    Rig rig(false, faults);
    rig.Controller.Receive(rig.Pc.Session().BuildReadFrame(Item::RtuClock, {}));
    EXPECT_TRUE(rig.Controller.TakeDue().empty());
    EXPECT_EQ(rig.Controller.MsUntilNext(5000), 800);
    rig.SteadyMs += 799;
    EXPECT_TRUE(rig.Controller.TakeDue().empty());
    rig.SteadyMs += 1;
    EXPECT_EQ(rig.Controller.TakeDue().size(), 1u);
    EXPECT_EQ(rig.Controller.MsUntilNext(5000), 5000);
}

TEST(Faults, BadCrcGivesAReplyThePcRefuses) {
    for (bool stamped : {false, true}) {
        TFaultOptions faults;
        faults.BadCrc = 1;
        Rig rig(stamped, faults);
        const std::vector<TBytes> replies = rig.Replies(Item::RtuClock);
        ASSERT_EQ(replies.size(), 1u);
        EXPECT_FALSE(Frame::CheckCrc(replies[0]));
        EXPECT_EQ(TRtu6::ReplyItem(replies[0]), Item::RtuClock);
        EXPECT_FALSE(rig.Pc.Session().ParseReply(replies[0])) << stamped;
    }
}

TEST(Faults, WrongAddressAnswersAsAnotherControllerWouldOnTheWire) {
    TFaultOptions faults;
    faults.WrongAddress = 9;
    Rig rig(false, faults);
    const std::vector<TBytes> replies = rig.Replies(Item::RtuClock);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(TRtu6::ReplySourceAddress(replies[0]), 9);
    EXPECT_TRUE(Frame::CheckCrc(replies[0]));
    const TBytes wire = ScrambleFrom4th(replies[0], 9 ^ 0xC5);
    EXPECT_EQ(UnscrambleReceived(wire), replies[0]);
}

TEST(Faults, SplitAndDoubleShapeTheTransfers) {
    TFaultOptions faults;
    const TBytes a = "first unit", b = "second unit";
    faults.Double = true;
    EXPECT_EQ(TFaultInjector(faults, false).Transfers({a}), std::vector<TBytes>{a + a});
    EXPECT_EQ(TFaultInjector(faults, false).Transfers({a, b, a}), (std::vector<TBytes>{a + b, a}));
    faults.Double = false;
    faults.Split = true;
    const std::vector<TBytes> parts = TFaultInjector(faults, false).Transfers({a});
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_FALSE(parts[0].empty());
    EXPECT_EQ(parts[0] + parts[1], a);
}

TEST_F(UdpRoadTest, DoubleAndStraySendTwoEnvelopesWithNoiseBeforeEachFrame) {
    TFaultOptions faults;
    faults.Double = true;
    faults.Stray = true;
    Rig rig(true, faults);
    TUdpRoad road("127.0.0.1", Server_.Port(), "12345", 0, rig.Controller);
    ASSERT_TRUE(Server_.SendTo("127.0.0.1", road.LocalPort(),
                               Envelope(rig.Pc.Session().BuildReadFrame(Item::RtuClock, {}))));
    TBytes got;
    std::string from;
    int port = 0;
    for (int k = 0; k < 200 && !Server_.ReceiveFrom(got, from, port); ++k) road.Poll(10);
    const TBytes header = TBytes("\x7B\x09\x00\x10", 4) + "00000012345" + "\x7B";
    ASSERT_EQ(got.size() % 2, 0u);
    const TBytes one = got.substr(0, got.size() / 2);
    EXPECT_EQ(got.substr(got.size() / 2), one);
    ASSERT_EQ(one.substr(0, 19), header + TBytes("\x00\x55\xAA", 3));
    EXPECT_TRUE(rig.Pc.Session().ParseReply(UnscrambleReceived(one.substr(19))));
}

}  // namespace
