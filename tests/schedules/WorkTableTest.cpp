#include "schedules/WorkTable.h"

#include <gtest/gtest.h>

#include <vector>

#include "schedules/TimeTables.h"

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

// ---- the work table as a plan ---------------------------------------------------------------

struct TPoint {
    int Hour, Minute;
    std::uint16_t Loops;  // on from this time point
};

TRtu6TimeStatusTable WorkTableOf(const std::vector<TPoint>& points) {
    TBytes payload(1, static_cast<char>(points.size()));
    for (const TPoint& point : points) {
        payload += '\x07';  // record number, dropped
        payload += static_cast<char>(ToBcd(point.Hour));
        payload += static_cast<char>(ToBcd(point.Minute));
        payload += static_cast<char>(point.Loops >> 8);
        payload += static_cast<char>(point.Loops & 0xFF);
        payload += '\x82';  // a lamp mode, which the plan does not take over
    }
    TRtu6TimeStatusTable table;
    EXPECT_TRUE(table.LoadFromBytes(payload));
    return table;
}

TEST(WorkTableToPlan, OneActionPerTimePointThatSwitchesALoop) {
    // The ordinary plan's actions as their six bytes: A0 = fixed switch-on, 20 = fixed
    // switch-off.
    const struct {
        const char* name;
        std::vector<TPoint> points;
        const char* actions;
    } cases[] = {
        {"empty", {}, ""},
        {"two loops, one switch-off",
         {{18, 30, 0x0001}, {23, 0, 0x0003}, {5, 30, 0x0000}},
         "A0 18 30 00 01 00 A0 23 00 00 02 00 20 05 30 00 03 00"},
        {"first switch-on and last switch-off of a loop",
         {{18, 0, 0x0001}, {20, 0, 0x0000}, {21, 0, 0x0001}, {22, 0, 0x0000}},
         "A0 18 00 00 01 00 20 22 00 00 01 00"},
        {"a loop never switched off", {{12, 0, 0x0000}, {19, 0, 0x0084}}, "A0 19 00 00 84 00"},
        // At 20:00 loop 1 goes off and loop 2 on: one action for both, with loop 2's on bit.
        {"shared time point",
         {{18, 0, 0x0001}, {20, 0, 0x0002}, {22, 0, 0x0000}},
         "A0 18 00 00 01 00 A0 20 00 00 03 00 20 22 00 00 02 00"},
        {"loops 9 to 16 left out",
         {{18, 0, 0x8180}, {22, 0, 0x0000}},
         "A0 18 00 00 80 00 20 22 00 00 80 00"},
    };
    for (const auto& c : cases) {
        TRtu6TimeTable target;
        target.CurrentThemeId = 2;
        target.RtuWeek = 3;
        ASSERT_TRUE(WorkTableToTimeTable(WorkTableOf(c.points), target)) << c.name;
        EXPECT_EQ(HexOf(target.OrdinaryPlan().Encode()), c.actions) << c.name;
        EXPECT_EQ(target.CurrentThemeId, 0) << c.name;
        EXPECT_EQ(target.RtuWeek, 0) << c.name;
        for (int list = 1; list < 5; ++list) EXPECT_EQ(target.List(list).Count(), 0) << c.name;
    }
}

TEST(WorkTableToPlan, MoreActionsThanAPlanHoldsLeaveTheTargetCleared) {
    // Loops 1..n switch on one after the other, then off one after the other: 2n actions.
    auto staircase = [](int loops) {
        std::vector<TPoint> points;
        std::uint16_t on = 0;
        for (int r = 1; r <= loops; ++r) points.push_back({12 + r, 0, on |= 1u << (r - 1)});
        for (int r = 1; r <= loops; ++r) points.push_back({r, 0, on &= ~(1u << (r - 1))});
        return WorkTableOf(points);
    };
    TRtu6TimeTable target;
    ASSERT_TRUE(WorkTableToTimeTable(staircase(7), target));
    EXPECT_EQ(target.OrdinaryPlan().Count(), 14);

    target.CurrentThemeId = 1;
    EXPECT_FALSE(WorkTableToTimeTable(staircase(8), target));
    EXPECT_EQ(target.OrdinaryPlan().Count(), 0);
    EXPECT_EQ(target.CurrentThemeId, kNoTheme);
}

}  // namespace
