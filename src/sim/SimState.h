#pragma once
// Everything the simulated controller keeps: what the PC can write and read back, and the
// few facts its status replies are made from. Values are kept close to their wire form (plan
// items as their payloads, tables as their bytes) so that a reply gives back exactly what was
// written. The state lives in memory and in a JSON file that a trainer may also edit by hand.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "protocol/ByteUtils.h"

// Plan slots, in the order of the count bytes of the whole-table item.
enum TPlanSlot { kOrdinary = 0, kWeekend = 1, kHoliday = 2, kTemporary = 3, kTempOnOff = 4 };
inline constexpr int kPlanSlots = 5;

struct TSimAlarm {
    TDateTime Time = 0;      // month, day, hour and minute go on the wire
    std::uint8_t Kinds = 0;  // bit k-1: alarm kind k

    bool operator==(const TSimAlarm&) const = default;
};

struct TSimState {
    int Address = 5;  // 1..254

    // Each plan as its own item's payload: the count byte, then the list (with its dates for
    // the two temporary lists when the count is above 0).
    std::array<TBytes, kPlanSlots> Plans;
    // The controller's clock runs this far ahead of the PC's.
    double ClockOffsetSeconds = 0;
    std::uint8_t PerformMode = 1;     // wire code 1..4
    std::uint8_t WeekendDays = 0x60;  // bit d-1: weekday d (1 Monday .. 7 Sunday)
    TBytes Holidays;                  // item 67 payload
    int StdOnCorrection = 0;          // minutes
    int StdOffCorrection = 0;         // minutes
    TBytes SomeDaysStdOn;             // 5 bytes
    double Longitude = 116.4;
    double Latitude = 39.9;
    double TimeZone = 8.0;
    double OnHourAngle = 0;
    double OffHourAngle = 0;

    // Loops and measuring.
    std::uint16_t LoopsInUse = 0x00FF;
    std::uint16_t LcuLoops = 0;
    std::uint16_t CurrentInUse = 0x00FF;
    std::uint8_t ICurrentP = 20;
    std::uint8_t LightControl = 0;
    bool DoorOpen = false;

    // Communication.
    std::string CenterPhoneNumber;  // empty or 11 digits
    std::uint8_t CenterAddress = 0;
    TBytes RouteAddressMap;
    std::uint8_t CommDevice = 0;
    std::uint8_t AutoSaveInterval = 0;

    // Alarms and restart.
    int WarningMode = 0;
    std::uint16_t WarningType = 0;
    TBytes WarningParameters;  // 4 bytes
    std::uint8_t RestartPowerFlag = 0;
    std::vector<TSimAlarm> Alarms;

    // Energy meters.
    TBytes WattMeterCommand;
    std::uint8_t WattMetersInUse = 2;
    // Reading of each meter (kWh) at LastStartTime; the readings grow from there.
    std::vector<double> MeterBase;

    // Single lamps.
    TBytes StandardMasks;  // item 68 records
    TBytes CustomMasks;    // item 69 records
    std::uint8_t KeepLcuStatusFlag = 0;
    std::uint8_t PoleCountInUse = 0;
    std::uint8_t MaskBitsForAPole = 2;
    std::uint8_t LampsMaskLength = 4;
    TBytes LcuPhaseTable;                    // item 72
    TBytes GuardAddressTable;                // item 73
    TBytes OkLampTable;                      // item 80
    TBytes GuardMessages;                    // item 117, 10 bytes
    std::map<int, std::uint8_t> LampStates;  // lamp 1..255 -> state byte
    std::map<int, std::uint8_t> LampFaults;  // lamp 1..256 -> fault value 1..15

    std::string VersionInfo = "RTU-SIM V6.0 (simulated controller)";
    TDateTime LastStartTime = 0;  // controller clock

    // A fresh controller: one plan switching loops 1-8 on at sunset and off at sunrise,
    // the default holidays, started at `startTime`.
    static TSimState Defaults(TDateTime startTime);

    // The controller's clock at the PC time `pcNow`.
    TDateTime ControllerTime(TDateTime pcNow) const;
    void SetControllerTime(TDateTime controllerTime, TDateTime pcNow);
};

// JSON form. FromJson fills only what the text names, starting from `base`; a value of the
// wrong type or range raises std::runtime_error naming the key.
std::string StateToJson(const TSimState& state);
TSimState StateFromJson(const std::string& text, const TSimState& base);

// The state file: read at start when it exists, rewritten as a whole after every change
// (temporary file in the same folder, synced, renamed over the old one).
class TStateFile {
public:
    explicit TStateFile(std::string path) : Path_(std::move(path)) {}
    const std::string& Path() const { return Path_; }
    // nullopt when the file does not exist; raises std::runtime_error for one that cannot be
    // read or is not a state.
    std::optional<TSimState> Load(const TSimState& base) const;
    // Raises std::runtime_error when the file cannot be written.
    void Save(const TSimState& state) const;

private:
    std::string Path_;
};
