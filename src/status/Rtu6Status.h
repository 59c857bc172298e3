#pragma once
// The last loop status, alarm list and energy readings that a generation-6 controller reported,
// kept as one fixed-size image, and the texts the status page shows of it. The reply parser
// fills it from items 112/113 (loop status), 114 (alarms) and 115 (energy); it also owns the
// status history of item 116.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Clock.h"
#include "protocol/ByteUtils.h"
#include "protocol/RtuBase.h"
#include "status/StatusHistory.h"

class TRtuStatus : public TIDataObj {
public:
    // Date-time of the last successful decode; 0 when none.
    TDateTime Updated = 0;

    virtual void Clear() { Updated = 0; }
    virtual bool LoadFromDatabase(int address) = 0;
    virtual bool SaveToDatabase(int address) = 0;
};

// One alarm of the list: the kinds (bit k-1 stands for kind k) and when it was raised.
struct TRtuAlarm {
    std::uint8_t Kinds = 0;
    TDateTime Time = 0;
};

class TRtu6Status : public TRtuStatus {
public:
    static constexpr int kImageSize = 432;
    static constexpr int kMaxCurrents = 29;
    static constexpr int kMaxAlarms = 64;
    static constexpr int kMaxMeters = 8;

    TRtu6Status();

    // The status image; all 0 when cleared.
    std::array<std::uint8_t, kImageSize> Data{};
    TRtu6StatusList History;
    // The last alarm data came as a report (first byte 0) rather than as a read.
    bool IsAlarmReport = false;

    void Clear() override;
    // Copies the update time, the image, the history and the report flag.
    void AssignTo(TRtu6Status& target) const;

    // --- Decoders: never raise; false leaves their part of the image zero ------------
    // Items 112 and 113; needs the session and its station for channel mapping and zero
    // offsets.
    bool DecodeLoopStatus(const TBytes& data, const TRtu* session);
    bool DecodeAlarms(const TBytes& data);
    bool DecodeEnergyData(const TBytes& data);

    // --- Values ------------------------------------------------------------------------
    std::uint16_t InputState() const { return Word(0); }
    std::uint16_t OutputState() const { return Word(2); }
    bool DoorOpen() const { return Data[4] & 1; }
    // 0xFFFF when not measured.
    int LightLevel() const;
    TBytes LcuStatusBytes() const;
    double VoltageA() const { return Voltage(1); }
    double VoltageB() const { return Voltage(2); }
    double VoltageC() const { return Voltage(3); }
    // Current input k (1..29); 0 for any other k.
    double Current(int k) const;
    int AlarmCount() const;
    // Alarm k (1..AlarmCount) when its kind byte is set and its stamp is a date; a stamp that
    // passes the checks but names no date (30 February) is logged as an error.
    std::optional<TRtuAlarm> Alarm(int k) const;
    int MeterCount() const;
    // Meter k (1..MeterCount) in kWh; 0 for any other k.
    double Energy(int k) const;

    // --- Texts (lines end with CR LF) --------------------------------------------------
    std::string StatusText() const;
    std::string AlarmText() const;
    // The alarms alone, one a line, for the message panel when the alarms came as a report.
    std::string NewAlarmText() const;
    std::string EnergyText() const;

    // The controller's database table; the INI store runs no statements, so these only
    // succeed with a database-backed store.
    bool LoadFromDatabase(int address) override;
    bool SaveToDatabase(int address) override;

    // Names of the alarm kinds 1..10; empty for any other kind.
    static std::string AlarmKindName(int kind);

private:
    std::uint16_t Word(size_t offset) const;
    void SetWord(size_t offset, int value);
    TBytes ImageBytes(size_t offset, size_t count) const;
    double Voltage(int phase) const;
    void ClearLoopStatus();
    void ClearAlarms();
    void ClearEnergy();
    // The part of the loop status after its first nine bytes; false on a failed check.
    bool StoreChannels(const TBytes& data, const TStation& station);
    void CorrectZeroReadings(int channels, const TStation& station);
    // "mm-dd hh:nn kinds", or sixteen blanks for an empty alarm.
    std::string AlarmEntry(int k) const;
};
