#include "schedules/SunTimes.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>

#include "app/Settings.h"
#include "schedules/NightAxis.h"

namespace {

// ---- The tables ---------------------------------------------------------------------------

constexpr std::size_t kLatitudeColumns = 7;  // 0°, 10°, ..., 60° north
constexpr std::size_t kSunRows = 32;

// Times in hundredths of an hour (1965 = 19.65 h), local time at 100° east in UTC+8.
struct TSunRow {
    std::uint16_t Day;  // 0-based day of the year, 0 = 1 January
    std::array<std::uint16_t, kLatitudeColumns> Times;
};
using TSunTable = std::array<TSunRow, kSunRows>;

// clang-format off
constexpr TSunTable kSunsetTable = {{
    {  0, {1965, 1937, 1905, 1870, 1827, 1763, 1653}},
    {  5, {1968, 1940, 1910, 1877, 1833, 1772, 1665}},
    { 10, {1972, 1945, 1917, 1883, 1840, 1782, 1680}},
    { 15, {1975, 1950, 1922, 1890, 1850, 1793, 1697}},
    { 20, {1978, 1953, 1927, 1897, 1858, 1805, 1717}},
    { 52, {1985, 1972, 1957, 1942, 1922, 1895, 1855}},
    { 81, {1973, 1973, 1973, 1973, 1973, 1973, 1973}},
    {112, {1958, 1973, 1988, 2005, 2025, 2053, 2098}},
    {143, {1955, 1980, 2007, 2038, 2077, 2132, 2225}},
    {148, {1957, 1982, 2010, 2043, 2083, 2142, 2242}},
    {153, {1957, 1985, 2013, 2048, 2090, 2150, 2258}},
    {158, {1958, 1987, 2017, 2052, 2095, 2158, 2272}},
    {163, {1960, 1988, 2020, 2055, 2100, 2165, 2283}},
    {168, {1962, 1990, 2022, 2058, 2103, 2170, 2290}},
    {173, {1963, 1993, 2023, 2060, 2107, 2173, 2295}},
    {178, {1965, 1993, 2025, 2062, 2108, 2173, 2295}},
    {184, {1967, 1995, 2027, 2062, 2107, 2172, 2290}},
    {189, {1968, 1997, 2027, 2062, 2105, 2168, 2282}},
    {194, {1970, 1997, 2027, 2060, 2102, 2163, 2272}},
    {199, {1970, 1997, 2025, 2057, 2098, 2157, 2258}},
    {204, {1970, 1995, 2023, 2053, 2092, 2147, 2242}},
    {234, {1967, 1980, 1997, 2015, 2037, 2067, 2115}},
    {265, {1948, 1950, 1952, 1953, 1955, 1957, 1960}},
    {295, {1935, 1922, 1908, 1893, 1875, 1850, 1810}},
    {326, {1937, 1913, 1887, 1857, 1820, 1768, 1682}},
    {331, {1940, 1913, 1887, 1855, 1815, 1760, 1668}},
    {336, {1942, 1915, 1887, 1853, 1813, 1755, 1655}},
    {341, {1945, 1918, 1888, 1853, 1812, 1750, 1647}},
    {346, {1948, 1920, 1890, 1855, 1812, 1748, 1640}},
    {351, {1953, 1923, 1893, 1857, 1813, 1750, 1637}},
    {356, {1957, 1928, 1897, 1860, 1815, 1752, 1638}},
    {365, {1965, 1935, 1905, 1870, 1825, 1762, 1650}},
}};

constexpr TSunTable kSunriseTable = {{
    {  0, { 708,  737,  767,  802,  845,  905, 1008}},
    {  5, { 712,  740,  770,  803,  847,  905, 1005}},
    { 10, { 715,  742,  772,  805,  845,  903,  998}},
    { 15, { 718,  745,  772,  803,  843,  898,  988}},
    { 20, { 722,  747,  773,  803,  840,  892,  975}},
    { 52, { 727,  740,  753,  770,  788,  815,  857}},
    { 81, { 717,  717,  715,  715,  715,  715,  715}},
    {112, { 702,  687,  672,  655,  633,  605,  558}},
    {143, { 698,  673,  645,  615,  575,  517,  415}},
    {148, { 698,  672,  643,  610,  568,  507,  395}},
    {153, { 700,  672,  643,  608,  563,  500,  378}},
    {158, { 702,  673,  642,  607,  560,  493,  365}},
    {163, { 703,  673,  642,  605,  558,  490,  355}},
    {168, { 705,  675,  643,  605,  558,  488,  348}},
    {173, { 705,  677,  645,  607,  558,  488,  348}},
    {178, { 707,  678,  647,  608,  562,  490,  352}},
    {184, { 710,  680,  648,  612,  565,  495,  362}},
    {189, { 710,  682,  652,  615,  570,  502,  373}},
    {194, { 712,  685,  655,  620,  575,  510,  390}},
    {199, { 713,  687,  657,  623,  582,  520,  408}},
    {204, { 713,  688,  660,  628,  588,  532,  427}},
    {234, { 708,  693,  678,  660,  637,  605,  555}},
    {265, { 692,  690,  690,  688,  687,  683,  680}},
    {295, { 677,  690,  703,  718,  737,  762,  800}},
    {326, { 680,  703,  730,  758,  795,  845,  927}},
    {331, { 682,  708,  735,  767,  805,  858,  945}},
    {336, { 685,  712,  740,  773,  813,  870,  962}},
    {341, { 688,  717,  745,  780,  822,  880,  977}},
    {346, { 692,  720,  750,  785,  828,  888,  990}},
    {351, { 695,  725,  755,  790,  835,  895, 1000}},
    {356, { 700,  728,  760,  795,  840,  902, 1005}},
    {365, { 707,  735,  767,  802,  845,  905, 1008}},
}};
// clang-format on

// The look-up relies on keys that rise from 1 January to the leap day 31 December, the same in
// both tables.
constexpr bool SameRisingKeys(const TSunTable& a, const TSunTable& b) {
    if (a.front().Day != 0 || a.back().Day != 365) return false;
    for (std::size_t r = 0; r < kSunRows; ++r) {
        if (a[r].Day != b[r].Day) return false;
        if (r > 0 && a[r].Day <= a[r - 1].Day) return false;
    }
    return true;
}
static_assert(SameRisingKeys(kSunsetTable, kSunriseTable));

// ---- The look-up --------------------------------------------------------------------------

// Where a day and a latitude fall in the tables: the rows around the day (the same row when the
// day is a key) and the columns around the latitude (the same column on a multiple of 10°).
struct TSunCell {
    int Day = 0;
    double Latitude = 0;
    std::size_t Row1 = 0, Row2 = 0;
    std::size_t Col1 = 0, Col2 = 0;
};

TSunCell LocateCell(const TSunTable& table, int day, double latitude) {
    TSunCell cell{day, latitude};
    std::size_t row = kSunRows - 1;
    while (row > 0 && table[row].Day > day) --row;
    cell.Row1 = row;
    cell.Row2 = table[row].Day == day ? row : row + 1;
    const int column = static_cast<int>(latitude) / 10;
    cell.Col1 = static_cast<std::size_t>(column);
    cell.Col2 = latitude == 10.0 * column ? cell.Col1 : cell.Col1 + 1;
    return cell;
}

// The value of one latitude column on the day, between the two rows. Not rounded.
double DayValue(const TSunTable& table, const TSunCell& cell, std::size_t column) {
    const TSunRow& first = table[cell.Row1];
    const TSunRow& second = table[cell.Row2];
    const double a = first.Times[column];
    const double b = second.Times[column];
    if (a == b) return a;
    return a + (b - a) * (cell.Day - first.Day) / (second.Day - first.Day);
}

// Hundredths of an hour at 100° east, UTC+8; the latitude step is made in whole hundredths,
// cut toward zero.
double TableValue(const TSunTable& table, const TSunCell& cell) {
    const double low = DayValue(table, cell, cell.Col1);
    const double high = DayValue(table, cell, cell.Col2);
    if (low == high) return low;
    const double step = (cell.Latitude - 10.0 * static_cast<double>(cell.Col1)) * (high - low) /
                        (10.0 * static_cast<double>(cell.Col2 - cell.Col1));
    return low + std::trunc(step);
}

// The table value as a time of day at the user's longitude and in the user's time zone;
// nullopt when the shift leaves the day.
std::optional<TDateTime> ShiftedTime(double value, double longitude, double timeZone) {
    const double hours = value / 100 - (longitude - 100) / 15 - (8 - timeZone);
    if (!(hours >= 0 && hours < 24)) return std::nullopt;
    const double hour = std::trunc(hours);
    const double minute = std::trunc((hours - hour) * 60);
    return TryEncodeTime(static_cast<int>(hour), static_cast<int>(minute), 0);
}

std::optional<TDateTime> LookUp(const TSunTable& table, int day, double latitude, double longitude,
                                double timeZone) {
    return ShiftedTime(TableValue(table, LocateCell(table, day, latitude)), longitude, timeZone);
}

// ---- Today's group ------------------------------------------------------------------------

std::mutex gSunTimesLock;
TSunTimes gSunTimes;  // guarded by gSunTimesLock

}  // namespace

