#include "protocol/Rtu6Parameters.h"

#include <optional>

#include "protocol/Frame.h"
#include "protocol/ItemPayloads.h"
#include "protocol/WireValues.h"

namespace {

// Reads the parts of a composite item one after the other; a part that is not there in full
// comes back empty.
class TPartReader {
public:
    explicit TPartReader(const TBytes& bytes) : Bytes_(bytes) {}
    std::optional<TBytes> Take(size_t count) {
        if (Bytes_.size() - At_ < count) return std::nullopt;
        TBytes part = Bytes_.substr(At_, count);
        At_ += count;
        return part;
    }
    TBytes Rest() {
        TBytes rest = Bytes_.substr(At_);
        At_ = Bytes_.size();
        return rest;
    }

private:
    const TBytes& Bytes_;
    size_t At_ = 0;
};

using WireValue::SignedByte;
using WireValue::Word;

// Degrees and hours go as 16-bit integers scaled by `scale`; this write checks no range.
TBytes ScaledWord(double x, double scale) {
    const long v = Payload::RoundHalfEven(x * scale);
    return Payload::LoopsInUse(static_cast<std::uint16_t>(v & 0xFFFF)).value();
}

// A part that is there, decoded; nothing for a part that is missing.
template <class Decode>
auto DecodePart(const std::optional<TBytes>& part, Decode decode) -> decltype(decode(*part)) {
    if (!part) return std::nullopt;
    return decode(*part);
}

std::optional<double> ScaledValue(const std::optional<TBytes>& two, double scale, double low,
                                  double high) {
    return DecodePart(two, [&](const TBytes& b) { return WireValue::Scaled(b, scale, low, high); });
}
std::optional<std::uint8_t> FlagByte(const std::optional<TBytes>& one) {
    return DecodePart(one, WireValue::Flag);
}
std::optional<std::string> PhoneNumber(const std::optional<TBytes>& eleven) {
    return DecodePart(eleven, WireValue::PhoneNumber);
}
std::optional<std::uint8_t> WirePerformMode(const std::optional<TBytes>& one) {
    return DecodePart(one, WireValue::PerformMode);
}
std::optional<TDateTime> WireClock(const std::optional<TBytes>& eight) {
    return DecodePart(eight, WireValue::Clock);
}

std::set<int> ValidWeekdays(const std::set<int>& days) {
    std::set<int> valid;
    for (int d : days)
        if (d >= 1 && d <= 7) valid.insert(d);
    return valid;
}

}  // namespace

// ---- item 183 ----

TBytes TRtu6WarningParameters::Encode() const {
    return TBytes(Bytes_.begin(), Bytes_.end());
}

bool TRtu6WarningParameters::LoadFromBytes(const TBytes& bytes) {
    if (bytes.size() != kSize) return false;
    for (size_t i = 0; i < Bytes_.size(); ++i) Bytes_[i] = ByteAt(bytes, i);
    if (!ReportTimeFits()) return false;
    if ((Bytes_[0] & kOverVoltageKind) &&
        (OverVoltage() < kMinOverVoltage || OverVoltage() > kMaxOverVoltage))
        return false;
    if ((Bytes_[0] & kLowVoltageKind) &&
        (LowVoltage() < kMinLowVoltage || LowVoltage() > kMaxLowVoltage))
        return false;
    return true;
}

bool TRtu6WarningParameters::ReportTimeFits() const {
    switch (ReportPeriod()) {
        case kDaily:
            return ReportTime() < 24;
        case kWeekly:
            return (ReportTime() & 7) != 0;
        default:
            return true;
    }
}

std::set<int> TRtu6WarningParameters::AlarmSet() const {
    std::set<int> kinds;
    for (int k = 1; k <= 8; ++k)
        if (Bytes_[0] & (1 << (k - 1))) kinds.insert(k);
    return kinds;
}

