#include "schedules/HolidaysList.h"

#include <gtest/gtest.h>

#include "support/ControllerFrames.h"

using testing_frames::Hex;
using testing_frames::HexOf;

namespace {

// Holiday dates carry the current year; the clock is fixed to a year without 29 February.
class HolidaysList : public testing::Test {
protected:
    TScopedManualClock Clock_{EncodeDateTime(2023, 6, 15, 10, 0, 0)};

    static std::vector<std::string> Lines(const THolidaysList& list) {
        std::vector<std::string> lines{"stale"};
        list.ToStrings(lines);
        return lines;
    }
};

TEST_F(HolidaysList, NewListHoldsTheDefaultsOfThisYear) {
    const THolidaysList list;
    EXPECT_EQ(list.Count(), 13);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"01-01", "03-08", "05-01", "05-02", "05-03",
                                                     "06-01", "07-01", "08-01", "09-10", "10-01",
                                                     "10-02", "10-03", "12-31"}));
    EXPECT_EQ(list.Get(1), EncodeDate(2023, 1, 1));
    EXPECT_EQ(list.Get(14), 0);
    EXPECT_EQ(HexOf(list.Encode()),
              "01 01 03 08 05 01 05 02 05 03 06 01 07 01 08 01 09 10 10 01 10 02 10 03 12 31 00");
}

TEST_F(HolidaysList, AddMatchesOnMonthAndDayOnly) {
    THolidaysList list;
    EXPECT_EQ(list.IndexOf(EncodeDate(1999, 10, 1)), 10);
    EXPECT_EQ(list.Add(EncodeDateTime(2030, 10, 1, 18, 30, 0)), 10);
    EXPECT_EQ(list.Count(), 13);
    EXPECT_EQ(list.Get(10), EncodeDate(2023, 10, 1));  // the date held before stays

    EXPECT_EQ(list.IndexOf(EncodeDate(2023, 4, 5)), -1);
    EXPECT_EQ(list.Add(EncodeDateTime(2023, 4, 5, 12, 0, 0)), 14);
    EXPECT_EQ(list.IndexOf(EncodeDate(2000, 4, 5)), 14);
    EXPECT_EQ(list.Get(14), EncodeDate(2023, 4, 5));
    EXPECT_EQ(list.Add(0), -1);
    EXPECT_EQ(list.IndexOf(0), -1);
}

TEST_F(HolidaysList, FullListRefusesNewDatesButFindsHeldOnes) {
    THolidaysList list;
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    for (int k = 0; k < 32; ++k) EXPECT_EQ(list.Add(EncodeDate(2023, 1, 1) + k), k + 1);
    EXPECT_EQ(list.Add(EncodeDate(2023, 3, 1)), -1);
    EXPECT_EQ(list.Add(EncodeDate(2023, 2, 1)), 32);
    EXPECT_EQ(list.Count(), 32);
    EXPECT_EQ(list.Encode().size(), 65u);
}

TEST_F(HolidaysList, LoadsPayloads) {
    struct Case {
        const char* payload;
        std::vector<std::string> lines;
    } cases[] = {
        {"00", {}},
        {"02 29 00", {"02-29"}},
        {"12 25 01 01 12 25 00", {"12-25", "01-01"}},  // the repeated date is held once
    };
    for (const auto& c : cases) {
        THolidaysList list;
        EXPECT_TRUE(list.LoadFromBytes(Hex(c.payload))) << c.payload;
        EXPECT_EQ(Lines(list), c.lines) << c.payload;
        EXPECT_TRUE(list.LoadFromBytes(list.Encode())) << c.payload;
        EXPECT_EQ(Lines(list), c.lines) << c.payload;
    }
}

TEST_F(HolidaysList, KeepsTheFirst32DistinctDatesOfALongPayload) {
    THolidaysList source;
    source.Clear();
    for (int k = 0; k < 32; ++k) source.Add(EncodeDate(2023, 5, 1) + k);
    TBytes payload = source.Encode();
    payload.insert(payload.size() - 1, Hex("05 01 12 24"));  // a repeat and a 33rd date

    THolidaysList list;
    ASSERT_TRUE(list.LoadFromBytes(payload));
    EXPECT_EQ(list.Count(), 32);
    EXPECT_EQ(list.IndexOf(EncodeDate(2023, 12, 24)), -1);
    EXPECT_EQ(list.Encode(), source.Encode());
}

TEST_F(HolidaysList, RefusedPayloadsLeaveTheListEmpty) {
    const char* payloads[] = {
        "",                // empty
        "01 01",           // no terminator
        "01 01 05",        // last byte not 0
        "01 00",           // even length
        "01 01 02 00",     // even length
        "01 01 A1 01 00",  // month byte not BCD
        "01 01 13 01 00",  // month 13
        "02 30 00",        // no such day
        "1A 01 00",        // passes the BCD check, yet no month
        "00 00 00",
    };
    for (const char* payload : payloads) {
        THolidaysList list;
        EXPECT_FALSE(list.LoadFromBytes(Hex(payload))) << payload;
        EXPECT_EQ(list.Count(), 0) << payload;
        EXPECT_EQ(HexOf(list.Encode()), "00") << payload;
    }
}

TEST_F(HolidaysList, ReadsTheUsersLinesAsDatesOfThisYear) {
    THolidaysList list;
    ASSERT_TRUE(list.LoadFromStrings({" 05-01 ", "1-2", "12-31", "05-01"}));
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"05-01", "01-02", "12-31"}));
    EXPECT_EQ(list.Get(2), EncodeDate(2023, 1, 2));
    EXPECT_EQ(HexOf(list.Encode()), "05 01 01 02 12 31 00");

    for (const char* bad : {"02-29", "13-01", "", "05/01", "05-01-02"}) {
        THolidaysList other;
        EXPECT_FALSE(other.LoadFromStrings({"01-01", bad})) << bad;
        EXPECT_EQ(other.Count(), 0) << bad;
    }
}

TEST_F(HolidaysList, AssignToCopiesEverySlot) {
    THolidaysList source, target;
    source.Clear();
    source.Add(EncodeDate(2023, 8, 8));
    source.AssignTo(target);
    EXPECT_EQ(Lines(target), std::vector<std::string>{"08-08"});
    EXPECT_EQ(target.Get(1), source.Get(1));
}

}  // namespace