TSunCalc CalcSunTimes(double longitude, double latitude, TDateTime date, double timeZone) {
    TSunCalc result;
    // Written so that NaN is out of range too.
    if (!(longitude >= -180 && longitude <= 180) || !(latitude >= 0 && latitude <= 60))
        return result;
    const int day = DayOfYear(date) - 1;
    const auto sunset = LookUp(kSunsetTable, day, latitude, longitude, timeZone);
    if (!sunset) return result;
    result.Sunset = *sunset;
    const auto sunrise = LookUp(kSunriseTable, day, latitude, longitude, timeZone);
    if (!sunrise) return result;
    result.Sunrise = *sunrise;
    result.Ok = true;
    return result;
}

TSunTimes TodaySunTimes() {
    std::lock_guard lock(gSunTimesLock);
    return gSunTimes;
}

void SetTodaySunTimes(const TSunTimes& times) {
    std::lock_guard lock(gSunTimesLock);
    gSunTimes = times;
}

TDateTime TodaySunset() {
    return TodaySunTimes().Sunset;
}

TDateTime TodaySunrise() {
    return TodaySunTimes().Sunrise;
}

TDateTime SunTimesDate() {
    return TodaySunTimes().Date;
}

TSunTimes UpdateSunTimes(TDateTime date, const TSettings& settings) {
    const TSunCalc sun =
        CalcSunTimes(settings.Longitude, settings.Latitude, date, settings.TimeZone);
    const TSunTimes times{IncMinute(sun.Sunset, settings.AdjustSunSet),
                          IncMinute(sun.Sunrise, settings.AdjustSunRise), date};
    SetTodaySunTimes(times);
    return times;
}

TSunTimes UpdateSunTimes(TDateTime date) {
    return UpdateSunTimes(date, Settings());
}

bool RefreshSunTimes(TDateTime now) {
    const TDateTime date = ScheduleDate(now);
    if (date == SunTimesDate()) return false;
    UpdateSunTimes(date);
    return true;
}
