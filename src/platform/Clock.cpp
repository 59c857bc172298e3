#include "platform/Clock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <ctime>
#include <mutex>
#include <string_view>

namespace {

// ---- Day numbers --------------------------------------------------------------------------

constexpr int kMinYear = 1;
constexpr int kMaxYear = 9999;

constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

constexpr std::int64_t FloorMod(std::int64_t a, std::int64_t b) {
    return a - FloorDiv(a, b) * b;
}

// Days from 1970-01-01 of a proleptic Gregorian date (eras of 400 years, March-based years
// so that the leap day falls at the end of a year).
constexpr std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = FloorDiv(y, 400);
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

TDateParts CivilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int year = static_cast<int>(yoe + era * 400 + (month <= 2));
    return {year, month, day};
}

// The day count starts at 1899-12-30.
constexpr std::int64_t kEpochDays = DaysFromCivil(1899, 12, 30);

constexpr std::int64_t SerialOf(int year, int month, int day) {
    return DaysFromCivil(year, month, day) - kEpochDays;
}

constexpr double kMinSerial = static_cast<double>(SerialOf(kMinYear, 1, 1));
constexpr double kMaxSerial = static_cast<double>(SerialOf(kMaxYear, 12, 31));

// A date-time as a whole day and the millisecond of that day. The fraction counts forwards
// from midnight also before 1899-12-30, so that the arithmetic stays linear.
struct TSplit {
    std::int64_t Day = 0;
    std::int64_t MilliSecond = 0;
};

TSplit Split(TDateTime t) {
    // Keep the integer conversions defined for values no calendar can hold.
    if (!std::isfinite(t)) t = 0;
    t = std::clamp(t, kMinSerial, kMaxSerial + 1.0);
    const double day = std::floor(t);
    TSplit split{static_cast<std::int64_t>(day), std::llround((t - day) * kMilliSecondsPerDay)};
    if (split.MilliSecond == kMilliSecondsPerDay) {
        ++split.Day;
        split.MilliSecond = 0;
    }
    return split;
}

TDateTime Compose(std::int64_t day, std::int64_t milliSecond) {
    return static_cast<double>(day) +
           static_cast<double>(milliSecond) / static_cast<double>(kMilliSecondsPerDay);
}

TDateTime FromTotalMilliSeconds(std::int64_t total) {
    return Compose(FloorDiv(total, kMilliSecondsPerDay), FloorMod(total, kMilliSecondsPerDay));
}

std::int64_t TotalMilliSeconds(TSplit s) {
    return s.Day * kMilliSecondsPerDay + s.MilliSecond;
}

// ---- Texts --------------------------------------------------------------------------------

std::string Digits(int value, int width) {
    std::string text = std::to_string(value);
    if (static_cast<int>(text.size()) < width) text.insert(0, width - text.size(), '0');
    return text;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Reads the fields of a date or time text from left to right.
class TTextReader {
public:
    explicit TTextReader(std::string_view text) : Text_(text) {
        while (!Text_.empty() && IsBlank(Text_.front())) Text_.remove_prefix(1);
        while (!Text_.empty() && IsBlank(Text_.back())) Text_.remove_suffix(1);
    }

    bool AtEnd() const { return Text_.empty(); }

    bool Take(char c) {
        if (Text_.empty() || Text_.front() != c) return false;
        Text_.remove_prefix(1);
        return true;
    }

    bool TakeBlanks() {
        if (Text_.empty() || !IsBlank(Text_.front())) return false;
        while (!Text_.empty() && IsBlank(Text_.front())) Text_.remove_prefix(1);
        return true;
    }

    std::optional<int> Number(size_t minDigits, size_t maxDigits) {
        size_t count = 0;
        int value = 0;
        while (count < maxDigits && count < Text_.size() && Text_[count] >= '0' &&
               Text_[count] <= '9') {
            value = value * 10 + (Text_[count] - '0');
            ++count;
        }
        if (count < minDigits) return std::nullopt;
        Text_.remove_prefix(count);
        return value;
    }

private:
    std::string_view Text_;
};

std::optional<TDateTime> ReadDate(TTextReader& reader) {
    auto year = reader.Number(4, 4);
    if (!year || !reader.Take('-')) return std::nullopt;
    auto month = reader.Number(1, 2);
    if (!month || !reader.Take('-')) return std::nullopt;
    auto day = reader.Number(1, 2);
    if (!day) return std::nullopt;
    return TryEncodeDate(*year, *month, *day);
}

std::optional<TDateTime> ReadTime(TTextReader& reader) {
    auto hour = reader.Number(1, 2);
    if (!hour || !reader.Take(':')) return std::nullopt;
    auto minute = reader.Number(1, 2);
    if (!minute) return std::nullopt;
    std::optional<int> second = 0;
    if (reader.Take(':')) second = reader.Number(1, 2);
    if (!second) return std::nullopt;
    return TryEncodeTime(*hour, *minute, *second);
}

// ---- The current source of "now" ----------------------------------------------------------

std::atomic<TClockSource*> gClockSource{nullptr};

TClockSource& SystemClock() {
    static TSystemClock clock;
    return clock;
}

}  // namespace

