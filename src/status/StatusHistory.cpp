#include "status/StatusHistory.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "protocol/Rtu6Class.h"

namespace {

constexpr int kVoltageBase = 100;  // a voltage byte counts volts above this
constexpr int kCurrentScale = 16;  // a current byte is the 12-bit reading divided by this

// Month and day compared the way the controller's year rule does.
int DayKey(int month, int day) {
    return month * 31 + day;
}

double HistoryVoltage(std::uint8_t b) {
    return b == 0 ? 0 : b + kVoltageBase;
}

double HistoryCurrent(std::uint8_t b) {
    const int raw = b * kCurrentScale;
    const TBytes reading{static_cast<char>(raw / 256), static_cast<char>(raw % 256)};
    return TRtu6::DecodeCurrent(reading);
}

}  // namespace

std::string StatusFormat(const char* format, ...) {
    char buffer[128];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) return {};
    return std::string(buffer, std::min<size_t>(static_cast<size_t>(n), sizeof buffer - 1));
}

std::optional<TStampParts> ReadBcdStamp(std::string_view bytes) {
    if (bytes.size() < 4 || !IsBcdText(bytes.substr(0, 4))) return std::nullopt;
    const auto part = [&](size_t k) { return FromBcd(static_cast<std::uint8_t>(bytes[k])); };
    const TStampParts parts{part(0), part(1), part(2), part(3)};
    if (parts.Month < 1 || parts.Month > 12 || parts.Day < 1 || parts.Day > 31) return std::nullopt;
    if (parts.Hour > 23 || parts.Minute > 59) return std::nullopt;
    return parts;
}

std::optional<TDateTime> StampDateTime(const TStampParts& parts, TDateTime today) {
    const TDateParts now = DecodeDate(today);
    const bool lastYear = DayKey(parts.Month, parts.Day) > DayKey(now.Month, now.Day);
    const auto date = TryEncodeDate(now.Year - (lastYear ? 1 : 0), parts.Month, parts.Day);
    if (!date) return std::nullopt;
    return *date + EncodeTime(parts.Hour, parts.Minute, 0);
}

void TRtu6StatusList::Clear() {
    Raw_.fill(0);
    Count_ = 0;
}

bool TRtu6StatusList::LoadFromBytes(const TBytes& payload) {
    Clear();
    if (payload.size() % kRecordSize != 0 || payload.size() > Raw_.size()) return false;
    payload.copy(Raw_.data(), payload.size());
    Count_ = static_cast<int>(payload.size() / kRecordSize);
    return true;
}

std::string_view TRtu6StatusList::RawRecord(int i) const {
    return std::string_view(Raw_.data() + static_cast<size_t>(i - 1) * kRecordSize, kRecordSize);
}

THistoryRecord TRtu6StatusList::Get(int i) const {
    if (i < 1 || i > Count_) return {};
    const std::string_view raw = RawRecord(i);
    const auto parts = ReadBcdStamp(raw);
    const auto time = parts ? StampDateTime(*parts, Today()) : std::nullopt;
    if (!time) return {};
    THistoryRecord record;
    record.Time = *time;
    for (size_t k = 0; k < 3; ++k) {
        record.Voltage[k] = HistoryVoltage(static_cast<std::uint8_t>(raw[4 + k]));
        record.Current[k] = HistoryCurrent(static_cast<std::uint8_t>(raw[7 + k]));
    }
    return record;
}

std::string TRtu6StatusList::AsText() const {
    std::string text;
    for (int i = 1; i <= Count_; ++i) {
        const THistoryRecord r = Get(i);
        text += FormatDateTime("yyyy-mm-dd hh:nn", r.Time) + "  " +
                StatusFormat("Av: %6.2f Bv: %6.2f Cv: %6.2f", r.Voltage[0], r.Voltage[1],
                             r.Voltage[2]) +
                " " +
                StatusFormat("Ai: %6.2f Bi: %6.2f Ci: %6.2f", r.Current[0], r.Current[1],
                             r.Current[2]) +
                "\r\n";
    }
    return text;
}

void TRtu6StatusList::AssignTo(TRtu6StatusList& target) const {
    target.Raw_ = Raw_;
    target.Count_ = Count_;
}
