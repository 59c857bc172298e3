#include <gtest/gtest.h>

#include "protocol/Frame.h"
#include "protocol/Rtu6Class.h"
#include "protocol/WireScrambling.h"
#include "support/ControllerFrames.h"
#include "support/FrameSessions.h"

using testing_frames::BcdStamp;
using testing_frames::ControllerReply;
using testing_frames::Hex;
using testing_frames::HexOf;

namespace {

const TDateTime kStampTime = EncodeDateTime(2014, 4, 1, 8, 30, 0);

// A GPRS session with its route in front of every frame.
class RoutedRtu6 : public StampedRtu6 {
public:
    using StampedRtu6::StampedRtu6;

protected:
    TBytes RoutePrefix() const override { return "10.1.2.3:6000:ID7:"; }
    int RouteFieldCount() const override { return 3; }
};

class FrameTest : public ::testing::Test {
protected:
    TScopedManualClock clock_{kStampTime};
};

}  // namespace

TEST_F(FrameTest, WorkedRequestFrames) {
    const TRtu6 radio(5, nullptr, "");
    const StampedRtu6 gprs(5, nullptr, "");
    EXPECT_EQ(HexOf(radio.BuildReadFrame(82, "")), "FA 00 05 47 03 52 1C 22");
    EXPECT_EQ(HexOf(gprs.BuildReadFrame(82, "")), "FA 00 05 47 0A 52 20 14 04 01 08 30 00 38 D1");
    EXPECT_EQ(HexOf(radio.BuildWriteFrame(161, Hex("01"))), "FA 00 05 50 06 A1 01 01 01 B7 A5");

    const TBytes zone = gprs.BuildWriteFrame(180, Hex("00 50"));
    EXPECT_EQ(HexOf(zone), "FA 00 05 50 0E B4 20 14 04 01 08 30 00 01 01 00 50 41 DC");
    EXPECT_EQ(HexOf(ScrambleForSend(zone, radio.ProtocolKind)),
              "FA 00 05 90 CE 74 E0 D4 C4 C1 C8 F0 C0 C1 C1 C0 90 81 1C");
}

TEST_F(FrameTest, WorkedReplyFrame) {
    const TBytes reply = Hex("FA 05 00 47 06 A1 01 01 01 54 79");
    EXPECT_EQ(ControllerReply(Hex("05"), 0x47, 161, "", 1, 1, Hex("01")), reply);
    const TBytes wire = Hex("FA 05 00 87 C6 61 C1 C1 C1 94 B9");
    EXPECT_EQ(ScrambleFrom4th(reply, 0x05 ^ 0xC5), wire);
    EXPECT_EQ(UnscrambleReceived(wire), reply);

    const TRtu6 session(5, nullptr, "");
    EXPECT_EQ(TRtu6::ReplyItem(reply), 161);
    EXPECT_EQ(TRtu6::ReplyKind(reply), 0x47);
    EXPECT_TRUE(TRtu6::IsReadReply(reply));
    EXPECT_EQ(TRtu6::ReplySourceAddress(reply), 5);
    EXPECT_TRUE(TRtu6::CheckCrc(reply));
    EXPECT_EQ(session.PayloadOf(reply), Hex("01"));
    EXPECT_TRUE(session.IsLastPacket(reply));
    EXPECT_EQ(session.ReplyTime(reply), kStampTime);  // no stamp: the PC clock
}

TEST_F(FrameTest, SplitsLongDataIntoPackets) {
    const TRtu6 radio(5, nullptr, "");
    std::vector<TBytes> frames;
    ASSERT_EQ(radio.BuildWriteFrames(113, TBytes(200, 'x'), frames), 2);
    EXPECT_EQ(frames[0].size(), 140u);
    EXPECT_EQ(ByteAt(frames[0], 4), 135);
    EXPECT_EQ(frames[1].size(), 80u);
    EXPECT_EQ(ByteAt(frames[1], 4), 75);

    EXPECT_EQ(radio.BuildWriteFrames(113, TBytes(16 * 130, 'x'), frames), 16);
    EXPECT_EQ(radio.BuildWriteFrames(113, TBytes(16 * 130 + 1, 'x'), frames), 17);
    EXPECT_EQ(StampedRtu6(5, nullptr, "").BuildWriteFrames(113, TBytes(16 * 123, 'x'), frames), 16);
    EXPECT_EQ(frames[0].size(), 140u);
    EXPECT_EQ(StampedRtu6(5, nullptr, "").BuildWriteFrames(113, TBytes(16 * 123 + 1, 'x'), frames),
              17);

    ASSERT_EQ(radio.BuildWriteFrames(161, "", frames), 1);
    EXPECT_EQ(HexOf(frames[0]), HexOf(radio.BuildWriteFrame(161, "")));
    int n = 0, i = 0;
    EXPECT_TRUE(radio.GetPacketNumbers(frames[0], n, i));
    EXPECT_EQ(n, 1);
    EXPECT_EQ(i, 1);
    EXPECT_EQ(radio.PayloadOf(frames[0]), "");
}

