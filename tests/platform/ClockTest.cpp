#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

struct TDateCase {
    int Year, Month, Day;
    double Serial;
};

TEST(ClockCalendar, KnownSerialNumbers) {
    const TDateCase cases[] = {
        {1899, 12, 30, 0},   {1899, 12, 29, -1}, {1900, 1, 1, 2},
        {1900, 2, 28, 60},   {1900, 3, 1, 61},   {2000, 2, 29, 36585},
        {2014, 4, 1, 41730}, {1, 1, 1, -693593}, {9999, 12, 31, 2958465},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.Year) + "-" + std::to_string(c.Month) + "-" +
                     std::to_string(c.Day));
        EXPECT_EQ(EncodeDate(c.Year, c.Month, c.Day), c.Serial);
        const TDateParts parts = DecodeDate(c.Serial);
        EXPECT_EQ(parts.Year, c.Year);
        EXPECT_EQ(parts.Month, c.Month);
        EXPECT_EQ(parts.Day, c.Day);
    }
}

TEST(ClockCalendar, LeapYearsAndMonthLengths) {
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_FALSE(IsLeapYear(2023));
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_EQ(DaysInMonth(1900, 2), 28);
    EXPECT_EQ(DaysInMonth(2014, 4), 30);
    EXPECT_EQ(DaysInMonth(2014, 12), 31);
}

// Every day of a stretch that holds 1900 (not leap), 2000 (leap) and ordinary leap years
// encodes to the next serial number and decodes back to itself.
TEST(ClockCalendar, EveryDayRoundTripsAndFollowsTheDayBefore) {
    double expected = EncodeDate(1895, 1, 1);
    for (int year = 1895; year <= 2105; ++year) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= DaysInMonth(year, month); ++day) {
                const TDateTime t = EncodeDate(year, month, day);
                ASSERT_EQ(t, expected) << year << "-" << month << "-" << day;
                const TDateParts parts = DecodeDate(t);
                ASSERT_EQ(parts.Year, year);
                ASSERT_EQ(parts.Month, month);
                ASSERT_EQ(parts.Day, day);
                expected += 1;
            }
        }
    }
}

TEST(ClockCalendar, ImpossibleDatesAndTimesAreRefused) {
    const TDateParts badDates[] = {{2014, 13, 1}, {2014, 0, 1},  {2014, 4, 0},
                                   {2014, 4, 31}, {2000, 2, 30}, {1900, 2, 29},
                                   {2023, 2, 29}, {0, 1, 1},     {10000, 1, 1}};
    for (const auto& d : badDates) {
        EXPECT_FALSE(TryEncodeDate(d.Year, d.Month, d.Day)) << d.Year << "-" << d.Month;
        EXPECT_EQ(EncodeDate(d.Year, d.Month, d.Day), 0);
        EXPECT_EQ(EncodeDateTime(d.Year, d.Month, d.Day, 12, 0, 0), 0);
    }
    const TTimeParts badTimes[] = {{24, 0, 0, 0},   {0, 60, 0, 0}, {0, 0, 60, 0},
                                   {0, 0, 0, 1000}, {-1, 0, 0, 0}, {0, 0, 0, -1}};
    for (const auto& t : badTimes) {
        EXPECT_FALSE(TryEncodeTime(t.Hour, t.Minute, t.Second, t.MilliSecond)) << t.Hour;
        EXPECT_EQ(EncodeDateTime(2014, 4, 1, t.Hour, t.Minute, t.Second, t.MilliSecond), 0);
    }
}

TEST(ClockCalendar, DayOfWeekAndDayOfYear) {
    struct TCase {
        int Year, Month, Day, IsoWeekday, DayOfYear;
    };
    const TCase cases[] = {
        {1899, 12, 30, 6, 364},  // day 0
        {1899, 12, 24, 7, 358},  // before day 0
        {2014, 4, 1, 2, 91},    {2000, 1, 1, 6, 1},  {2023, 12, 31, 7, 365}, {2024, 1, 1, 1, 1},
        {2000, 3, 1, 3, 61},    {2001, 3, 1, 4, 60}, {2000, 12, 31, 7, 366}, {1900, 12, 31, 1, 365},
    };
    for (const auto& c : cases) {
        const TDateTime t = EncodeDateTime(c.Year, c.Month, c.Day, 23, 59, 59, 999);
        SCOPED_TRACE(DateToText(t));
        EXPECT_EQ(IsoDayOfWeek(t), c.IsoWeekday);
        EXPECT_EQ(DayOfYear(t), c.DayOfYear);
        EXPECT_EQ(YearOf(t), c.Year);
    }
}