void TRtu6WarningParameters::SetAlarmKinds(const std::set<int>& kinds) {
    std::uint8_t b0 = Bytes_[0] & 1;
    for (int k : kinds)
        if (k >= 2 && k <= 8) b0 |= static_cast<std::uint8_t>(1 << (k - 1));
    Bytes_[0] = b0;
}

void TRtu6WarningParameters::SetLogAlarms(bool on) {
    Bytes_[0] = static_cast<std::uint8_t>(on ? Bytes_[0] | 1 : Bytes_[0] & ~1);
}

void TRtu6WarningParameters::SetOverVoltage(int volts) {
    if (volts >= kMinOverVoltage && volts <= kMaxOverVoltage)
        Bytes_[1] = static_cast<std::uint8_t>(volts);
}

void TRtu6WarningParameters::SetLowVoltage(int volts) {
    if (volts >= kMinLowVoltage && volts <= kMaxLowVoltage)
        Bytes_[2] = static_cast<std::uint8_t>(volts);
}

int TRtu6WarningParameters::ReportPeriod() const {
    if (!(Bytes_[3] & kReportOn)) return kNoReport;
    return 1 + ((Bytes_[3] >> 5) & 3);
}

void TRtu6WarningParameters::SetReportPeriod(int period) {
    if (period == kNoReport) {
        Bytes_[3] &= static_cast<std::uint8_t>(~kReportOn);
    } else if (period >= kEveryTenMinutes && period <= kWeekly) {
        Bytes_[3] =
            static_cast<std::uint8_t>(kReportOn | (period - 1) << 5 | (Bytes_[3] & kTimeMask));
    }
}

void TRtu6WarningParameters::SetReportTime(int time) {
    Bytes_[3] = static_cast<std::uint8_t>((Bytes_[3] & ~kTimeMask) | (time & kTimeMask));
}

// ---- item 184 ----

bool TRtu6RestartPowerFlag::LoadFromBytes(const TBytes& bytes) {
    if (bytes.size() != 1) return false;
    Byte_ = ByteAt(bytes, 0);
    return RestartMode() == kDisabled || RestartLoop() != 0;
}

int TRtu6RestartPowerFlag::RestartMode() const {
    const int mode = (Byte_ >> 1) & 3;
    return mode == 3 ? kDisabled : mode;
}

void TRtu6RestartPowerFlag::SetRestartMode(int mode) {
    if (mode < kDisabled || mode > kManual) return;
    Byte_ = static_cast<std::uint8_t>((Byte_ & ~0x06) | mode << 1);
}

int TRtu6RestartPowerFlag::RestartLoop() const {
    switch (Byte_ >> 4) {
        case 1:
            return 5;
        case 2:
            return 6;
        case 4:
            return 7;
        case 8:
            return 8;
        default:
            return 0;
    }
}

void TRtu6RestartPowerFlag::SetRestartLoop(int loop) {
    if (loop < 5 || loop > 8) return;
    Byte_ = static_cast<std::uint8_t>((Byte_ & 0x0F) | 1 << (loop - 1));
}

// ---- item 118 ----

TBytes TRtu6Options::Encode() const {
    TBytes data = Payload::PerformMode(PerformMode).value_or(TBytes(1, '\x01'));
    data += Payload::WeekendsType(ValidWeekdays(WeekendDays)).value();
    data += Payload::RtuClock(RtuClock).value();
    data += ScaledWord(Longitude_, 100);
    data += ScaledWord(Latitude_, 100);
    data += ScaledWord(TimeZone_, 10);
    data += Payload::StdOnCorrection(StdOnCorrection).value();
    data += Payload::StdOffCorrection(StdOffCorrection).value();
    data += SomeDaysStdOn.Encode();
    return data + Holidays.Encode();
}

