#pragma once
// One switching action of a controller's action list, in its 6-byte wire form, and the texts
// and effective times of the on/off entries that actions are made from.

#include <array>
#include <cstdint>
#include <string>

#include "platform/Clock.h"
#include "protocol/ByteUtils.h"
#include "protocol/RtuBase.h"
#include "schedules/Themes.h"

// Time kinds of an action (bits 4-6 of its flags byte).
inline constexpr int kKindAtSunset = 0;
inline constexpr int kKindAtSunrise = 1;
inline constexpr int kKindAtTime = 2;
inline constexpr int kKindAfterAction = 3;
inline constexpr int kKindBeforeSunset = 4;
inline constexpr int kKindAfterSunset = 5;
inline constexpr int kKindBeforeSunrise = 6;
inline constexpr int kKindAfterSunrise = 7;

// Lamp modes: 1..15 standard (bank 0), 16..30 custom (bank 1, stored as mode - 15).
inline constexpr int kLastLampMode = 30;
inline constexpr int kLastStandardMode = 15;
inline constexpr int kAllLampsOutMode = 15;  // "全灭"

inline constexpr int kActionSize = 6;

// The flags, hour and minute bytes of an action: on/off, time kind, reference and time.
class TRtu4Action : public TIDataObj {
public:
    virtual void AssignTo(TIDataObj& target) const;
    virtual void Reset();

    bool IsOn() const { return (Flags_ & 0x80) != 0; }
    void SetOn(bool on);
    int TimeKind() const { return (Flags_ >> 4) & 7; }
    void SetTimeKind(int kind);
    // 1-based position, in the same list, of the action this one is timed from (kind 3).
    int RefIndex() const { return Flags_ & 0x0F; }
    void SetRefIndex(int n);

    // 25 when the hour byte is not BCD or above 23.
    int Hour() const;
    // 0 when the minute byte is not BCD.
    int Minute() const;
    bool IsValid() const { return Hour() <= 23 && Minute() <= 59; }
    // hh:mm:00; raises the general check error for an invalid hour.
    TDateTime TimeOfDay() const;
    // Stores hour and minute of t (the date is ignored).
    void SetTime(TDateTime t);

    // Kind, time and reference at once; the on/off bit stays.
    void AtSunset();
    void AtSunrise();
    void AtTime(TDateTime t);
    void AfterAction(int ref, TDateTime duration);
    void BeforeSunset(TDateTime duration);
    void AfterSunset(TDateTime duration);
    void BeforeSunrise(TDateTime duration);
    void AfterSunrise(TDateTime duration);

protected:
    void SetTimed(int kind, TDateTime t, int ref = 0);
    std::uint8_t Flags_ = 0;      // byte 0
    std::uint8_t HourBcd_ = 0;    // byte 1
    std::uint8_t MinuteBcd_ = 0;  // byte 2
};

// A generation-6 action: the bytes above, the loop set and the lamp byte. Six zero bytes are
// the reset state (a switch-off at sunset for no loop).
class TRtu6Action : public TRtu4Action {
public:
    // Copies all six bytes into another TRtu6Action; any other target is left alone.
    void AssignTo(TIDataObj& target) const override;
    // Bit n-1 stands for loop n.
    virtual std::uint16_t GetLoops() const;
    virtual void SetLoops(std::uint16_t loops);
    // Byte pos (1..6) in wire order; 0 for any other pos.
    virtual std::uint8_t GetByte(int pos) const;
    void Reset() override;
    // Exactly six bytes forming a valid action; otherwise the action is reset and false.
    virtual bool LoadFromBytes(const TBytes& bytes);
    // The switch-on / switch-off of one loop (1..16) from an entry. ref is the position of the
    // loop's preceding action, -1 for none. False for an impossible entry; a lamp mode outside
    // 1..30 with withLampMode raises the general check error.
    virtual bool MakeOn(const TOnceOnOffInfo& entry, int loop, bool withLampMode, int ref);
    virtual bool MakeOff(const TOnceOnOffInfo& entry, int loop, int ref);
    // True only for a TRtu6Action with the same six bytes.
    virtual bool SameAs(const TIDataObj& other) const;

    TBytes Encode() const;  // GetByte(1..6)

    bool HasLampMode() const { return (Lamp_ & 0x80) != 0; }
    bool IsCustomBank() const { return (Lamp_ & 0x40) != 0; }
    bool IsSaving() const { return (Lamp_ & 0x20) != 0; }
    int ModeNumber() const { return Lamp_ & 0x0F; }
    // 1..30; 1 when no lamp mode is given.
    int LampMode() const;
    void SetStandardMode(int n);
    void SetCustomMode(int n);
    void SetSaving(bool saving);
    void ClearLampMode();

private:
    bool SetLoopOf(int loop);
    std::uint8_t LoopsHigh_ = 0;  // byte 3: loops 9..16
    std::uint8_t LoopsLow_ = 0;   // byte 4: loops 1..8
    std::uint8_t Lamp_ = 0;       // byte 5
};

// Names of the lamp modes, indexed by mode number (index 0 is empty).
extern const std::array<std::string, kLastLampMode + 1> LampsModeNames;

// Effective switch-on / switch-off time of entry k (1..6) of one loop, on the night axis.
// 0 when k is outside 1..6 or entry 1 or entry k is unused. prevOff is the effective
// switch-off of entry k-1, onTime the effective switch-on of entry k. A time mode outside
// 0..6 raises "时间模式错误.".
TDateTime OnTimeOf(const TOnOffInfo& entries, int k, TDateTime prevOff);
TDateTime OffTimeOf(const TOnOffInfo& entries, int k, TDateTime onTime);

// Texts of one time setting: "45分钟", "1小时30分", "2小时".
std::string DurationText(TDateTime t);
// "凌晨" strictly between 00:00 and 08:00, "次日" otherwise before 12:00, else empty.
std::string DayPartPrefix(TDateTime t);
std::string DescribeTime(int mode, TDateTime t);
std::string DescribeOn(int mode, TDateTime t);
std::string DescribeOff(int mode, TDateTime t);
