#include "schedules/HolidaysList.h"

#include <optional>

namespace {

// The holidays a new list starts with, as month and day.
constexpr struct {
    int Month, Day;
} kDefaultHolidays[] = {{1, 1}, {3, 8},  {5, 1},  {5, 2},  {5, 3},  {6, 1},  {7, 1},
                        {8, 1}, {9, 10}, {10, 1}, {10, 2}, {10, 3}, {12, 31}};

// The controller sends no year; a leap year lets 29 February through.
constexpr int kPayloadYear = 2000;

bool SameMonthAndDay(TDateTime a, TDateTime b) {
    const TDateParts x = DecodeDate(a), y = DecodeDate(b);
    return x.Month == y.Month && x.Day == y.Day;
}

std::optional<TDateTime> DateOfPair(std::uint8_t month, std::uint8_t day) {
    const char pair[] = {static_cast<char>(month), static_cast<char>(day)};
    if (!IsBcdText(std::string_view(pair, 2))) return std::nullopt;
    return TryEncodeDate(kPayloadYear, FromBcd(month), FromBcd(day));
}

}  // namespace

THolidaysList::THolidaysList() {
    AddDefaults();
}

void THolidaysList::AddDefaults() {
    Clear();
    const int year = YearOf(Today());
    for (const auto& holiday : kDefaultHolidays) Add(EncodeDate(year, holiday.Month, holiday.Day));
}

void THolidaysList::Clear() {
    Slots_.fill(0);
}

int THolidaysList::Count() const {
    int count = 0;
    for (TDateTime date : Slots_)
        if (date != 0) ++count;
    return count;
}

TDateTime THolidaysList::Get(int slot) const {
    return slot >= 1 && slot <= kSlotCount ? Slots_[slot - 1] : 0;
}

int THolidaysList::IndexOf(TDateTime date) const {
    if (DateOf(date) == 0) return -1;
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        const TDateTime held = Slots_[slot - 1];
        if (held != 0 && SameMonthAndDay(held, date)) return slot;
    }
    return -1;
}

int THolidaysList::Add(TDateTime date) {
    const TDateTime day = DateOf(date);
    if (day == 0) return -1;
    if (const int slot = IndexOf(day); slot > 0) return slot;
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        if (Slots_[slot - 1] == 0) {
            Slots_[slot - 1] = day;
            return slot;
        }
    }
    return -1;
}

TBytes THolidaysList::Encode() const {
    TBytes payload;
    for (int slot = 1; slot <= Count(); ++slot) {
        const TDateParts parts = DecodeDate(Slots_[slot - 1]);
        payload += static_cast<char>(ToBcd(parts.Month));
        payload += static_cast<char>(ToBcd(parts.Day));
    }
    payload += '\0';
    return payload;
}

bool THolidaysList::LoadFromBytes(const TBytes& payload) {
    Clear();
    if (payload.empty() || payload.back() != '\0' || payload.size() % 2 == 0) return false;
    for (size_t at = 0; at + 1 < payload.size(); at += 2) {
        const auto date = DateOfPair(ByteAt(payload, at), ByteAt(payload, at + 1));
        if (!date) {
            Clear();
            return false;
        }
        Add(*date);  // a date beyond the 32nd is dropped
    }
    return true;
}

void THolidaysList::ToStrings(std::vector<std::string>& lines) const {
    lines.clear();
    for (int slot = 1; slot <= Count(); ++slot)
        lines.push_back(FormatDateTime("mm-dd", Slots_[slot - 1]));
}

bool THolidaysList::LoadFromStrings(const std::vector<std::string>& lines) {
    Clear();
    const std::string yearPrefix = std::to_string(YearOf(Today())) + "-";
    for (const std::string& line : lines) {
        const auto date = TextToDate(yearPrefix + Trim(line));
        if (!date) {
            Clear();
            return false;
        }
        Add(*date);
    }
    return true;
}

void THolidaysList::AssignTo(THolidaysList& other) const {
    other.Slots_ = Slots_;
}