// ---- Calendar -----------------------------------------------------------------------------

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

std::optional<TDateTime> TryEncodeDate(int year, int month, int day) {
    if (year < kMinYear || year > kMaxYear || day < 1 || day > DaysInMonth(year, month))
        return std::nullopt;
    return static_cast<double>(SerialOf(year, month, day));
}

std::optional<TDateTime> TryEncodeTime(int hour, int minute, int second, int milliSecond) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        milliSecond < 0 || milliSecond > 999)
        return std::nullopt;
    const std::int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + milliSecond;
    return Compose(0, ms);
}

TDateTime EncodeDate(int year, int month, int day) {
    return TryEncodeDate(year, month, day).value_or(0);
}

TDateTime EncodeTime(int hour, int minute, int second, int milliSecond) {
    return TryEncodeTime(hour, minute, second, milliSecond).value_or(0);
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                         int milliSecond) {
    auto date = TryEncodeDate(year, month, day);
    auto time = TryEncodeTime(hour, minute, second, milliSecond);
    if (!date || !time) return 0;
    return *date + *time;
}

TDateParts DecodeDate(TDateTime t) {
    return CivilFromDays(Split(t).Day + kEpochDays);
}

TTimeParts DecodeTime(TDateTime t) {
    const auto ms = static_cast<int>(Split(t).MilliSecond);
    return {ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000};
}

TDateTime DateOf(TDateTime t) {
    return Compose(Split(t).Day, 0);
}

TDateTime TimeOf(TDateTime t) {
    return Compose(0, Split(t).MilliSecond);
}

int YearOf(TDateTime t) {
    return DecodeDate(t).Year;
}

int DayOfYear(TDateTime t) {
    const TSplit split = Split(t);
    const int year = CivilFromDays(split.Day + kEpochDays).Year;
    return static_cast<int>(split.Day - SerialOf(year, 1, 1)) + 1;
}

int IsoDayOfWeek(TDateTime t) {
    // Day 0 was a Saturday, ISO day 6.
    return static_cast<int>(FloorMod(Split(t).Day + 5, 7)) + 1;
}

TDateTime IncDay(TDateTime t, int days) {
    return IncMilliSecond(t, days * kMilliSecondsPerDay);
}

TDateTime IncMinute(TDateTime t, std::int64_t minutes) {
    return IncMilliSecond(t, minutes * 60000);
}

TDateTime IncMilliSecond(TDateTime t, std::int64_t ms) {
    return FromTotalMilliSeconds(TotalMilliSeconds(Split(t)) + ms);
}

std::int64_t MilliSecondsFrom(TDateTime a, TDateTime b) {
    const TSplit sa = Split(a);
    const TSplit sb = Split(b);
    return (sa.Day - sb.Day) * kMilliSecondsPerDay + (sa.MilliSecond - sb.MilliSecond);
}

// ---- Texts --------------------------------------------------------------------------------