TEST_F(FrameTest, ReplyItemRejectsWhatIsNotAFrame) {
    const TBytes good = Hex("FA 05 00 47 06 A1 01 01 01 54 79");
    struct Case {
        const char* what;
        TBytes frame;
        int item;
    } cases[] = {
        {"good", good, 161},
        {"wrong CRC is still a frame", Hex("FA 05 00 47 06 A1 01 01 01 00 00"), 161},
        {"no start byte", Hex("FB 05 00 47 06 A1 01 01 01 54 79"), 254},
        {"L too small", Hex("FA 05 00 47 05 A1 01 01 01 54 79"), 254},
        {"L too large", Hex("FA 05 00 47 07 A1 01 01 01 54 79"), 254},
        {"seven bytes", Hex("FA 05 00 47 02 A1 01"), 254},
        {"unknown item 179", Hex("FA 05 00 47 06 B3 01 01 01 54 79"), 254},
        {"empty", "", 254},
        {"shortest frame", Hex("FA 05 00 47 03 A1 00 00"), 161},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TRtu6::ReplyItem(c.frame), c.item) << c.what;
        if (c.item == 254) {
            EXPECT_EQ(TRtu6::ReplyKind(c.frame), 0) << c.what;
            EXPECT_EQ(TRtu6::ReplySourceAddress(c.frame), 0) << c.what;
            EXPECT_EQ(TRtu6(5, nullptr, "").ReplyTime(c.frame), 0) << c.what;
            EXPECT_EQ(TRtu6(5, nullptr, "").PayloadOf(c.frame), "") << c.what;
            int n, i;
            EXPECT_FALSE(TRtu6(5, nullptr, "").GetPacketNumbers(c.frame, n, i)) << c.what;
        }
    }
    EXPECT_FALSE(TRtu6::CheckCrc(cases[1].frame));
    EXPECT_TRUE(TRtu6::CheckCrc(good));
    EXPECT_FALSE(TRtu6::CheckCrc(Hex("FA")));
}

TEST_F(FrameTest, SourceAddressNeedsThePcAsDestination) {
    EXPECT_EQ(TRtu6::ReplySourceAddress(Hex("FA 05 01 47 06 A1 01 01 01 54 79")), 0);
    EXPECT_EQ(TRtu6::ReplySourceAddress(Hex("FA 05 00 48 06 A1 01 01 01 54 79")), 0);
    const TBytes twoByte =
        ControllerReply(Hex("12 34"), 0x50, 161, BcdStamp(2014, 4, 1, 8, 30, 0), 1, 1, "");
    EXPECT_EQ(TRtu61::ReplySourceAddress(twoByte), 0x1234);
    EXPECT_EQ(TRtu61::ReplyItem(twoByte), 161);
}

TEST_F(FrameTest, PacketNumbersMustRunFromOneToN) {
    const TRtu6 radio(5, nullptr, "");
    struct Case {
        int n, i;
        bool valid;
    } cases[] = {{1, 1, true}, {3, 2, true}, {2, 3, false}, {0, 0, false}, {1, 0, false}};
    for (const auto& c : cases) {
        int n = -1, i = -1;
        const TBytes frame = ControllerReply(Hex("05"), 0x47, 113, "", c.n, c.i, Hex("AA"));
        EXPECT_EQ(radio.GetPacketNumbers(frame, n, i), c.valid) << c.n << "/" << c.i;
        EXPECT_EQ(radio.IsLastPacket(frame), c.valid && c.n == c.i);
    }
}

