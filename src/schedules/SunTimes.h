#pragma once
// Today's sunset and sunrise. They are not computed astronomically: two tables of local times,
// made for longitude 100° east in UTC+8, are interpolated by day of the year and by northern
// latitude (0° to 60° in steps of 10°), and the result is shifted to the user's longitude and
// time zone.
//
// The process keeps one group of today's sun times (sunset, sunrise, the schedule date they
// belong to), which every schedule computation reads. It is changed and read as a whole under
// one lock, so no thread ever sees the sunset of one day with the sunrise of another.

#include "platform/Clock.h"

struct TSettings;

// The outcome of one table look-up. Sunset and Sunrise are times of day; a time that could
// not be made stays 0, and then Ok is false.
struct TSunCalc {
    bool Ok = false;
    TDateTime Sunset = 0;
    TDateTime Sunrise = 0;

    bool operator==(const TSunCalc&) const = default;
};

// Sunset and sunrise on the date of `date` (its time of day is ignored) for a place at
// `longitude` degrees east (west negative, -180..180) and `latitude` degrees north (0..60), in a
// time zone `timeZone` hours east of UTC (fractions allowed). Fails for a place out of range
// (both 0) and for a time shifted out of 00:00..23:59; the sunset is made first, so when only
// the sunrise falls out of the day the sunset is kept.
TSunCalc CalcSunTimes(double longitude, double latitude, TDateTime date, double timeZone);

// Today's sunset and sunrise (user adjustments included) and the schedule date they were made
// for. All 0 until the first update.
struct TSunTimes {
    TDateTime Sunset = 0;
    TDateTime Sunrise = 0;
    TDateTime Date = 0;

    bool operator==(const TSunTimes&) const = default;
};

// The whole group, consistent. Thread-safe.
TSunTimes TodaySunTimes();
// Replaces the whole group. Thread-safe.
void SetTodaySunTimes(const TSunTimes& times);
// Single values of the group, for code that needs just one of them.
TDateTime TodaySunset();
TDateTime TodaySunrise();
TDateTime SunTimesDate();

// Makes today's group for the schedule date `date` from the place, time zone and adjustments
// of `settings`: sunset + AdjustSunSet minutes, sunrise + AdjustSunRise minutes, Date = date.
// A failed look-up is not reported: the adjustments are then added to 0. Returns the group set.
TSunTimes UpdateSunTimes(TDateTime date, const TSettings& settings);
// The same with the program's settings (Settings()).
TSunTimes UpdateSunTimes(TDateTime date);

// The daily refresh: when the night that `now` belongs to (ScheduleDate) is not the one of
// today's group, updates the group for it with the program's settings. Returns whether it did.
bool RefreshSunTimes(TDateTime now);
