// Read replies of the generation-6 controller into the current-data records, and the writes
// of the composite and alarm records.

#include <exception>
#include <span>
#include <unordered_map>

#include "app/Logs.h"
#include "platform/Encoding.h"
#include "protocol/Catalogue.h"
#include "protocol/CompositeItems.h"
#include "protocol/CurrentData.h"
#include "protocol/Rtu6Class.h"
#include "protocol/Rtu6Parameters.h"
#include "protocol/WireValues.h"
#include "schedules/TimeTables.h"
#include "schedules/WorkTable.h"
#include "stations/StationBase.h"
#include "status/Rtu6Status.h"

namespace {

// What a decoder works on: the session the reply belongs to and its station's street-lamp
// loops.
struct TReply {
    TRtu6& Session;
    std::uint16_t StreetLampLoops;
};

using TDecoder = bool (*)(const TReply& reply, const TBytes& data);

TRtu6Parameters& Params() {
    return CurrentParameters();
}

bool OneByte(const TBytes& data) {
    return data.size() == 1;
}

// ---- plans, clock and plan status ----

bool DecodeTimeTable(const TReply& reply, const TBytes& data) {
    if (!CurrentTimeTable().LoadFromBytes(data, reply.StreetLampLoops)) return false;
    CurrentTimeTable().Updated = Now();
    return true;
}

bool DecodeFixedTimer(const TReply& reply, const TBytes& data) {
    return data.size() >= 4 && LoadFixedTimerItem(CurrentTimeTable(), data, reply.StreetLampLoops);
}

bool DecodePlanList(TRtu6ActionTable& list, const TReply& reply, const TBytes& data) {
    return !data.empty() && LoadPlanItem(list, data, reply.StreetLampLoops);
}

bool DecodeTempOnOff(const TReply& reply, const TBytes& data) {
    TRtu6ActionTable& list = CurrentTimeTable().TemporaryOnOff();
    if (!DecodePlanList(list, reply, data)) return false;
    if (reply.Session.Station) reply.Session.Station->SetTemporaryOnOff(list.Count() > 0);
    return true;
}

template <int kList>
bool DecodePlan(const TReply& reply, const TBytes& data) {
    return DecodePlanList(CurrentTimeTable().List(kList), reply, data);
}

bool DecodePlanStatus(const TReply&, const TBytes& data) {
    TRtu6ThemesCRC status;
    if (!status.LoadFromBytes(data)) return false;
    CurrentPlanStatus() = status;
    status.CopyTo(CurrentTimeTable());
    return true;
}

bool DecodeWorkTable(const TReply&, const TBytes& data) {
    if (!CurrentWorkTable().LoadFromBytes(data)) return false;
    CurrentWorkTable().ReadAt = Now();
    return true;
}

bool DecodePerformMode(const TReply&, const TBytes& data) {
    const auto mode = WireValue::PerformMode(data);
    if (!mode) return false;
    CurrentPlanStatus().PerformMode = *mode;
    return true;
}

bool DecodeWeekendDays(const TReply&, const TBytes& data) {
    if (!OneByte(data)) return false;
    CurrentPlanStatus().WeekendDays = ByteAt(data, 0) & 0x7F;
    return true;
}

bool DecodeCurrentPlan(const TReply&, const TBytes& data) {
    return CurrentPlanStatus().LoadCurrentPlanCode(data);
}

// A clock that is no date is put right at once; the reply itself is refused.
bool DecodeRtuClock(const TReply& reply, const TBytes& data) {
    if (data.size() != 8 || !WireValue::IsWeekDayByte(ByteAt(data, 7))) return false;
    const TDateTime clock = reply.Session.DecodeBcdDateTime(data.substr(0, 7));
    if (clock == 0) {
        try {
            reply.Session.SetClockNow();
        } catch (const std::exception& e) {
            ShowError("ParseReply", e.what());
        }
        return false;
    }
    CurrentPlanStatus().RtuClock = clock;
    CurrentPlanStatus().RtuWeek = ByteAt(data, 7);
    return true;
}

bool DecodeStdOnCorrection(const TReply&, const TBytes& data) {
    if (!OneByte(data)) return false;
    CurrentPlanStatus().StdOnCorrection = WireValue::SignedByte(data);
    return true;
}

bool DecodeStdOffCorrection(const TReply&, const TBytes& data) {
    if (!OneByte(data)) return false;
    CurrentPlanStatus().StdOffCorrection = WireValue::SignedByte(data);
    return true;
}

// ---- place and switching settings ----

bool StoreScaled(double& field, const TBytes& data, double scale, double low, double high) {
    const auto v = WireValue::Scaled(data, scale, low, high);
    if (!v) return false;
    field = *v;
    return true;
}

bool DecodeLongitude(const TReply&, const TBytes& data) {
    return StoreScaled(Params().Longitude, data, 100, -180, 180);
}
bool DecodeLatitude(const TReply&, const TBytes& data) {
    return StoreScaled(Params().Latitude, data, 100, -90, 90);
}
bool DecodeTimeZone(const TReply&, const TBytes& data) {
    return StoreScaled(Params().TimeZone, data, 10, -12, 14);
}
// A signed byte of hundredths of an hour angle, within -0.3..0.3.
bool StoreHourAngle(double& field, const TBytes& data) {
    if (!OneByte(data)) return false;
    const double v = WireValue::SignedByte(data) / 100.0;
    if (v < -0.3 || v > 0.3) return false;
    field = v;
    return true;
}
bool DecodeOnHourAngle(const TReply&, const TBytes& data) {
    return StoreHourAngle(Params().OnHourAngle, data);
}
bool DecodeOffHourAngle(const TReply&, const TBytes& data) {
    return StoreHourAngle(Params().OffHourAngle, data);
}

bool DecodeSomeDaysStdOn(const TReply&, const TBytes& data) {
    TSomeDaysStdOn adjustment;
    if (data.size() != TSomeDaysStdOn::kSize || !adjustment.LoadFromBytes(data)) return false;
    Params().SomeDaysStdOn = adjustment;
    return true;
}

bool DecodeHolidays(const TReply&, const TBytes& data) {
    THolidaysList holidays;
    if (data.empty() || !holidays.LoadFromBytes(data)) return false;
    holidays.AssignTo(Params().Holidays);
    return true;
}

// ---- controller settings ----

template <class T>
bool StoreWord(T& field, const TBytes& data) {
    if (data.size() != 2) return false;
    field = WireValue::Word(data);
    return true;
}

template <class T>
bool StoreByte(T& field, const TBytes& data, int max = 255) {
    if (!OneByte(data) || ByteAt(data, 0) > max) return false;
    field = ByteAt(data, 0);
    return true;
}

bool DecodeLoopsInUse(const TReply&, const TBytes& data) {
    return StoreWord(Params().LoopsInUse, data);
}
bool DecodeLcuLoops(const TReply&, const TBytes& data) {
    return StoreWord(Params().LcuLoops, data);
}
bool DecodeCurrentInUse(const TReply&, const TBytes& data) {
    return StoreWord(Params().CurrentInUse, data);
}
bool DecodeWarningType(const TReply&, const TBytes& data) {
    return StoreWord(Params().WarningType, data);
}
bool DecodeKeepLcuStatus(const TReply&, const TBytes& data) {
    return StoreByte(Params().KeepLcuStatusFlag, data, 1);
}
bool DecodeAutoSaveInterval(const TReply&, const TBytes& data) {
    return StoreByte(Params().AutoSaveInterval, data);
}
bool DecodeWarningMode(const TReply&, const TBytes& data) {
    return StoreByte(Params().WarningMode, data, 1);
}
bool DecodeLightControl(const TReply&, const TBytes& data) {
    return StoreByte(Params().LightControl, data);
}
bool DecodeCenterAddress(const TReply&, const TBytes& data) {
    return StoreByte(Params().CenterAddress, data);
}
bool DecodeCommFormat(const TReply&, const TBytes& data) {
    return StoreByte(Params().CommFormat, data, 1);
}
bool DecodePoleCount(const TReply&, const TBytes& data) {
    return StoreByte(Params().PoleCountInUse, data);
}
bool DecodeMaskBitsForAPole(const TReply&, const TBytes& data) {
    return StoreByte(Params().MaskBitsForAPole, data, 4);
}
bool DecodeLampsMaskLength(const TReply&, const TBytes& data) {
    return StoreByte(Params().LampsMaskLength, data);
}
bool DecodeWattMetersInUse(const TReply&, const TBytes& data) {
    return StoreByte(Params().WattMetersInUse, data, 8);
}
bool DecodeICurrentP(const TReply&, const TBytes& data) {
    return OneByte(data);  // acknowledged, not kept
}

// Records whose own check decides; they are kept only when accepted.
template <class TRecord>
bool StoreRecord(TRecord& field, const TBytes& data, size_t size) {
    TRecord record;
    if (data.size() != size || !record.LoadFromBytes(data)) return false;
    field = record;
    return true;
}

bool DecodeWarningParameters(const TReply&, const TBytes& data) {
    return StoreRecord(Params().WarningParameters, data, TRtu6WarningParameters::kSize);
}
bool DecodeRestartPowerFlag(const TReply&, const TBytes& data) {
    return StoreRecord(Params().RestartPowerFlag, data, 1);
}

bool DecodeCenterPhone(const TReply&, const TBytes& data) {
    const auto number = WireValue::PhoneNumber(data);
    if (!number) return false;
    Params().CenterPhoneNumber = *number;
    return true;
}

bool DecodeRouteMap(const TReply&, const TBytes& data) {
    if (data.empty() || data.size() != ByteAt(data, 0) + 1u) return false;
    Params().RouteAddressMap = data.substr(1);
    return true;
}

bool DecodeWattMeterCommand(const TReply&, const TBytes& data) {
    if (data.size() < 2 || ByteAt(data, 0) * ByteAt(data, 1) + 2u != data.size()) return false;
    Params().WattMeterCommand = data;
    return true;
}

bool DecodeRtuAddress(const TReply& reply, const TBytes& data) {
    const auto address = reply.Session.DecodeAddressReply(data);
    if (!address) return false;
    Params().RtuAddress = *address;
    return true;
}

bool DecodeVersion(const TReply&, const TBytes& data) {
    Params().VersionInfo = GbkToUtf8(data);
    return true;
}

bool DecodeLastStartTime(const TReply& reply, const TBytes& data) {
    if (data.size() != 7) return false;
    Params().LastStartTime = reply.Session.DecodeBcdDateTime(data);
    return Params().LastStartTime != 0;
}

// ---- single lamps ----

bool DecodeLcuStatus(const TReply&, const TBytes& data) {
    return Params().LcuStatus.LoadFromBytes(data);
}
bool DecodeLcuPhaseTable(const TReply&, const TBytes& data) {
    return Params().LcuPhaseTable.LoadFromBytes(data);
}
bool DecodeGuardAddresses(const TReply&, const TBytes& data) {
    return Params().GuardAddressTable.LoadFromBytes(data);
}
bool DecodeOkLamps(const TReply&, const TBytes& data) {
    return Params().OkLampAddressTable.LoadFromBytes(data);
}
bool DecodeTimeOutLamps(const TReply&, const TBytes& data) {
    return Params().TimeOutLampAddressTable.LoadFromBytes(data);
}
bool DecodeGuardMessages(const TReply&, const TBytes& data) {
    return Params().GuardMessages.LoadFromBytes(data);
}

bool DecodeStandardMasks(const TReply& reply, const TBytes& data) {
    TStation* station = reply.Session.Station;
    return station && station->LampsMask().LoadStandardMasks(data);
}
bool DecodeCustomMasks(const TReply& reply, const TBytes& data) {
    TStation* station = reply.Session.Station;
    return station && station->LampsMask().LoadCustomMasks(data);
}

// ---- status ----

bool DecodeLoopStatus(const TReply& reply, const TBytes& data) {
    if (!CurrentStatus().DecodeLoopStatus(data, &reply.Session)) return false;
    CurrentStatus().Updated = Now();
    return true;
}
bool DecodeAlarms(const TReply&, const TBytes& data) {
    return CurrentStatus().DecodeAlarms(data);
}
bool DecodeEnergy(const TReply&, const TBytes& data) {
    if (!CurrentStatus().DecodeEnergyData(data)) return false;
    CurrentStatus().Updated = Now();
    return true;
}
bool DecodeHistory(const TReply&, const TBytes& data) {
    return CurrentStatus().History.LoadFromBytes(data);
}

// ---- composite items ----

bool DecodeItem(const TReply& reply, int item, const TBytes& data);

// Each part is stored as soon as it passes; the first that fails ends the decoding.
bool DecodeParts(const TReply& reply, const TBytes& data, std::span<const TItemPart> parts) {
    size_t at = 0;
    for (const TItemPart& part : parts) {
        const size_t left = data.size() - at;
        if (part.Size > left) return false;
        const size_t size = part.Size ? part.Size : left;
        if (!DecodeItem(reply, part.Item, data.substr(at, size))) return false;
        at += size;
    }
    return true;
}

bool DecodeOptions(const TReply& reply, const TBytes& data) {
    return DecodeParts(reply, data, OptionsParts());
}

bool DecodeAdvancedOptions(const TReply& reply, const TBytes& data) {
    return DecodeParts(reply, data, AdvancedOptionsParts());
}

const std::unordered_map<int, TDecoder>& Decoders() {
    static const std::unordered_map<int, TDecoder> decoders = {
        {Item::AllPlans, DecodeTimeTable},
        {Item::FixedTimer, DecodeFixedTimer},
        {Item::TempTimer, DecodeTempOnOff},
        {Item::NormalTheme, DecodePlan<0>},
        {Item::WeekendTheme, DecodePlan<1>},
        {Item::HolidayTheme, DecodePlan<2>},
        {Item::CustomTheme, DecodePlan<3>},
        {Item::StdOnCorrection, DecodeStdOnCorrection},
        {Item::StdOffCorrection, DecodeStdOffCorrection},
        {Item::RtuTime, DecodePlanStatus},
        {Item::WorkTable, DecodeWorkTable},
        {Item::PerformMode, DecodePerformMode},
        {Item::WeekendsType, DecodeWeekendDays},
        {Item::HolidaysList, DecodeHolidays},
        {Item::FixedLampsModes, DecodeStandardMasks},
        {Item::CustomLampsModes, DecodeCustomMasks},
        {Item::CurrentThemeName, DecodeCurrentPlan},
        {Item::LcuStatus, DecodeLcuStatus},
        {Item::LcuPhaseTable, DecodeLcuPhaseTable},
        {Item::GuardAddressTable, DecodeGuardAddresses},
        {Item::OkLampAddressTable, DecodeOkLamps},
        {Item::SomeDaysStdOn, DecodeSomeDaysStdOn},
        {Item::RtuClock, DecodeRtuClock},
        {Item::LcuFaultTable, DecodeTimeOutLamps},
        {Item::LightMeterControl, DecodeLightControl},
        {Item::CenterPhoneNumber, DecodeCenterPhone},
        {Item::TimerReport, DecodeLoopStatus},
        {Item::LoopStatus, DecodeLoopStatus},
        {Item::Alarms, DecodeAlarms},
        {Item::Energy, DecodeEnergy},
        {Item::History, DecodeHistory},
        {Item::GuardStatus, DecodeGuardMessages},
        {Item::Options, DecodeOptions},
        {Item::AdvancedOptions, DecodeAdvancedOptions},
        {Item::VersionInfo, DecodeVersion},
        {Item::LastStartTime, DecodeLastStartTime},
        {Item::RtuAddress, DecodeRtuAddress},
        {Item::CenterAddress, DecodeCenterAddress},
        {Item::RouteAddressMap, DecodeRouteMap},
        {Item::RtuCommDevice, DecodeCommFormat},
        {Item::WarningMode, DecodeWarningMode},
        {Item::WarningType, DecodeWarningType},
        {Item::LoopsInUse, DecodeLoopsInUse},
        {Item::LoopsIsStreetLamp, DecodeLcuLoops},
        {Item::Longitude, DecodeLongitude},
        {Item::Latitude, DecodeLatitude},
        {Item::WattMeterCommand, DecodeWattMeterCommand},
        {Item::KeepLcuStatusFlag, DecodeKeepLcuStatus},
        {Item::PoleCountInUse, DecodePoleCount},
        {Item::MaskBitsForAPole, DecodeMaskBitsForAPole},
        {Item::LampsMaskLength, DecodeLampsMaskLength},
        {Item::GaoDuJiaoOn, DecodeOnHourAngle},
        {Item::GaoDuJiaoOff, DecodeOffHourAngle},
        {Item::WattMetersInUse, DecodeWattMetersInUse},
        {Item::RtuTimeZone, DecodeTimeZone},
        {Item::AutoSaveInterval, DecodeAutoSaveInterval},
        {Item::WarningParameters, DecodeWarningParameters},
        {Item::RestartPowerFlag, DecodeRestartPowerFlag},
        {Item::CurrentInUse, DecodeCurrentInUse},
        {Item::ICurrentP, DecodeICurrentP},
    };
    return decoders;
}

bool DecodeItem(const TReply& reply, int item, const TBytes& data) {
    const auto& decoders = Decoders();
    const auto found = decoders.find(item);
    return found != decoders.end() && found->second(reply, data);
}

}  // namespace

