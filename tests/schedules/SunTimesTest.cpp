#include "schedules/SunTimes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <thread>

#include "app/Settings.h"

namespace {

TDateTime Hm(int hour, int minute) {
    return EncodeTime(hour, minute, 0);
}

std::string HmText(TDateTime t) {
    return FormatDateTime("hh:nn", t);
}

struct TPlaceCase {
    const char* Name;
    double Longitude, Latitude, TimeZone;
    int Year, Month, Day;
    std::optional<TDateTime> Sunset, Sunrise;  // nullopt: that time is not made (stays 0)
};

std::ostream& operator<<(std::ostream& out, const TPlaceCase& c) {
    return out << c.Name;
}

class CalcSunTimesTest : public ::testing::TestWithParam<TPlaceCase> {};

TEST_P(CalcSunTimesTest, GivesTheTimesOfThePlace) {
    const TPlaceCase& c = GetParam();
    const TSunCalc sun =
        CalcSunTimes(c.Longitude, c.Latitude, EncodeDate(c.Year, c.Month, c.Day), c.TimeZone);
    EXPECT_EQ(sun.Ok, c.Sunset.has_value() && c.Sunrise.has_value());
    EXPECT_EQ(HmText(sun.Sunset), HmText(c.Sunset.value_or(0)));
    EXPECT_EQ(sun.Sunset, c.Sunset.value_or(0));
    EXPECT_EQ(HmText(sun.Sunrise), HmText(c.Sunrise.value_or(0)));
    EXPECT_EQ(sun.Sunrise, c.Sunrise.value_or(0));
}

// The reference places; 2023 is a common year, so the dates fall on the days the tables were
// read for (22 March = day 80, 23 September = day 265).
INSTANTIATE_TEST_SUITE_P(
    ReferencePlaces, CalcSunTimesTest,
    ::testing::Values(
        // 19.65 h: 0.65 h is just under 39 minutes in double precision.
        TPlaceCase{"Equator100East", 100, 0, 8, 2023, 1, 1, Hm(19, 38), Hm(7, 4)},
        TPlaceCase{"Kunming", 102.7, 25.04, 8, 2023, 6, 21, Hm(20, 13), Hm(6, 4)},
        TPlaceCase{"Beijing", 116.4, 39.9, 8, 2023, 12, 22, Hm(17, 3), Hm(7, 17)},
        TPlaceCase{"Shanghai", 121.5, 31.2, 8, 2023, 9, 23, Hm(18, 5), Hm(5, 26)},
        TPlaceCase{"Greenwich60North", 0, 60, 0, 2023, 3, 22, Hm(18, 21), Hm(5, 51)}),
    [](const auto& info) { return std::string(info.param.Name); });

// At 100° east in UTC+8 the times are the table values themselves.
INSTANTIATE_TEST_SUITE_P(
    TableRows, CalcSunTimesTest,
    ::testing::Values(
        // A day that is a key uses that row alone: day 81, where sunrise is 717 at 0° and
        // 715 from 20° on.
        TPlaceCase{"Day81Lat0", 100, 0, 8, 2023, 3, 23, Hm(19, 43), Hm(7, 10)},
        TPlaceCase{"Day81Lat20", 100, 20, 8, 2023, 3, 23, Hm(19, 43), Hm(7, 9)},
        TPlaceCase{"Day81LeapYear", 100, 0, 8, 2024, 3, 22, Hm(19, 43), Hm(7, 10)},
        TPlaceCase{"Day178Lat60", 100, 60, 8, 2023, 6, 28, Hm(22, 56), Hm(3, 31)},
        // Between two keys, unrounded: day 8 = 1968 + 4 * 3/5 = 1970.4 (19:42, where 1970
        // would give 19:41), sunrise 712 + 3 * 3/5 = 713.8.
        TPlaceCase{"Day8BetweenRows2And3", 100, 0, 8, 2023, 1, 9, Hm(19, 42), Hm(7, 8)},
        TPlaceCase{"Day30BetweenRows5And6", 100, 0, 8, 2023, 1, 31, Hm(19, 48), Hm(7, 14)},
        // The end of the year: day 356 is row 31; day 364 lies between rows 31 and 32
        // (1752 + 10 * 8/9, 902 + 3 * 8/9); day 365 of a leap year is row 32 alone.
        TPlaceCase{"Day356Row31", 100, 50, 8, 2023, 12, 23, Hm(17, 31), Hm(9, 1)},
        TPlaceCase{"Day364BetweenRows31And32", 100, 50, 8, 2023, 12, 31, Hm(17, 36), Hm(9, 2)},
        TPlaceCase{"Day365LeapYearRow32", 100, 50, 8, 2024, 12, 31, Hm(17, 37), Hm(9, 3)}),
    [](const auto& info) { return std::string(info.param.Name); });

INSTANTIATE_TEST_SUITE_P(
    Latitudes, CalcSunTimesTest,
    ::testing::Values(
        TPlaceCase{"Lat0ColumnAlone", 100, 0, 8, 2023, 1, 1, Hm(19, 38), Hm(7, 4)},
        TPlaceCase{"Lat10ColumnAlone", 100, 10, 8, 2023, 1, 1, Hm(19, 22), Hm(7, 22)},
        TPlaceCase{"Lat50ColumnAlone", 100, 50, 8, 2023, 1, 1, Hm(17, 37), Hm(9, 3)},
        TPlaceCase{"Lat60ColumnAlone", 100, 60, 8, 2023, 1, 1, Hm(16, 31), Hm(10, 4)},
        // 1763 + trunc(9.9 * -110 / 10) = 1763 - 108 = 1655.
        TPlaceCase{"Lat59_9Between50And60", 100, 59.9, 8, 2023, 1, 1, Hm(16, 33), Hm(10, 3)},
        // 1965 + trunc(-1.96) = 1964: cut toward zero (rounding down gives 19:37), and in
        // whole hundredths (1963.04 would give 19:37 too).
        TPlaceCase{"Lat0_7StepCutTowardZero", 100, 0.7, 8, 2023, 1, 1, Hm(19, 38), Hm(7, 5)},
        TPlaceCase{"Lat35BetweenDaysAndColumns", 100, 35, 8, 2023, 6, 21, Hm(20, 49), Hm(5, 49)},
        TPlaceCase{"LatBelow0", 100, -0.1, 8, 2023, 1, 1, std::nullopt, std::nullopt},
        TPlaceCase{"LatAbove60", 100, 60.1, 8, 2023, 1, 1, std::nullopt, std::nullopt}),
    [](const auto& info) { return std::string(info.param.Name); });

// Each 15° east is an hour earlier, each hour of time zone an hour later.
INSTANTIATE_TEST_SUITE_P(
    LongitudeAndTimeZone, CalcSunTimesTest,
    ::testing::Values(
        TPlaceCase{"Reference", 100, 28.6, 8, 2023, 1, 1, Hm(18, 45), Hm(7, 58)},
        TPlaceCase{"FifteenDegreesEast", 115, 28.6, 8, 2023, 1, 1, Hm(17, 45), Hm(6, 58)},
        TPlaceCase{"FifteenDegreesWest", 85, 28.6, 8, 2023, 1, 1, Hm(19, 45), Hm(8, 58)},
        TPlaceCase{"OneZoneEast", 100, 28.6, 9, 2023, 1, 1, Hm(19, 45), Hm(8, 58)},
        TPlaceCase{"HalfHourZone", 77.2, 28.6, 5.5, 2023, 1, 1, Hm(17, 46), Hm(6, 59)},
        TPlaceCase{"Longitude180", 180, 28.6, 13, 2023, 1, 1, Hm(18, 25), Hm(7, 38)},
        TPlaceCase{"LongitudeMinus180", -180, 28.6, -12, 2023, 1, 1, Hm(17, 25), Hm(6, 38)},
        TPlaceCase{"LongitudeAbove180", 180.1, 28.6, 13, 2023, 1, 1, std::nullopt, std::nullopt},
        TPlaceCase{"LongitudeBelowMinus180", -180.1, 28.6, -12, 2023, 1, 1, std::nullopt,
                   std::nullopt},
        // Both times before midnight: the sunset fails first.
        TPlaceCase{"Lon180ZoneMinus12", 180, 28.6, -12, 2023, 1, 1, std::nullopt, std::nullopt},
        // Only the sunrise leaves the day: the sunset made before it is kept.
        TPlaceCase{"SunriseBeforeMidnight", 180, 28.6, 0, 2023, 1, 1, Hm(5, 25), std::nullopt},
        TPlaceCase{"SunriseBeforeMidnightWest", 100, 0, -8, 2023, 1, 1, Hm(3, 38), std::nullopt},
        // The sunset at 24:39 fails, and the sunrise (12:04) is then not made at all.
        TPlaceCase{"SunsetPastMidnight", 100, 0, 13, 2023, 1, 1, std::nullopt, std::nullopt}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(CalcSunTimes, UsesTheDateOnlyAndRefusesNaN) {
    const TSunCalc atMidnight = CalcSunTimes(100, 0, EncodeDate(2023, 1, 1), 8);
    EXPECT_EQ(CalcSunTimes(100, 0, EncodeDateTime(2023, 1, 1, 23, 59, 59), 8), atMidnight);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(CalcSunTimes(nan, 0, EncodeDate(2023, 1, 1), 8), TSunCalc{});
    EXPECT_EQ(CalcSunTimes(100, nan, EncodeDate(2023, 1, 1), 8), TSunCalc{});
    EXPECT_EQ(CalcSunTimes(100, 0, EncodeDate(2023, 1, 1), nan), TSunCalc{});
}

// Tests that change the program's settings and today's group put both back.
class SunTimesStateTest : public ::testing::Test {
protected:
    void SetUp() override { SetTodaySunTimes({}); }
    void TearDown() override {
        Settings() = Saved_;
        SetTodaySunTimes({});
    }

    static TSettings Place(double longitude, double latitude, double timeZone) {
        TSettings s;
        s.Longitude = longitude;
        s.Latitude = latitude;
        s.TimeZone = timeZone;
        return s;
    }

private:
    TSettings Saved_ = Settings();
};

TEST_F(SunTimesStateTest, UpdateAddsTheAdjustmentsAndSetsTheWholeGroup) {
    Settings() = Place(100, 0, 8);
    Settings().AdjustSunSet = 10;
    Settings().AdjustSunRise = -5;
    const TDateTime date = EncodeDate(2023, 1, 1);

    const TSunTimes set = UpdateSunTimes(date);

    const TSunTimes expected{Hm(19, 48), Hm(6, 59), date};
    EXPECT_EQ(set, expected);
    EXPECT_EQ(TodaySunTimes(), expected);
    EXPECT_EQ(TodaySunset(), Hm(19, 48));
    EXPECT_EQ(TodaySunrise(), Hm(6, 59));
    EXPECT_EQ(SunTimesDate(), date);
}

TEST_F(SunTimesStateTest, UpdateUsesTheGivenSettingsInsteadOfTheProgramOnes) {
    Settings() = Place(100, 0, 8);
    TSettings other = Place(116.4, 39.9, 8);
    other.AdjustSunSet = -3;
    const TDateTime date = EncodeDate(2023, 12, 22);

    UpdateSunTimes(date, other);

    EXPECT_EQ(TodaySunTimes(), (TSunTimes{Hm(17, 0), Hm(7, 17), date}));
}

TEST_F(SunTimesStateTest, FailedLookUpAddsTheAdjustmentsToMidnight) {
    TSettings s = Place(100, 61, 8);
    s.AdjustSunSet = 10;
    s.AdjustSunRise = -5;
    const TDateTime date = EncodeDate(2023, 1, 1);

    UpdateSunTimes(date, s);

    EXPECT_EQ(TodaySunTimes(), (TSunTimes{IncMinute(0, 10), IncMinute(0, -5), date}));
}

TEST_F(SunTimesStateTest, FailedSunriseKeepsTheSunsetInTheGroup) {
    TSettings s = Place(180, 28.6, 0);
    s.AdjustSunRise = 30;
    UpdateSunTimes(EncodeDate(2023, 1, 1), s);
    EXPECT_EQ(TodaySunset(), Hm(5, 25));
    EXPECT_EQ(TodaySunrise(), Hm(0, 30));
}

TEST_F(SunTimesStateTest, RefreshFollowsTheNightThatRunsFromNoonToNoon) {
    Settings() = Place(100, 0, 8);
    const TDateTime night = EncodeDate(2023, 6, 20);
    const TSunCalc sun = CalcSunTimes(100, 0, night, 8);

    // The morning of 21 June still belongs to the night of 20 June.
    EXPECT_TRUE(RefreshSunTimes(EncodeDateTime(2023, 6, 21, 11, 59, 0)));
    EXPECT_EQ(TodaySunTimes(), (TSunTimes{sun.Sunset, sun.Sunrise, night}));
    EXPECT_FALSE(RefreshSunTimes(EncodeDateTime(2023, 6, 20, 23, 0, 0)));

    // Changed settings wait for the next night.
    Settings().AdjustSunSet = 60;
    EXPECT_FALSE(RefreshSunTimes(EncodeDateTime(2023, 6, 21, 11, 59, 59)));
    EXPECT_EQ(TodaySunset(), sun.Sunset);

    const TDateTime next = EncodeDate(2023, 6, 21);
    const TSunCalc nextSun = CalcSunTimes(100, 0, next, 8);
    EXPECT_TRUE(RefreshSunTimes(EncodeDateTime(2023, 6, 21, 12, 0, 0)));
    EXPECT_EQ(TodaySunTimes(), (TSunTimes{IncMinute(nextSun.Sunset, 60), nextSun.Sunrise, next}));
}

// A reader on another thread sees either group whole, never the sunset of one with the
// sunrise or date of the other.
TEST_F(SunTimesStateTest, ReadersNeverSeeAMixedGroup) {
    const TSettings place = Place(100, 0, 8);
    const TDateTime winter = EncodeDate(2023, 1, 1);
    const TDateTime summer = EncodeDate(2023, 6, 21);
    const TSunTimes first = UpdateSunTimes(winter, place);
    const TSunTimes second = UpdateSunTimes(summer, place);
    const TSunTimes third{Hm(18, 1), Hm(6, 2), EncodeDate(2030, 3, 3)};
    ASSERT_NE(first.Sunset, second.Sunset);
    ASSERT_NE(first.Sunrise, second.Sunrise);

    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 20000; ++i) {
            switch (i % 3) {
                case 0:
                    UpdateSunTimes(winter, place);
                    break;
                case 1:
                    UpdateSunTimes(summer, place);
                    break;
                default:
                    SetTodaySunTimes(third);
                    break;
            }
        }
        done = true;
    });

    int reads = 0, mixed = 0;
    do {
        const TSunTimes seen = TodaySunTimes();
        ++reads;
        if (seen != first && seen != second && seen != third) ++mixed;
    } while (!done);
    writer.join();

    EXPECT_EQ(mixed, 0) << "of " << reads << " reads";
    EXPECT_EQ(TodaySunTimes(), second);  // the last write
}

}  // namespace
