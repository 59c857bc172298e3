#include "schedules/WorkTable.h"

#include <gtest/gtest.h>

#include "support/ControllerFrames.h"

using testing_frames::Hex;
using testing_frames::HexOf;

namespace {

// Three time points; record numbers and the hour flag of the second are the controller's own
// and do not survive decoding.
const char* const kThreePoints =
    "03"
    " 01 19 30 00 03 81"
    " 09 A3 00 80 01 82"
    " 05 05 30 00 00 00";

TEST(WorkTable, ShowsOneLinePerTimePoint) {
    TRtu6TimeStatusTable table;
    ASSERT_TRUE(table.LoadFromBytes(Hex(kThreePoints)));
    EXPECT_EQ(table.Count(), 3);
    EXPECT_EQ(table.AsText(),
              "01 19:30 11000000 00000000 81\r\n"
              "02 23:00 10000000 00000001 82\r\n"
              "03 05:30 00000000 00000000 00\r\n");
    EXPECT_EQ(HexOf(table.Encode()), "03 01 19 30 00 03 81 02 23 00 80 01 82 03 05 30 00 00 00");
    ASSERT_NE(table.Get(2), nullptr);
    EXPECT_EQ(table.Get(2)->GetLoops(), 0x8001);
    EXPECT_EQ(table.Get(2)->TimeOfDay(), EncodeTime(23, 0, 0));
    EXPECT_EQ(table.Get(4), nullptr);
    EXPECT_EQ(table.Get(0), nullptr);
}

TEST(WorkTable, DecodesPayloadsByLengthAndCount) {
    struct Case {
        const char* payload;
        bool ok;
        int count;  // time points held afterwards
    } cases[] = {
        {"00", true, 0},
        {"01 01 18 30 00 01 00", true, 1},
        {"01 01 99 05 00 01 00", true, 1},  // hour flag dropped: 19:05
        {"01 01 18 5A 00 01 00", true, 1},  // a minute byte that is no BCD reads as 0
        {"", false, 0},
        {"01 01 18 30 00 01 00 00", false, 0},  // 8 bytes
        {"02 01 18 30 00 01 00", false, 0},     // count and length disagree
        {"00 01 18 30 00 01 00", false, 0},
        {"01 01 24 00 00 01 00", false, 0},  // hour 24
        {"01 01 1A 60 00 01 00", false, 0},  // minute 60
        {"01 01 A5 00 00 01 00", false, 0},  // hour byte 0x25 once the flag is dropped
        {"02 01 18 30 00 01 00 02 D0 00 00 00 00", false, 1},  // the first point stays
    };
    for (const auto& c : cases) {
        TRtu6TimeStatusTable table;
        EXPECT_EQ(table.LoadFromBytes(Hex(c.payload)), c.ok) << c.payload;
        EXPECT_EQ(table.Count(), c.count) << c.payload;
    }
    TRtu6TimeStatusTable table;
    ASSERT_TRUE(table.LoadFromBytes(Hex("01 01 99 05 00 01 00")));
    EXPECT_EQ(table.AsText(), "01 19:05 10000000 00000000 00\r\n");
}

TEST(WorkTable, HoldsAtMost17TimePoints) {
    auto payload = [](int count) {
        TBytes bytes(1, static_cast<char>(count));
        for (int i = 0; i < count; ++i) bytes += Hex("00 12 00 00 01 00");
        return bytes;
    };
    TRtu6TimeStatusTable table;
    ASSERT_TRUE(table.LoadFromBytes(payload(17)));
    EXPECT_EQ(table.Count(), 17);
    EXPECT_EQ(table.Encode().size(), 103u);
    EXPECT_NE(table.AsText().find("\r\n17 12:00 10000000 00000000 00\r\n"), std::string::npos);

    EXPECT_EQ(payload(18).size(), 109u);
    EXPECT_FALSE(table.LoadFromBytes(payload(18)));
    EXPECT_EQ(table.Count(), 0);
}

TEST(WorkTable, ReloadAndClearReplaceTheWholeTable) {
    TRtu6TimeStatusTable table;
    ASSERT_TRUE(table.LoadFromBytes(Hex(kThreePoints)));
    ASSERT_TRUE(table.LoadFromBytes(Hex("01 01 20 15 00 02 00")));
    EXPECT_EQ(table.Count(), 1);
    EXPECT_EQ(table.Get(2), nullptr);
    table.Clear();
    EXPECT_EQ(table.Count(), 0);
    EXPECT_EQ(table.AsText(), "");
    EXPECT_EQ(HexOf(table.Encode()), "00");
}

TEST(WorkTableTimePoint, BytesAndValidity) {
    TRtu6TimeStatus point;
    ASSERT_TRUE(point.LoadFromBytes(Hex("21 45 12 34 8F")));
    EXPECT_EQ(point.Hour(), 21);
    EXPECT_EQ(point.Minute(), 45);
    EXPECT_EQ(point.GetLoops(), 0x1234);
    EXPECT_EQ(point.LampByte(), 0x8F);
    EXPECT_EQ(point.GetByte(0), 0);
    EXPECT_EQ(point.GetByte(6), 0);
    EXPECT_EQ(HexOf(point.Encode()), "21 45 12 34 8F");

    TRtu6TimeStatus copy;
    point.AssignTo(copy);
    EXPECT_EQ(copy.Encode(), point.Encode());

    for (const char* bad :
         {"21 45 12 34", "21 45 12 34 8F 00", "A1 00 00 01 00", "23 60 00 01 00"}) {
        TRtu6TimeStatus other;
        ASSERT_TRUE(other.LoadFromBytes(Hex("21 45 12 34 8F")));
        EXPECT_FALSE(other.LoadFromBytes(Hex(bad))) << bad;
        EXPECT_EQ(HexOf(other.Encode()), "00 00 00 00 00") << bad;
    }
    TRtu6TimeStatus reset;
    EXPECT_TRUE(reset.IsValid());
    EXPECT_EQ(reset.TimeOfDay(), 0);
}

}  // namespace