std::string FormatDateTime(const std::string& format, TDateTime t) {
    const TDateParts date = DecodeDate(t);
    const TTimeParts time = DecodeTime(t);
    struct TToken {
        std::string_view Name;
        int Value;
        int Width;
    };
    const TToken tokens[] = {
        {"yyyy", date.Year, 4}, {"yy", date.Year % 100, 2},   {"mm", date.Month, 2},
        {"dd", date.Day, 2},    {"hh", time.Hour, 2},         {"nn", time.Minute, 2},
        {"ss", time.Second, 2}, {"zzz", time.MilliSecond, 3},
    };
    std::string out;
    std::string_view rest(format);
    while (!rest.empty()) {
        auto token = std::find_if(std::begin(tokens), std::end(tokens),
                                  [&](const TToken& k) { return rest.starts_with(k.Name); });
        if (token == std::end(tokens)) {
            out.push_back(rest.front());
            rest.remove_prefix(1);
            continue;
        }
        out += Digits(token->Value, token->Width);
        rest.remove_prefix(token->Name.size());
    }
    return out;
}

std::string DateToText(TDateTime t) {
    return FormatDateTime("yyyy-mm-dd", t);
}

std::string TimeToText(TDateTime t) {
    return FormatDateTime("hh:nn:ss", t);
}

std::string DateTimeToText(TDateTime t) {
    return FormatDateTime("yyyy-mm-dd hh:nn:ss", t);
}

std::optional<TDateTime> TextToDate(const std::string& text) {
    TTextReader reader(text);
    auto date = ReadDate(reader);
    if (!date || !reader.AtEnd()) return std::nullopt;
    return date;
}

std::optional<TDateTime> TextToTime(const std::string& text) {
    TTextReader reader(text);
    auto time = ReadTime(reader);
    if (!time || !reader.AtEnd()) return std::nullopt;
    return time;
}

std::optional<TDateTime> TextToDateTime(const std::string& text) {
    TTextReader reader(text);
    auto date = ReadDate(reader);
    if (!date) return std::nullopt;
    if (reader.AtEnd()) return date;
    if (!reader.TakeBlanks()) return std::nullopt;
    auto time = ReadTime(reader);
    if (!time || !reader.AtEnd()) return std::nullopt;
    return *date + *time;
}

// ---- Clocks -------------------------------------------------------------------------------

TDateTime TSystemClock::Now() {
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<milliseconds>(system_clock::now().time_since_epoch());
    const auto seconds = floor<std::chrono::seconds>(sinceEpoch);
    const std::time_t whole = static_cast<std::time_t>(seconds.count());
    std::tm local{};
    localtime_r(&whole, &local);
    // A leap second (60) has no place in a day of 86400 seconds.
    return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                          local.tm_min, std::min(local.tm_sec, 59),
                          static_cast<int>((sinceEpoch - seconds).count()));
}

struct TManualClock::State {
    std::mutex Lock;
    TDateTime Time = 0;
};

TManualClock::TManualClock(TDateTime start) : State_(std::make_shared<State>()) {
    State_->Time = start;
}

TDateTime TManualClock::Now() {
    std::lock_guard lock(State_->Lock);
    return State_->Time;
}

void TManualClock::Set(TDateTime t) {
    std::lock_guard lock(State_->Lock);
    State_->Time = t;
}

void TManualClock::AdvanceMilliSeconds(std::int64_t ms) {
    std::lock_guard lock(State_->Lock);
    State_->Time = IncMilliSecond(State_->Time, ms);
}

TDateTime Now() {
    TClockSource* source = gClockSource.load(std::memory_order_acquire);
    return source ? source->Now() : SystemClock().Now();
}

TDateTime Today() {
    return DateOf(Now());
}

void SetClockSource(TClockSource* source) {
    gClockSource.store(source, std::memory_order_release);
}

TScopedManualClock::TScopedManualClock(TDateTime start)
    : Clock_(start), Previous_(gClockSource.exchange(&Clock_, std::memory_order_acq_rel)) {}

TScopedManualClock::~TScopedManualClock() {
    gClockSource.store(Previous_, std::memory_order_release);
}
