#pragma once
// The controller's history of timed phase readings (data item 116): up to 36 raw records of
// the last reply, each decoded on demand into a time stamp, three voltages and three currents.
// Also the pieces that the status record shares with it: the year-less BCD time stamps the
// controller puts on its records, and printf-style formatting of the status texts.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "protocol/ByteUtils.h"
#include "protocol/RtuBase.h"

// printf-style formatting of one piece of a status text.
std::string StatusFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Month, day, hour and minute of a controller record stamp.
struct TStampParts {
    int Month = 0, Day = 0, Hour = 0, Minute = 0;
};

// The four BCD bytes month, day, hour, minute; none when a byte is not BCD or a part is out of
// range (month 1..12, day 1..31, hour 0..23, minute 0..59). Needs at least four bytes.
std::optional<TStampParts> ReadBcdStamp(std::string_view bytes);

// The stamp as a date-time: the controller keeps no year, so a month and day later in the year
// than today's belong to last year. None when that date does not exist (30 February).
std::optional<TDateTime> StampDateTime(const TStampParts& parts, TDateTime today);

// One decoded history record; all zero for a record that does not decode.
struct THistoryRecord {
    TDateTime Time = 0;
    std::array<double, 3> Voltage{};  // phases A, B, C, volts
    std::array<double, 3> Current{};  // phases A, B, C
};

class TRtu6StatusList : public TIDataObj {
public:
    static constexpr int kRecordSize = 10;
    static constexpr int kMaxCount = 36;

    void Clear();
    // Item 116 payload: whole records only, at most 36; otherwise the list stays empty and
    // false. The records are not examined here.
    bool LoadFromBytes(const TBytes& payload);
    int Count() const { return Count_; }
    // Record i (1..Count); all zero for any other i or a record whose stamp is not a date.
    THistoryRecord Get(int i) const;
    // "yyyy-mm-dd hh:nn  Av: ... Bv: ... Cv: ... Ai: ... Bi: ... Ci: ..." and CR LF per record.
    std::string AsText() const;
    void AssignTo(TRtu6StatusList& target) const;

    // The raw bytes of the records held, as received.
    TBytes Raw() const { return TBytes(Raw_.data(), static_cast<size_t>(Count_) * kRecordSize); }

private:
    std::string_view RawRecord(int i) const;

    std::array<char, kRecordSize * kMaxCount> Raw_{};
    int Count_ = 0;
};