bool TRtu6Options::LoadFromBytes(const TBytes& bytes) {
    TPartReader parts(bytes);
    const auto mode = WirePerformMode(parts.Take(1));
    if (!mode) return false;
    PerformMode = *mode;
    const auto weekend = parts.Take(1);
    if (!weekend) return false;
    WeekendDays = WireValue::WeekDays(ByteAt(*weekend, 0));
    const auto clock = WireClock(parts.Take(8));
    if (!clock) return false;
    RtuClock = *clock;
    const auto longitude = ScaledValue(parts.Take(2), 100, -180, 180);
    if (!longitude) return false;
    Longitude_ = *longitude;
    const auto latitude = ScaledValue(parts.Take(2), 100, -90, 90);
    if (!latitude) return false;
    Latitude_ = *latitude;
    const auto zone = ScaledValue(parts.Take(2), 10, -12, 14);
    if (!zone) return false;
    TimeZone_ = *zone;
    const auto onCorrection = parts.Take(1);
    if (!onCorrection) return false;
    StdOnCorrection = SignedByte(*onCorrection);
    const auto offCorrection = parts.Take(1);
    if (!offCorrection) return false;
    StdOffCorrection = SignedByte(*offCorrection);
    TSomeDaysStdOn someDays;
    const auto someDaysBytes = parts.Take(TSomeDaysStdOn::kSize);
    if (!someDaysBytes || !someDays.LoadFromBytes(*someDaysBytes)) return false;
    SomeDaysStdOn = someDays;
    THolidaysList holidays;
    if (!holidays.LoadFromBytes(parts.Rest())) return false;
    holidays.AssignTo(Holidays);
    return true;
}

// ---- item 119 ----

TBytes TRtu6AdvancedOptions::Encode() const {
    TBytes data = Payload::LoopsInUse(LoopsInUse).value();
    data += Payload::LoopsIsStreetLamp(LcuLoops).value();
    data += Payload::KeepLcuStatusFlag(KeepLcuStatusFlag).value();
    data += static_cast<char>(AutoSaveInterval);
    data += Payload::WarningMode(WarningMode).value();
    data += Payload::LightMeterControlByte(LightControl).value();
    data += WarningParameters.Encode();
    data += RestartPowerFlag.Encode();
    data += PadLeft(CenterPhoneNumber, 11, ' ');
    data += Payload::CenterAddress(CenterAddress).value();
    data += static_cast<char>(RouteAddressMap.size() & 0xFF);
    return data + RouteAddressMap;
}

bool TRtu6AdvancedOptions::LoadFromBytes(const TBytes& bytes) {
    TPartReader parts(bytes);
    const auto loops = parts.Take(2);
    if (!loops) return false;
    LoopsInUse = Word(*loops);
    const auto lcuLoops = parts.Take(2);
    if (!lcuLoops) return false;
    LcuLoops = Word(*lcuLoops);
    const auto keep = FlagByte(parts.Take(1));
    if (!keep) return false;
    KeepLcuStatusFlag = *keep;
    const auto autoSave = parts.Take(1);
    if (!autoSave) return false;
    AutoSaveInterval = ByteAt(*autoSave, 0);
    const auto warningMode = FlagByte(parts.Take(1));
    if (!warningMode) return false;
    WarningMode = *warningMode;
    const auto light = parts.Take(1);
    if (!light) return false;
    LightControl = ByteAt(*light, 0);
    TRtu6WarningParameters warning;
    const auto warningBytes = parts.Take(TRtu6WarningParameters::kSize);
    if (!warningBytes || !warning.LoadFromBytes(*warningBytes)) return false;
    WarningParameters = warning;
    TRtu6RestartPowerFlag restart;
    const auto restartByte = parts.Take(1);
    if (!restartByte || !restart.LoadFromBytes(*restartByte)) return false;
    RestartPowerFlag = restart;
    const auto phone = PhoneNumber(parts.Take(11));
    if (!phone) return false;
    CenterPhoneNumber = *phone;
    const auto center = parts.Take(1);
    if (!center) return false;
    CenterAddress = ByteAt(*center, 0);
    const TBytes route = parts.Rest();
    if (route.empty() || route.size() != ByteAt(route, 0) + 1u) return false;
    RouteAddressMap = route.substr(1);
    return true;
}
