#pragma once
// The work table (data item 59): the controller's own digest of today, up to 17 time points,
// each saying which loops are on from that time and in which lamp mode.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Clock.h"
#include "protocol/ByteUtils.h"
#include "protocol/RtuBase.h"

class TRtu6TimeTable;

// The hour and minute bytes of a time point.
class TRtu4TimeStatus : public TIDataObj {
public:
    // 25 when the hour byte is not BCD or above 23.
    int Hour() const;
    // 0 when the minute byte is not BCD.
    int Minute() const;
    bool IsValid() const { return Hour() <= 23 && Minute() <= 59; }
    // hh:mm:00; 00:00 for a time point that is not valid.
    TDateTime TimeOfDay() const;

protected:
    std::uint8_t HourBcd_ = 0;    // byte 1
    std::uint8_t MinuteBcd_ = 0;  // byte 2
};

// One time point: hour, minute, loops 9-16, loops 1-8, lamp byte.
class TRtu6TimeStatus : public TRtu4TimeStatus {
public:
    static constexpr int kSize = 5;

    // Copies all five bytes into another TRtu6TimeStatus; any other target is left alone.
    virtual void AssignTo(TIDataObj& target) const;
    // Byte pos (1..5); 0 for any other pos.
    virtual std::uint8_t GetByte(int pos) const;
    // Bit n-1 stands for loop n.
    virtual std::uint16_t GetLoops() const;
    virtual void Reset();
    // Exactly five bytes forming a valid time point; otherwise the point is reset and false.
    virtual bool LoadFromBytes(const TBytes& bytes);
    virtual TBytes Encode() const;

    // Bit 7: a lamp mode is given; bits 0-3: its number.
    std::uint8_t LampByte() const { return Lamp_; }

private:
    std::uint8_t LoopsHigh_ = 0;  // byte 3: loops 9..16
    std::uint8_t LoopsLow_ = 0;   // byte 4: loops 1..8
    std::uint8_t Lamp_ = 0;       // byte 5
};

class TRtu6TimeStatusTable : public TIDataObj {
public:
    static constexpr int kMaxCount = 17;

    // Date-time of the last successful read; 0 until then.
    TDateTime ReadAt = 0;

    // The number of leading slots that hold a valid time point.
    int Count() const;
    // The time point of slot i (1..17) when it holds a valid one, else none.
    const TRtu6TimeStatus* Get(int i) const;
    // Empties every slot.
    void Clear();

    // Item 59 payload: a count byte n (0..17), then n records of a record number and the five
    // bytes of a time point. False for a wrong length, too many records or a time point that is
    // not valid; the time points before the one at fault stay.
    bool LoadFromBytes(const TBytes& payload);
    TBytes Encode() const;
    // One line per time point: "01 19:30 11000000 00000000 81" and CR LF.
    std::string AsText() const;

private:
    std::array<std::optional<TRtu6TimeStatus>, kMaxCount> Slots_{};
};

// Turns the work table back into a plain ordinary plan, for the on/off summary of a station:
// per loop 1..8, a fixed switch-on at its first switch-on and a fixed switch-off at its last
// switch-off; loops that switch at the same time point share one action. Lamp modes and loops
// 9..16 are not carried over. The target is cleared first; false, with the target left
// cleared, when the actions do not fit into an ordinary plan.
bool WorkTableToTimeTable(const TRtu6TimeStatusTable& work, TRtu6TimeTable& target);