TEST_F(FrameTest, ReplyTimeFromTheStamp) {
    const StampedRtu6 gprs(5, nullptr, "");
    const TBytes ok =
        ControllerReply(Hex("05"), 0x47, 161, BcdStamp(2014, 4, 1, 8, 30, 0), 1, 1, Hex("01"));
    EXPECT_EQ(gprs.ReplyTime(ok), kStampTime);
    EXPECT_EQ(gprs.PayloadOf(ok), Hex("01"));
    const TBytes month13 =
        ControllerReply(Hex("05"), 0x47, 161, Hex("20 14 13 01 08 30 00"), 1, 1, Hex("01"));
    EXPECT_EQ(gprs.ReplyTime(month13), 0);
    // Too short to hold a stamp and packet numbers.
    EXPECT_EQ(gprs.ReplyTime(Hex("FA 05 00 47 06 A1 01 01 01 54 79")), 0);
    EXPECT_EQ(gprs.PayloadOf(Hex("FA 05 00 47 06 A1 01 01 01 54 79")), "");
}

TEST_F(FrameTest, DecodeBcdDateTime) {
    struct Case {
        const char* bytes;
        TDateTime expected;
    } cases[] = {
        {"20 14 04 01 08 30 05", EncodeDateTime(2014, 4, 1, 8, 30, 5)},
        {"14 04 01 08 30 05", EncodeDateTime(2014, 4, 1, 8, 30, 5)},  // this century
        {"04 01 08 30", EncodeDateTime(2014, 4, 1, 8, 30, 0)},        // this year
        {"20 14 02 30 08 30 00", 0},                                  // 30 February
        {"20 14 04 01 24 00 00", 0},
        {"20 14 04 01 08 60 00", 0},
        {"20 14 A4 01 08 30 00", 0},  // not BCD
        {"20 14 04 01 08", 0},        // five bytes
        {"20 14 04 01 08 30 00 02", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TRtu6::DecodeBcdDateTime(Hex(c.bytes)), c.expected) << c.bytes;
    EXPECT_EQ(TRtu6::DecodeBcdDateTime(""), 0);
}

TEST_F(FrameTest, ReplyMatchesRequest) {
    const TRtu6 radio(5, nullptr, "");
    const TBytes request = radio.BuildReadFrame(161, "");
    const TBytes reply = ControllerReply(Hex("05"), 0x47, 161, "", 1, 1, Hex("01"));
    EXPECT_TRUE(TRtu6::ReplyMatchesRequest(request, reply));
    EXPECT_FALSE(TRtu6::ReplyMatchesRequest(
        request, ControllerReply(Hex("06"), 0x47, 161, "", 1, 1, Hex("01"))));
    EXPECT_FALSE(
        TRtu6::ReplyMatchesRequest(request, ControllerReply(Hex("05"), 0x50, 161, "", 1, 1, "")));
    EXPECT_FALSE(
        TRtu6::ReplyMatchesRequest(request, ControllerReply(Hex("05"), 0x47, 162, "", 1, 1, "")));
    EXPECT_FALSE(TRtu6::ReplyMatchesRequest("", reply));
    // A new controller address answers from the new address.
    const TBytes setAddress = radio.BuildWriteFrame(160, Hex("07"));
    EXPECT_TRUE(TRtu6::ReplyMatchesRequest(setAddress,
                                           ControllerReply(Hex("07"), 0x50, 160, "", 1, 1, "")));
    // A reply to someone other than the PC.
    TBytes toOther = reply;
    toOther[2] = 1;
    toOther = toOther.substr(0, toOther.size() - 2);
    TRtu6::AppendCrc(toOther);
    EXPECT_FALSE(TRtu6::ReplyMatchesRequest(request, toOther));

    const TRtu61 wide(0x1234, nullptr, "");
    const TBytes wideRequest = wide.BuildReadFrame(161, "");
    const TBytes stamp = BcdStamp(2014, 4, 1, 8, 30, 0);
    EXPECT_TRUE(TRtu61::ReplyMatchesRequest(
        wideRequest, ControllerReply(Hex("12 34"), 0x47, 161, stamp, 1, 1, "")));
    EXPECT_FALSE(TRtu61::ReplyMatchesRequest(
        wideRequest, ControllerReply(Hex("12 35"), 0x47, 161, stamp, 1, 1, "")));
}

TEST_F(FrameTest, MergePacketsJoinsData) {
    const TRtu6 radio(5, nullptr, "");
    const TBytes first = ControllerReply(Hex("05"), 0x47, 116, "", 2, 1, Hex("01 02"));
    const TBytes second = ControllerReply(Hex("05"), 0x47, 116, "", 2, 2, Hex("03"));
    const TBytes merged = radio.MergePackets(first, second);
    EXPECT_EQ(HexOf(merged),
              HexOf(ControllerReply(Hex("05"), 0x47, 116, "", 2, 2, Hex("01 02 03"))));
    EXPECT_EQ(radio.MergePackets(first, ControllerReply(Hex("05"), 0x47, 115, "", 2, 2, Hex("03"))),
              "");
    EXPECT_EQ(radio.MergePackets("", second), "");
    EXPECT_EQ(radio.MergePackets(first, Hex("FA 05 00 47")), "");
    // The shortest frame has no packet numbers: nothing to join.
    EXPECT_EQ(radio.MergePackets(Hex("FA 05 00 47 03 74 00 00"), second), "");
}

TEST_F(FrameTest, RefreshTimeStampJustBeforeSending) {
    const RoutedRtu6 gprs(5, nullptr, "");
    const TBytes built = gprs.BuildWriteFrame(180, Hex("00 50"));
    ASSERT_EQ(built.substr(0, 18), "10.1.2.3:6000:ID7:");
    clock_.Clock().Set(EncodeDateTime(2015, 12, 31, 23, 59, 58));
    const TBytes refreshed = gprs.RefreshTimeStamp(180, built);
    EXPECT_EQ(refreshed.substr(0, 18), "10.1.2.3:6000:ID7:");
    const TBytes frame = refreshed.substr(18);
    EXPECT_EQ(HexOf(frame.substr(6, 7)), "20 15 12 31 23 59 58");
    EXPECT_TRUE(TRtu6::CheckCrc(frame));
    EXPECT_EQ(gprs.PayloadOf(frame), Hex("00 50"));

    // The clock write carries the clock itself: seven bytes, no weekday.
    const TBytes clockWrite = gprs.RefreshTimeStamp(82, gprs.BuildWriteFrame(82, TBytes(8, '\0')));
    EXPECT_EQ(gprs.PayloadOf(clockWrite.substr(18)), Hex("20 15 12 31 23 59 58"));

    const TRtu6 radio(5, nullptr, "");
    const TBytes plain = radio.BuildWriteFrame(180, Hex("00 50"));
    EXPECT_EQ(radio.RefreshTimeStamp(180, plain), plain);
    const TBytes radioClock =
        radio.RefreshTimeStamp(82, radio.BuildWriteFrame(82, TBytes(8, '\0')));
    EXPECT_EQ(HexOf(radio.PayloadOf(radioClock)), "20 15 12 31 23 59 58");
    EXPECT_EQ(gprs.RefreshTimeStamp(82, Hex("FA 00 05 47 03 52 1C 22")),
              Hex("FA 00 05 47 03 52 1C 22"));
}

TEST(WireScrambling, ProtocolKindsAndShortTexts) {
    const TBytes frame = Hex("FA 00 12 34 47 0A 52 20 14 04 01 08 30 00 38 D1");
    EXPECT_EQ(ScrambleForSend(frame, 6), ScrambleFrom5th(frame, 0x34 ^ 0xC5));
    EXPECT_EQ(ScrambleForSend(frame, 3), ScrambleFrom5th(frame, 0x34 ^ 0xC5));
    EXPECT_EQ(ScrambleForSend(frame, 11), ScrambleFrom5th(frame, 0x34 ^ 0xC5));
    EXPECT_EQ(ScrambleForSend(frame, 5), ScrambleFrom4th(frame, 0x12 ^ 0xC5));
    EXPECT_EQ(ScrambleForSend(frame, 4), frame);
    EXPECT_EQ(ScrambleForSend(Hex("FA 00 05 47"), 5), Hex("FA 00 05 47"));
    EXPECT_EQ(UnscrambleReceived(Hex("FA 05 00 87")), Hex("FA 05 00 87"));
    EXPECT_EQ(UnscrambleReceived(Hex("01 02 03 04 05 06 07 08 09")),
              Hex("01 02 03 04 05 06 07 08 09"));
    // Address 0xC5 gives the key 0: such frames look plain on the wire.
    const TBytes c5 = ControllerReply(Hex("C5"), 0x47, 161, "", 1, 1, Hex("01"));
    EXPECT_EQ(ScrambleForSend(TRtu6(0xC5, nullptr, "").BuildReadFrame(161, ""), 5),
              TRtu6(0xC5, nullptr, "").BuildReadFrame(161, ""));
    EXPECT_EQ(UnscrambleReceived(c5), c5);
}

// Every write, cut into packets, survives the road to the controller.
struct RoundTripCase {
    const char* name;
    int extra;
    bool stamp;
};

class FrameRoundTrip : public ::testing::TestWithParam<RoundTripCase> {
protected:
    TScopedManualClock clock_{kStampTime};

    std::unique_ptr<TRtu6> Session() const {
        const auto& p = GetParam();
        if (p.extra == 0) {
            if (p.stamp) return std::make_unique<StampedRtu6>(0x5A, nullptr, "");
            return std::make_unique<TRtu6>(0x5A, nullptr, "");
        }
        if (p.stamp) return std::make_unique<TRtu61>(0x1259, nullptr, "");
        return std::make_unique<UnstampedRtu61>(0x1259, nullptr, "");
    }
    TBytes Unscramble(const TBytes& wire, const TRtu6& session) const {
        const std::uint8_t key = static_cast<std::uint8_t>((session.Address & 0xFF) ^ 0xC5);
        return GetParam().extra == 0 ? ScrambleFrom4th(wire, key) : ScrambleFrom5th(wire, key);
    }
    int ReplyItem(const TBytes& frame) const {
        return GetParam().extra == 0 ? TRtu6::ReplyItem(frame) : TRtu61::ReplyItem(frame);
    }
};

TEST_P(FrameRoundTrip, RequestsComeBackPlainAndJoinToTheData) {
    const auto session = Session();
    const int s = Frame::PacketDataSize(GetParam().stamp);
    for (int length : {0, 1, s - 1, s, s + 1, 16 * s}) {
        TBytes data;
        for (int k = 0; k < length; ++k) data.push_back(static_cast<char>((k * 37 + 11) & 0xFF));
        std::vector<TBytes> frames;
        const int n = session->BuildWriteFrames(119, data, frames);
        ASSERT_EQ(n, std::max(1, (length + s - 1) / s)) << length;
        TBytes joined;
        for (int k = 0; k < n; ++k) {
            const TBytes wire = ScrambleForSend(frames[k], session->ProtocolKind);
            EXPECT_NE(wire, frames[k]);
            const TBytes plain = Unscramble(wire, *session);
            ASSERT_EQ(plain, frames[k]) << length << " packet " << k + 1;
            EXPECT_NE(ReplyItem(plain), 254);
            EXPECT_TRUE(TRtu6::CheckCrc(plain));
            int pn = 0, pi = 0;
            ASSERT_TRUE(session->GetPacketNumbers(plain, pn, pi));
            EXPECT_EQ(pn, n);
            EXPECT_EQ(pi, k + 1);
            joined = k == 0 ? plain : session->MergePackets(joined, plain);
            ASSERT_FALSE(joined.empty());
        }
        EXPECT_EQ(ReplyItem(joined), 119) << length;
        EXPECT_TRUE(TRtu6::CheckCrc(joined));
        EXPECT_EQ(session->PayloadOf(joined), data) << length;
    }
}

TEST_P(FrameRoundTrip, ControllerRepliesUnscrambleWithTheirSourceKey) {
    const auto session = Session();
    const TBytes stamp = GetParam().stamp ? BcdStamp(2014, 4, 1, 8, 30, 0) : TBytes();
    const std::uint8_t key = static_cast<std::uint8_t>((session->Address & 0xFF) ^ 0xC5);
    for (int item : {82, 113, 161, 187}) {
        const TBytes reply =
            ControllerReply(session->AddressBytes(), 0x47, item, stamp, 1, 1, Hex("01 02 FA 03"));
        const TBytes wire =
            GetParam().extra == 0 ? ScrambleFrom4th(reply, key) : ScrambleFrom5th(reply, key);
        ASSERT_EQ(UnscrambleReceived(wire), reply) << item;
        EXPECT_EQ(ReplyItem(reply), item);
        EXPECT_EQ(session->PayloadOf(reply), Hex("01 02 FA 03"));
        EXPECT_EQ(session->ReplyTime(reply), kStampTime);
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, FrameRoundTrip,
                         ::testing::Values(RoundTripCase{"OneByte", 0, false},
                                           RoundTripCase{"OneByteStamped", 0, true},
                                           RoundTripCase{"TwoByte", 1, false},
                                           RoundTripCase{"TwoByteStamped", 1, true}),
                         [](const auto& info) { return std::string(info.param.name); });
