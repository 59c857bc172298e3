#pragma once
// Date-times as the controller tools count them: days since 1899-12-30 with the time of
// day as the fraction, local time. 0 stands for "none".
//
// Every "now" of the program goes through one replaceable clock, so that tests can set it
// and move it (midnight, noon, a clock set back).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

using TDateTime = double;

inline constexpr double kMinutesPerDay = 1440.0;
inline constexpr double kSecondsPerDay = 86400.0;
inline constexpr std::int64_t kMilliSecondsPerDay = 86400000;

struct TDateParts {
    int Year = 0, Month = 0, Day = 0;
};
struct TTimeParts {
    int Hour = 0, Minute = 0, Second = 0, MilliSecond = 0;
};

// Gregorian calendar. Try... answer nullopt for a date or time that does not exist.
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
std::optional<TDateTime> TryEncodeDate(int year, int month, int day);
std::optional<TDateTime> TryEncodeTime(int hour, int minute, int second, int milliSecond = 0);
// As the Try... forms; an impossible date or time gives 0.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int milliSecond = 0);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                         int milliSecond = 0);
// Decoding rounds to the nearest millisecond, so a value less than half a millisecond before
// midnight is the next day's 00:00:00.000.
TDateParts DecodeDate(TDateTime t);
TTimeParts DecodeTime(TDateTime t);

TDateTime DateOf(TDateTime t);  // midnight of the day
TDateTime TimeOf(TDateTime t);  // the time of day alone
int YearOf(TDateTime t);
int DayOfYear(TDateTime t);     // 1 for 1 January
int IsoDayOfWeek(TDateTime t);  // 1 Monday .. 7 Sunday
TDateTime IncDay(TDateTime t, int days);
TDateTime IncMinute(TDateTime t, std::int64_t minutes);
TDateTime IncMilliSecond(TDateTime t, std::int64_t ms);
// Milliseconds from b to a (a minus b), exact for date-times that carry whole milliseconds.
std::int64_t MilliSecondsFrom(TDateTime a, TDateTime b);

// Formats: yyyy, yy, mm, dd, hh, nn, ss, zzz; any other character stands for itself.
std::string FormatDateTime(const std::string& format, TDateTime t);
std::string DateToText(TDateTime t);      // yyyy-mm-dd
std::string TimeToText(TDateTime t);      // hh:nn:ss
std::string DateTimeToText(TDateTime t);  // yyyy-mm-dd hh:nn:ss
// Parsing of the same texts (blanks around are ignored; the seconds of a time may be left
// out; a date-time may be a date alone). nullopt for a text that is not such a value.
std::optional<TDateTime> TextToDate(const std::string& text);
std::optional<TDateTime> TextToTime(const std::string& text);
std::optional<TDateTime> TextToDateTime(const std::string& text);

// The source of "now".
class TClockSource {
public:
    virtual ~TClockSource() = default;
    virtual TDateTime Now() = 0;
};

// Local time of the system.
class TSystemClock : public TClockSource {
public:
    TDateTime Now() override;
};

// A clock that stands still until it is set or moved. Safe to read from several threads.
class TManualClock : public TClockSource {
public:
    explicit TManualClock(TDateTime start);
    TDateTime Now() override;
    void Set(TDateTime t);
    void AdvanceMilliSeconds(std::int64_t ms);

private:
    struct State;
    std::shared_ptr<State> State_;
};

// The program's "now". Thread-safe.
TDateTime Now();
TDateTime Today();
// Replaces the source of Now(); nullptr restores the system clock. The caller keeps the
// source alive until it is replaced again.
void SetClockSource(TClockSource* source);

// Puts a manual clock in place for the lifetime of the object (tests).
class TScopedManualClock {
public:
    explicit TScopedManualClock(TDateTime start);
    ~TScopedManualClock();
    TScopedManualClock(const TScopedManualClock&) = delete;
    TScopedManualClock& operator=(const TScopedManualClock&) = delete;
    TManualClock& Clock() { return Clock_; }

private:
    TManualClock Clock_;
    TClockSource* Previous_ = nullptr;  // restored on destruction; nullptr is the system clock
};