TEST(ClockCalendar, DecodingRoundsToTheNearestMilliSecond) {
    const TDateTime day = EncodeDate(2014, 4, 1);
    const double ms = 1.0 / kMilliSecondsPerDay;

    const TDateTime justBeforeMidnight = day + 1 - 0.4 * ms;
    EXPECT_EQ(DateToText(justBeforeMidnight), "2014-04-02");
    EXPECT_EQ(FormatDateTime("hh:nn:ss.zzz", justBeforeMidnight), "00:00:00.000");
    EXPECT_EQ(DateOf(justBeforeMidnight), day + 1);
    EXPECT_EQ(TimeOf(justBeforeMidnight), 0);

    const TDateTime lastMilliSecond = day + 1 - 0.6 * ms;
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", lastMilliSecond),
              "2014-04-01 23:59:59.999");
    EXPECT_EQ(DateOf(lastMilliSecond), day);

    const TTimeParts parts = DecodeTime(day + EncodeTime(18, 30, 5, 7) + 0.3 * ms);
    EXPECT_EQ(parts.Hour, 18);
    EXPECT_EQ(parts.Minute, 30);
    EXPECT_EQ(parts.Second, 5);
    EXPECT_EQ(parts.MilliSecond, 7);
}

TEST(ClockArithmetic, MilliSecondsFromIsExactAndSigned) {
    struct TCase {
        TDateTime A, B;
        std::int64_t Expected;
    };
    const TCase cases[] = {
        {EncodeDateTime(2014, 4, 2, 0, 0, 0, 1), EncodeDateTime(2014, 4, 1, 23, 59, 59, 999), 2},
        {EncodeDateTime(2014, 4, 1, 23, 59, 59, 999), EncodeDateTime(2014, 4, 2, 0, 0, 0, 1), -2},
        {EncodeDateTime(2014, 4, 1, 18, 30, 0), EncodeDateTime(2014, 4, 1, 18, 30, 0), 0},
        {EncodeDate(2001, 1, 1), EncodeDate(2000, 1, 1), 366 * kMilliSecondsPerDay},
        {EncodeDateTime(1899, 12, 29, 23, 59, 59, 999), 0, -1},
        {EncodeDateTime(2014, 4, 1, 0, 0, 0, 1), EncodeDateTime(1899, 12, 29, 0, 0, 0, 0),
         41731 * kMilliSecondsPerDay + 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(DateTimeToText(c.A) + " - " + DateTimeToText(c.B));
        EXPECT_EQ(MilliSecondsFrom(c.A, c.B), c.Expected);
    }
}

// Floating point must not lose a millisecond anywhere in a span of days.
TEST(ClockArithmetic, StepsOfMilliSecondsComeBackExactly) {
    const TDateTime base = EncodeDateTime(2014, 4, 1, 23, 59, 59, 999);
    for (std::int64_t ms = -3 * kMilliSecondsPerDay; ms <= 3 * kMilliSecondsPerDay; ms += 999983) {
        for (std::int64_t near : {ms - 1, ms, ms + 1}) {
            const TDateTime moved = IncMilliSecond(base, near);
            ASSERT_EQ(MilliSecondsFrom(moved, base), near);
            ASSERT_EQ(MilliSecondsFrom(base, moved), -near);
        }
    }
}

TEST(ClockArithmetic, IncrementsLandOnTheEncodedValues) {
    EXPECT_EQ(IncMinute(EncodeDateTime(2014, 4, 1, 23, 30, 0), 45),
              EncodeDateTime(2014, 4, 2, 0, 15, 0));
    EXPECT_EQ(IncMinute(EncodeDateTime(2014, 4, 1, 0, 10, 0), -20),
              EncodeDateTime(2014, 3, 31, 23, 50, 0));
    EXPECT_EQ(IncDay(EncodeDateTime(2000, 2, 28, 12, 0, 0), 1),
              EncodeDateTime(2000, 2, 29, 12, 0, 0));
    EXPECT_EQ(IncDay(EncodeDateTime(1900, 2, 28, 12, 0, 0), 1),
              EncodeDateTime(1900, 3, 1, 12, 0, 0));
    EXPECT_EQ(IncMilliSecond(EncodeDateTime(2014, 4, 2, 0, 0, 0), -1),
              EncodeDateTime(2014, 4, 1, 23, 59, 59, 999));
    EXPECT_EQ(DateOf(EncodeDateTime(2014, 4, 1, 18, 30, 0)), 41730);
    EXPECT_EQ(TimeOf(EncodeDateTime(2014, 4, 1, 18, 30, 0)), EncodeTime(18, 30, 0));
}

TEST(ClockText, Formats) {
    const TDateTime t = EncodeDateTime(2014, 4, 1, 18, 30, 5, 7);
    struct TCase {
        const char* Format;
        const char* Expected;
    };
    const TCase cases[] = {
        {"yyyy-mm-dd hh:nn:ss.zzz", "2014-04-01 18:30:05.007"},
        {"yy/m/d", "14/m/d"},
        {"hhnn", "1830"},
        {"yyyyy", "2014y"},
        {"[zz]", "[zz]"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatDateTime(c.Format, t), c.Expected) << c.Format;
    EXPECT_EQ(DateTimeToText(EncodeDateTime(2014, 4, 1, 18, 30, 0)), "2014-04-01 18:30:00");
    EXPECT_EQ(DateToText(t), "2014-04-01");
    EXPECT_EQ(TimeToText(EncodeTime(8, 5, 9)), "08:05:09");
    EXPECT_EQ(DateToText(EncodeDate(5, 1, 2)), "0005-01-02");
}

TEST(ClockText, ParsesGoodTexts) {
    const TDateTime date = EncodeDate(2014, 4, 1);
    EXPECT_EQ(TextToDate("2014-04-01"), date);
    EXPECT_EQ(TextToDate(" \t2014-04-01  "), date);
    EXPECT_EQ(TextToDate("2014-4-1"), date);
    EXPECT_EQ(TextToDate("2000-02-29"), EncodeDate(2000, 2, 29));
    EXPECT_EQ(TextToTime("18:30"), EncodeTime(18, 30, 0));
    EXPECT_EQ(TextToTime(" 8:05:09 "), EncodeTime(8, 5, 9));
    EXPECT_EQ(TextToTime("23:59:59"), EncodeTime(23, 59, 59));
    EXPECT_EQ(TextToDateTime("2014-04-01 18:30:05"), EncodeDateTime(2014, 4, 1, 18, 30, 5));
    EXPECT_EQ(TextToDateTime("2014-04-01  18:30"), EncodeDateTime(2014, 4, 1, 18, 30, 0));
    EXPECT_EQ(TextToDateTime(" 2014-04-01 "), date);
}

TEST(ClockText, RefusesBadTexts) {
    const char* badDates[] = {"",
                              "2014-13-01",
                              "2014-02-30",
                              "1900-02-29",
                              "2014/04/01",
                              "14-04-01",
                              "2014-04-01x",
                              "2014-04",
                              "2014-004-01",
                              "-2014-04-01",
                              "2014-04-01 18:30"};
    for (const char* text : badDates) EXPECT_FALSE(TextToDate(text)) << text;

    const char* badTimes[] = {"",     "24:00",      "18:60", "18:30:60", "18:30:", "18",
                              "1830", "18:30:00.5", "-1:00", "18:30 x",  "123:00"};
    for (const char* text : badTimes) EXPECT_FALSE(TextToTime(text)) << text;

    const char* badDateTimes[] = {"2014-04-01 24:00",   "2014-04-0118:30", "2014-04-01T18:30",
                                  "2014-04-01 18:30 x", "18:30",           "2014-02-30 12:00",
                                  "2014-04-01 18"};
    for (const char* text : badDateTimes) EXPECT_FALSE(TextToDateTime(text)) << text;
}

TEST(ClockText, TextsRoundTrip) {
    for (TDateTime t :
         {EncodeDateTime(2000, 2, 29, 0, 0, 0), EncodeDateTime(1900, 3, 1, 23, 59, 59),
          EncodeDateTime(2014, 4, 1, 18, 30, 0)}) {
        EXPECT_EQ(TextToDateTime(DateTimeToText(t)), t) << DateTimeToText(t);
        EXPECT_EQ(TextToDate(DateToText(t)), DateOf(t));
        EXPECT_EQ(TextToTime(TimeToText(t)), TimeOf(t));
    }
}

// ---- The replaceable clock ------------------------------------------------------------------

// Whatever a test leaves installed, the next one starts on the system clock.
class ClockSource : public ::testing::Test {
protected:
    void TearDown() override { SetClockSource(nullptr); }
};

TEST_F(ClockSource, ManualClockMovesOnlyWhenTold) {
    const TDateTime start = EncodeDateTime(2014, 4, 1, 23, 59, 59, 500);
    TManualClock clock(start);
    SetClockSource(&clock);
    EXPECT_EQ(Now(), start);
    EXPECT_EQ(Now(), start);
    clock.AdvanceMilliSeconds(700);
    EXPECT_EQ(Now(), EncodeDateTime(2014, 4, 2, 0, 0, 0, 200));
    EXPECT_EQ(Today(), EncodeDate(2014, 4, 2));
    clock.AdvanceMilliSeconds(-kMilliSecondsPerDay);  // the clock set back
    EXPECT_EQ(Now(), EncodeDateTime(2014, 4, 1, 0, 0, 0, 200));
    clock.Set(EncodeDateTime(2015, 1, 1, 12, 0, 0));
    EXPECT_EQ(Now(), EncodeDateTime(2015, 1, 1, 12, 0, 0));
    SetClockSource(nullptr);
    // Back on the system clock: the manual one no longer answers.
    clock.Set(EncodeDate(1950, 1, 1));
    EXPECT_NE(Now(), clock.Now());
}

TEST_F(ClockSource, CopiesOfAManualClockMoveTogether) {
    TManualClock clock(EncodeDate(2014, 4, 1));
    TManualClock copy = clock;
    clock.AdvanceMilliSeconds(60000);
    EXPECT_EQ(copy.Now(), EncodeDateTime(2014, 4, 1, 0, 1, 0));
}

TEST_F(ClockSource, ScopedClocksRestoreThePreviousSource) {
    TManualClock outer(EncodeDate(2014, 4, 1));
    SetClockSource(&outer);
    {
        TScopedManualClock scoped(EncodeDate(2020, 1, 1));
        EXPECT_EQ(Now(), EncodeDate(2020, 1, 1));
        {
            TScopedManualClock inner(EncodeDate(2030, 1, 1));
            EXPECT_EQ(Now(), EncodeDate(2030, 1, 1));
        }
        EXPECT_EQ(Now(), EncodeDate(2020, 1, 1));
        scoped.Clock().AdvanceMilliSeconds(1000);
        EXPECT_EQ(Now(), EncodeDateTime(2020, 1, 1, 0, 0, 1));
    }
    EXPECT_EQ(Now(), EncodeDate(2014, 4, 1));
}

TEST_F(ClockSource, ReadersSeeEveryStepOfAClockMovedByAnotherThread) {
    const TDateTime start = EncodeDate(2014, 4, 1);
    constexpr int kSteps = 20000;
    TScopedManualClock scoped(start);
    std::atomic<bool> done{false};
    std::int64_t last = 0;
    bool backwards = false;
    std::thread reader([&] {
        while (!done.load()) {
            const std::int64_t seen = MilliSecondsFrom(Now(), start);
            backwards = backwards || seen < last;
            last = seen;
        }
        last = MilliSecondsFrom(Now(), start);
    });
    for (int i = 0; i < kSteps; ++i) scoped.Clock().AdvanceMilliSeconds(1);
    done.store(true);
    reader.join();
    EXPECT_FALSE(backwards);
    EXPECT_EQ(last, kSteps);
}

TEST_F(ClockSource, SwitchingSourcesWhileOtherThreadsRead) {
    TManualClock first(EncodeDate(2014, 4, 1));
    TManualClock second(EncodeDate(2015, 4, 1));
    std::atomic<bool> done{false};
    std::atomic<int> strangers{0};
    SetClockSource(&first);
    std::vector<std::thread> readers;
    for (int i = 0; i < 2; ++i) {
        readers.emplace_back([&] {
            while (!done.load()) {
                const TDateTime now = Now();
                if (now != first.Now() && now != second.Now()) ++strangers;
            }
        });
    }
    for (int i = 0; i < 5000; ++i) SetClockSource(i % 2 ? &first : &second);
    done.store(true);
    for (auto& reader : readers) reader.join();
    EXPECT_EQ(strangers.load(), 0);
}

}  // namespace