// ---- the reply entry ----

bool TRtu6::ParseReply(const TBytes& frame) {
    const int item = ReplyItemOf(frame);
    if (item == Frame::kNotAFrame) return false;
    const int kind = ReplyKindOf(frame);
    if (kind == Frame::kWriteKind) return true;
    if (kind != Frame::kReadKind) return false;
    if (ReplyTime(frame) == 0) return false;
    int n = 0, i = 0;
    if (!GetPacketNumbers(frame, n, i)) return false;
    if (!CollectPacket(frame, item, n, i)) return false;
    if (i < n) return true;
    const TBytes data = PayloadOf(n > 1 ? PendingPackets : frame);
    const std::uint16_t loops = Station ? Station->StreetLampMask() : 0;
    return DecodeItem(TReply{*this, loops}, item, data);
}

bool TRtu6::CollectPacket(const TBytes& frame, int item, int n, int i) {
    if (n == 1 || i == 1) {
        PendingPackets = frame;
        return true;
    }
    int pendingN = 0, pendingI = 0;
    if (ReplyItemOf(PendingPackets) != item ||
        !GetPacketNumbers(PendingPackets, pendingN, pendingI) || pendingN != n ||
        pendingI != i - 1)
        return false;
    TBytes merged = MergePackets(PendingPackets, frame);
    if (merged.empty()) return false;
    PendingPackets = std::move(merged);
    return true;
}

