#include "status/StatusHistory.h"

#include <gtest/gtest.h>

#include "support/ControllerFrames.h"

using testing_frames::Hex;

namespace {

// Records as the controller sends them: month day hour minute (BCD), three voltage bytes
// (volts above 100, 0 for none), three current bytes (12-bit reading / 16).
const char* const kMarchRecord = "03 15 18 30 78 7A 00 10 20 02";

TDateTime At(int year, int month, int day) {
    return EncodeDateTime(year, month, day, 12, 0, 0);
}

TEST(StatusHistory, AcceptsWholeRecordsUpToThirtySix) {
    struct Case {
        size_t length;
        bool accepted;
    };
    const Case cases[] = {{0, true},   {10, true},   {360, true},  {9, false},
                          {15, false}, {370, false}, {1000, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        TRtu6StatusList list;
        ASSERT_TRUE(list.LoadFromBytes(Hex(kMarchRecord)));
        EXPECT_EQ(list.LoadFromBytes(TBytes(c.length, '\x01')), c.accepted);
        EXPECT_EQ(list.Count(), c.accepted ? static_cast<int>(c.length / 10) : 0);
        if (!c.accepted) {
            EXPECT_EQ(list.Raw(), "") << "a refused payload leaves the list empty";
            EXPECT_EQ(list.Get(1).Time, 0);
        }
    }
}

TEST(StatusHistory, EmptyPayloadGivesEmptyText) {
    TRtu6StatusList list;
    EXPECT_TRUE(list.LoadFromBytes({}));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.AsText(), "");
}

TEST(StatusHistory, DecodesVoltagesAndCurrents) {
    TScopedManualClock clock(At(2024, 6, 1));
    TRtu6StatusList list;
    ASSERT_TRUE(list.LoadFromBytes(Hex(kMarchRecord)));
    const THistoryRecord r = list.Get(1);
    EXPECT_EQ(r.Time, EncodeDateTime(2024, 3, 15, 18, 30, 0));
    EXPECT_EQ(r.Voltage[0], 220);
    EXPECT_EQ(r.Voltage[1], 222);
    EXPECT_EQ(r.Voltage[2], 0);
    EXPECT_DOUBLE_EQ(r.Current[0], 256 * 0.002327 / 2.1 / 5);
    EXPECT_DOUBLE_EQ(r.Current[1], 512 * 0.002327 / 2.1 / 5);
    EXPECT_EQ(r.Current[2], 0) << "raw 32 is at most 40";
}

TEST(StatusHistory, GivesZerosOutsideTheList) {
    TScopedManualClock clock(At(2024, 6, 1));
    TRtu6StatusList list;
    ASSERT_TRUE(list.LoadFromBytes(Hex(kMarchRecord)));
    for (int i : {-1, 0, 2, 36, 37}) {
        SCOPED_TRACE(i);
        const THistoryRecord r = list.Get(i);
        EXPECT_EQ(r.Time, 0);
        EXPECT_EQ(r.Voltage, (std::array<double, 3>{}));
        EXPECT_EQ(r.Current, (std::array<double, 3>{}));
    }
}

// The controller keeps no year: month and day later than today's are last year's.
TEST(StatusHistory, PlacesStampsInTheRightYear) {
    struct Case {
        const char* stamp;
        TDateTime today;
        TDateTime expected;  // 0: the record does not decode
    };
    const Case cases[] = {
        {"03 15 18 30", At(2024, 6, 1), EncodeDateTime(2024, 3, 15, 18, 30, 0)},
        {"03 15 18 30", At(2024, 3, 1), EncodeDateTime(2023, 3, 15, 18, 30, 0)},
        {"03 15 18 30", At(2024, 3, 15), EncodeDateTime(2024, 3, 15, 18, 30, 0)},
        {"12 31 23 59", At(2025, 1, 1), EncodeDateTime(2024, 12, 31, 23, 59, 0)},
        {"01 01 00 00", At(2025, 1, 1), EncodeDateTime(2025, 1, 1, 0, 0, 0)},
        {"02 29 06 00", At(2025, 1, 10), EncodeDateTime(2024, 2, 29, 6, 0, 0)},
        {"02 29 06 00", At(2025, 3, 1), 0},
        {"02 30 06 00", At(2024, 6, 1), 0},
        {"04 31 06 00", At(2024, 6, 1), 0},
        {"00 10 06 00", At(2024, 6, 1), 0},
        {"13 10 06 00", At(2024, 6, 1), 0},
        {"05 00 06 00", At(2024, 6, 1), 0},
        {"05 32 06 00", At(2024, 6, 1), 0},
        {"05 10 24 00", At(2024, 6, 1), 0},
        {"05 10 06 60", At(2024, 6, 1), 0},
        {"05 1A 06 00", At(2024, 6, 1), 0},
        {"05 A5 06 00", At(2024, 6, 1), 0},
        // Only a letter nibble above a decimal one fails the BCD check; 0x0F reads as 0.
        {"05 10 06 0F", At(2024, 6, 1), EncodeDateTime(2024, 5, 10, 6, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.stamp) + " on " + DateToText(c.today));
        TScopedManualClock clock(c.today);
        TRtu6StatusList list;
        ASSERT_TRUE(list.LoadFromBytes(Hex(std::string(c.stamp) + " 78 7A 7C 10 20 30")));
        const THistoryRecord r = list.Get(1);
        EXPECT_EQ(r.Time, c.expected);
        EXPECT_EQ(r.Voltage[2], c.expected == 0 ? 0 : 224) << "a bad stamp zeroes the values";
    }
}

TEST(StatusHistory, ShowsOneLinePerRecord) {
    TScopedManualClock clock(At(2024, 6, 1));
    TRtu6StatusList list;
    ASSERT_TRUE(
        list.LoadFromBytes(Hex("05 31 19 45 75 78 7A 40 3C 44"
                               " 06 01 07 05 FF 01 00 FF 03 00"
                               " 02 30 08 00 78 78 78 10 10 10"
                               " 12 24 23 00 80 7F 7E 02 11 22")));
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.AsText(),
              "2024-05-31 19:45  Av: 217.00 Bv: 220.00 Cv: 222.00 "
              "Ai:   0.23 Bi:   0.21 Ci:   0.24\r\n"
              "2024-06-01 07:05  Av: 355.00 Bv: 101.00 Cv:   0.00 "
              "Ai:   0.90 Bi:   0.01 Ci:   0.00\r\n"
              "1899-12-30 00:00  Av:   0.00 Bv:   0.00 Cv:   0.00 "
              "Ai:   0.00 Bi:   0.00 Ci:   0.00\r\n"
              "2023-12-24 23:00  Av: 228.00 Bv: 227.00 Cv: 226.00 "
              "Ai:   0.00 Bi:   0.06 Ci:   0.12\r\n");
}

TEST(StatusHistory, AssignCopiesRecordsAndCount) {
    TRtu6StatusList source, target;
    ASSERT_TRUE(source.LoadFromBytes(Hex(std::string(kMarchRecord) + " " + kMarchRecord)));
    ASSERT_TRUE(target.LoadFromBytes(TBytes(360, '\x05')));
    source.AssignTo(target);
    EXPECT_EQ(target.Count(), 2);
    EXPECT_EQ(target.Raw(), source.Raw());
    target.Clear();
    EXPECT_EQ(target.Count(), 0);
    EXPECT_EQ(target.Get(1).Time, 0);
}

}  // namespace
