#pragma once
// The settings of a controller as the PC keeps them: the parameter record that read replies
// are decoded into, the two write records of the composite items 118 and 119, and the
// bit-packed alarm (183) and power-failure restart (184) settings used inside them and alone.
//
// Every LoadFromBytes takes whatever a controller sent: it answers false for data that is not
// such a record and never raises.

#include <array>
#include <cstdint>
#include <set>
#include <string>

#include "platform/Clock.h"
#include "protocol/ByteUtils.h"
#include "protocol/RtuBase.h"
#include "schedules/ActionTables.h"
#include "schedules/HolidaysList.h"
#include "status/LcuTables.h"

// Item 183: alarm kinds, voltage thresholds and the timed status report, four bytes b0..b3.
class TRtu6WarningParameters : public TIDataObj {
public:
    static constexpr int kSize = 4;
    static constexpr int kMinOverVoltage = 200, kMaxOverVoltage = 254;
    static constexpr int kMinLowVoltage = 20, kMaxLowVoltage = 180;
    // Report periods as ReportPeriod answers them.
    static constexpr int kNoReport = 0, kEveryTenMinutes = 1, kHourly = 2, kDaily = 3, kWeekly = 4;

    void Clear() { Bytes_ = {}; }
    TBytes Encode() const;
    // Exactly four bytes, stored even when refused. True only for a usable report time and
    // thresholds in range for the voltage alarms that are on.
    bool LoadFromBytes(const TBytes& bytes);

    // Element k (1..8) for bit k-1 of b0.
    std::set<int> AlarmSet() const;
    // Elements 2..8 become bits 1..7 of b0; the log flag (bit 0) is kept.
    void SetAlarmKinds(const std::set<int>& kinds);
    bool LogAlarms() const { return (Bytes_[0] & 1) != 0; }
    void SetLogAlarms(bool on);
    int OverVoltage() const { return Bytes_[1]; }
    void SetOverVoltage(int volts);  // ignored outside 200..254
    int LowVoltage() const { return Bytes_[2]; }
    void SetLowVoltage(int volts);  // ignored outside 20..180
    int ReportPeriod() const;
    // 0 turns the report off (period bits kept); 1..4 turn it on; other values are ignored.
    void SetReportPeriod(int period);
    // Daily: the hour; weekly: bits 0-2 the weekday, bits 3-4 the six-hour slot.
    int ReportTime() const { return Bytes_[3] & kTimeMask; }
    void SetReportTime(int time);

private:
    static constexpr std::uint8_t kTimeMask = 0x1F;
    static constexpr std::uint8_t kReportOn = 0x80;
    static constexpr std::uint8_t kOverVoltageKind = 0x20, kLowVoltageKind = 0x10;

    bool ReportTimeFits() const;

    std::array<std::uint8_t, kSize> Bytes_{};
};

// Item 184: how the high-voltage supply is switched back on after a power failure.
class TRtu6RestartPowerFlag : public TIDataObj {
public:
    static constexpr int kDisabled = 0, kAutomatic = 1, kManual = 2;

    TBytes Encode() const { return TBytes(1, static_cast<char>(Byte_)); }
    // Exactly one byte, stored even when refused; true when restarting is off or one of the
    // loops 5..8 is chosen.
    bool LoadFromBytes(const TBytes& bytes);
    int RestartMode() const;        // 0 for both "off" codes
    void SetRestartMode(int mode);  // 0..2; other values are ignored
    int RestartLoop() const;        // 5..8, or 0 when no single loop is chosen
    void SetRestartLoop(int loop);  // 5..8; other values are ignored

private:
    std::uint8_t Byte_ = 0;
};