std::optional<int> TRtu6::DecodeAddressReply(const TBytes& data) const {
    if (data.size() != 1) return std::nullopt;
    const int address = ByteAt(data, 0);
    if (address < 1 || address > 254) return std::nullopt;
    return address;
}

std::optional<int> TRtu61::DecodeAddressReply(const TBytes& data) const {
    if (data.size() != 2) return std::nullopt;
    const int address = ByteAt(data, 0) << 8 | ByteAt(data, 1);
    if (address < 1 || address > 0x9999 || !IsBcdNumber(static_cast<std::uint64_t>(address)))
        return std::nullopt;
    return address;
}

// ---- writes of whole records ----

void TRtu6::SendOptions(const TRtu6Options& options) {
    SendSetCommand(Item::Options, options.Encode(), 0, 0);
}
void TRtu6::SendAdvancedOptions(const TRtu6AdvancedOptions& options) {
    SendSetCommand(Item::AdvancedOptions, options.Encode(), 0, 0);
}
void TRtu6::SendWarningParameters(const TRtu6WarningParameters& parameters) {
    SendSetCommand(Item::WarningParameters, parameters.Encode(), 0, 0);
}
void TRtu6::SendRestartPowerFlag(const TRtu6RestartPowerFlag& flag) {
    SendSetCommand(Item::RestartPowerFlag, flag.Encode(), 0, 0);
}
void TRtu6::SendLcuPhaseTable(const TRtu6LCUPhaseTable& table) {
    SendSetCommand(Item::LcuPhaseTable, table.Encode(), 0, 0);
}
void TRtu6::SendWarningSettings() {
    SendWarningParameters(CurrentParameters().WarningParameters);
}