// The parameter record shared with the older controller generations.
class TRtu4Parameters : public TIDataObj {
public:
    std::uint8_t LightControl = 0;  // item 97, the whole byte
    double Longitude = 0;
    double Latitude = 0;
    double OffHourAngle = 0;
    double OnHourAngle = 0;
    TDateTime LastStartTime = 0;  // 0 when unknown
    std::string VersionInfo;
    int RtuAddress = 0;
    double TimeZone = 0;  // hours
    THolidaysList Holidays;
};

// What the PC last read from a generation-6 controller.
class TRtu6Parameters : public TRtu4Parameters {
public:
    TSomeDaysStdOn SomeDaysStdOn;
    std::string CenterPhoneNumber;  // empty or 11 digits
    std::uint8_t CenterAddress = 0;
    TBytes RouteAddressMap;
    std::uint8_t CommFormat = 0;  // 0 radio, 1 short messages
    int WarningMode = 0;
    std::uint16_t WarningType = 0;
    std::uint16_t LcuLoops = 0;  // bit k-1 for loop k
    std::uint8_t PoleCountInUse = 0;
    std::uint8_t MaskBitsForAPole = 0;
    std::uint8_t WattMetersInUse = 0;
    std::uint8_t LampsMaskLength = 0;
    TBytes WattMeterCommand;  // count, length, then the commands
    std::uint8_t KeepLcuStatusFlag = 0;
    std::uint16_t LoopsInUse = 0;
    std::uint16_t CurrentInUse = 0;
    TRtu6LCUPhaseTable LcuPhaseTable;
    TRtu6LCUStatus LcuStatus;
    TRtu6GuardAddressTable GuardAddressTable;
    TRtu6GuardMessages GuardMessages;
    TRtu6OkLampAddressTable OkLampAddressTable;
    TRtu6TimeOutLampAddressTable TimeOutLampAddressTable;
    std::uint8_t AutoSaveInterval = 0;
    TRtu6WarningParameters WarningParameters;
    TRtu6RestartPowerFlag RestartPowerFlag;
};

// Item 118: the switching settings written in one go.
class TRtu6Options : public TIDataObj {
public:
    std::set<int> WeekendDays;  // 1 Monday .. 7 Sunday
    THolidaysList Holidays;
    TDateTime RtuClock = 0;
    std::uint8_t PerformMode = 0;  // 0..3
    int StdOffCorrection = 0;      // minutes
    TSomeDaysStdOn SomeDaysStdOn;
    int StdOnCorrection = 0;  // minutes

    double Latitude() const { return Latitude_; }
    void SetLatitude(double degrees) { Latitude_ = degrees; }
    double Longitude() const { return Longitude_; }
    void SetLongitude(double degrees) { Longitude_ = degrees; }
    double TimeZone() const { return TimeZone_; }
    void SetTimeZone(double hours) { TimeZone_ = hours; }

    // 23 bytes, then the holiday list.
    TBytes Encode() const;
    // The parts in wire order, each stored as soon as it is accepted; stops at the first part
    // that is refused. True only when every part, the holiday list last, is accepted.
    bool LoadFromBytes(const TBytes& bytes);

private:
    double Latitude_ = 0;
    double Longitude_ = 0;
    double TimeZone_ = 0;
};

// Item 119: the controller settings written in one go.
class TRtu6AdvancedOptions : public TIDataObj {
public:
    std::uint16_t LcuLoops = 0;
    TBytes RouteAddressMap;
    std::uint16_t LoopsInUse = 0;
    std::uint8_t CenterAddress = 0;
    int WarningMode = 0;
    std::uint8_t LightControl = 0;
    std::uint8_t KeepLcuStatusFlag = 0;
    std::string CenterPhoneNumber;
    std::uint8_t AutoSaveInterval = 0;
    TRtu6WarningParameters WarningParameters;
    TRtu6RestartPowerFlag RestartPowerFlag;

    // 25 bytes, then the route table.
    TBytes Encode() const;
    // As for item 118: parts stored as accepted, true only when the route table is accepted.
    bool LoadFromBytes(const TBytes& bytes);
};
