#include "sim/ItemHandler.h"

#include <array>
#include <cmath>
#include <initializer_list>
#include <span>

#include "platform/Encoding.h"
#include "protocol/Catalogue.h"
#include "protocol/CompositeItems.h"
#include "protocol/Frame.h"
#include "protocol/ItemPayloads.h"
#include "protocol/WireValues.h"
#include "schedules/ActionTables.h"
#include "schedules/HolidaysList.h"
#include "sim/StatusGenerator.h"

namespace {

constexpr size_t kMinFrame = 8;
constexpr int kMaxPlanActions = 15;
constexpr int kMaxTempOnOffActions = 2;

TBytes Byte(int v) {
    return TBytes(1, static_cast<char>(v & 0xFF));
}
TBytes Word(int v) {
    return Byte(v >> 8) + Byte(v);
}
TBytes Scaled(double value, double scale) {
    return Word(static_cast<int>(Payload::RoundHalfEven(value * scale)));
}
std::int16_t SignedWord(const TBytes& two) {
    return static_cast<std::int16_t>(WireValue::Word(two));
}

// The count byte and the size a plan item payload must have for it.
std::optional<size_t> PlanPayloadSize(const TBytes& data, int maxCount, size_t dateBytes) {
    if (data.empty() || ByteAt(data, 0) > maxCount) return std::nullopt;
    const size_t n = ByteAt(data, 0);
    const size_t size = 1 + (n > 0 ? dateBytes + 6 * n : 0);
    if (data.size() < size) return std::nullopt;
    return size;
}

bool StorePlan(TBytes& plan, const TBytes& data, int maxCount, size_t dateBytes) {
    const auto size = PlanPayloadSize(data, maxCount, dateBytes);
    if (!size) return false;
    plan = data.substr(0, *size);
    return true;
}

// Item 50: four count bytes, then the ordinary, weekend, holiday and temporary plan parts.
bool StoreFixedTimer(TSimState& s, const TBytes& data) {
    if (data.size() < 4) return false;
    std::array<TBytes, 4> plans;
    size_t at = 4;
    for (int k = 0; k < 4; ++k) {
        const size_t n = ByteAt(data, static_cast<size_t>(k));
        if (n > kMaxPlanActions) return false;
        const size_t size = n > 0 ? 6 * n + (k == kTemporary ? 8 : 0) : 0;
        if (at + size > data.size()) return false;
        plans[static_cast<size_t>(k)] = Byte(static_cast<int>(n)) + data.substr(at, size);
        at += size;
    }
    for (int k = 0; k < 4; ++k) s.Plans[k] = plans[static_cast<size_t>(k)];
    return true;
}

template <class T>
bool StoreByte(T& field, const TBytes& data, int max = 255) {
    if (data.size() != 1 || ByteAt(data, 0) > max) return false;
    field = static_cast<T>(ByteAt(data, 0));
    return true;
}

bool StoreWord(std::uint16_t& field, const TBytes& data) {
    if (data.size() != 2) return false;
    field = WireValue::Word(data);
    return true;
}

bool StoreScaled(double& field, const TBytes& data, double scale) {
    if (data.size() != 2) return false;
    field = SignedWord(data) / scale;
    return true;
}

bool StoreSignedByte(int& field, const TBytes& data) {
    if (data.size() != 1) return false;
    field = WireValue::SignedByte(data);
    return true;
}

bool StoreHourAngle(double& field, const TBytes& data) {
    if (data.size() != 1) return false;
    field = WireValue::SignedByte(data) / 100.0;
    return true;
}

bool StoreTable(TBytes& field, const TBytes& data, size_t max) {
    if (data.size() > max) return false;
    field = data;
    return true;
}

bool StorePhone(std::string& field, const TBytes& data) {
    if (data.size() != 11) return false;
    const auto number = WireValue::PhoneNumber(data);
    if (!number) return false;
    field = *number;
    return true;
}

bool StoreClock(TSimState& s, const TBytes& data, TDateTime pcNow) {
    if (data.size() < 7) return false;
    const TDateTime clock = Frame::DecodeBcdDateTime(data.substr(0, 7));
    if (clock == 0) return false;
    s.SetControllerTime(clock, pcNow);
    return true;
}

bool StoreHolidays(TBytes& field, const TBytes& data) {
    THolidaysList list;
    if (!list.LoadFromBytes(data)) return false;
    field = data;
    return true;
}

bool StoreSomeDaysStdOn(TBytes& field, const TBytes& data) {
    TSomeDaysStdOn adjustment;
    if (data.size() != TSomeDaysStdOn::kSize || !adjustment.LoadFromBytes(data)) return false;
    field = data;
    return true;
}

bool StoreMeterCount(TSimState& s, const TBytes& data) {
    if (!StoreByte(s.WattMetersInUse, data, 8)) return false;
    while (s.MeterBase.size() < s.WattMetersInUse) s.MeterBase.push_back(0);
    return true;
}

// The lamps a command for all, odd or even lamps reaches: those the controller knows of.
std::vector<int> KnownLamps(const TSimState& s) {
    std::vector<bool> known(256, false);
    for (const auto& entry : s.LampStates) known[static_cast<size_t>(entry.first)] = true;
    for (size_t k = 0; k < s.OkLampTable.size(); ++k)
        for (int bit = 0; bit < 8; ++bit)
            if (ByteAt(s.OkLampTable, k) & (0x80 >> bit)) {
                const size_t lamp = k * 8 + static_cast<size_t>(bit) + 1;
                if (lamp <= 255) known[lamp] = true;
            }
    for (int lamp = 1; lamp <= s.PoleCountInUse; ++lamp) known[static_cast<size_t>(lamp)] = true;
    std::vector<int> lamps;
    for (int lamp = 1; lamp <= 255; ++lamp)
        if (known[static_cast<size_t>(lamp)]) lamps.push_back(lamp);
    return lamps;
}

// Item 71 written: the heads of the lamps reached are switched as the command byte says.
bool SwitchLamps(TSimState& s, const TBytes& data) {
    if (data.empty() || data.size() != 2u * (ByteAt(data, 0) & 0x1F) + 1) return false;
    if (ByteAt(data, 0) == 1 && ByteAt(data, 1) == 0) {
        const std::uint8_t command = ByteAt(data, 2);
        const bool even = (command & 0x50) == 0x50, odd = !even && (command & 0x40);
        for (int lamp : KnownLamps(s)) {
            if ((even && lamp % 2 == 1) || (odd && lamp % 2 == 0)) continue;
            s.LampStates[lamp] = command & 0x0F;
        }
        return true;
    }
    for (size_t at = 1; at + 1 < data.size(); at += 2) {
        const int lamp = ByteAt(data, at);
        if (lamp >= 1) s.LampStates[lamp] = ByteAt(data, at + 1) & 0x0F;
    }
    return true;
}

// Item 153: the controller starts again; the meters go on from where they were.
void Restart(TSimState& s, TDateTime pcNow) {
    const TDateTime now = s.ControllerTime(pcNow);
    const TStatusGenerator status(s, now);
    s.MeterBase.resize(s.WattMetersInUse);
    for (int k = 1; k <= s.WattMetersInUse; ++k)
        s.MeterBase[static_cast<size_t>(k - 1)] = status.MeterReading(k);
    s.LastStartTime = now;
}

// Item 178: the data area is emptied: plans, alarms and lamp states.
void ClearData(TSimState& s) {
    for (TBytes& plan : s.Plans) plan = Byte(0);
    s.Alarms.clear();
    s.LampStates.clear();
    s.LampFaults.clear();
}

// The composite items take each part as the write of its own item, in order.
bool ApplyParts(TSimState& s, const TBytes& data, std::span<const TItemPart> parts,
                TDateTime pcNow) {
    size_t at = 0;
    for (const TItemPart& part : parts) {
        if (at + part.Size > data.size()) return false;
        const size_t size = part.Size ? part.Size : data.size() - at;
        if (!TItemHandler::ApplyWrite(s, part.Item, data.substr(at, size), pcNow)) return false;
        at += size;
    }
    return true;
}

bool ApplyOne(TSimState& s, int item, const TBytes& data, TDateTime pcNow) {
    switch (item) {
        case Item::FixedTimer:
            return StoreFixedTimer(s, data);
        case Item::TempTimer:
            return StorePlan(s.Plans[kTempOnOff], data, kMaxTempOnOffActions, 4);
        case Item::NormalTheme:
            return StorePlan(s.Plans[kOrdinary], data, kMaxPlanActions, 0);
        case Item::WeekendTheme:
            return StorePlan(s.Plans[kWeekend], data, kMaxPlanActions, 0);
        case Item::HolidayTheme:
            return StorePlan(s.Plans[kHoliday], data, kMaxPlanActions, 0);
        case Item::CustomTheme:
            return StorePlan(s.Plans[kTemporary], data, kMaxPlanActions, 8);
        case Item::StdOnCorrection:
            return StoreSignedByte(s.StdOnCorrection, data);
        case Item::StdOffCorrection:
            return StoreSignedByte(s.StdOffCorrection, data);
        case Item::PerformMode:
            return data.size() == 1 && ByteAt(data, 0) >= 1 && StoreByte(s.PerformMode, data, 4);
        case Item::WeekendsType:
            return StoreByte(s.WeekendDays, data);
        case Item::HolidaysList:
            return StoreHolidays(s.Holidays, data);
        case Item::FixedLampsModes:
            return StoreTable(s.StandardMasks, data, 255);
        case Item::CustomLampsModes:
            return StoreTable(s.CustomMasks, data, 1024);
        case Item::LcuStatus:
            return SwitchLamps(s, data);
        case Item::LcuPhaseTable:
            return StoreTable(s.LcuPhaseTable, data, 64);
        case Item::GuardAddressTable:
            return StoreTable(s.GuardAddressTable, data, 64);
        case Item::OkLampAddressTable:
            return StoreTable(s.OkLampTable, data, 32);
        case Item::SomeDaysStdOn:
            return StoreSomeDaysStdOn(s.SomeDaysStdOn, data);
        case Item::RtuClock:
            return StoreClock(s, data, pcNow);
        case Item::LightMeterControl:
            return StoreByte(s.LightControl, data);
        case Item::CenterPhoneNumber:
            return StorePhone(s.CenterPhoneNumber, data);
        case Item::Options:
            return ApplyParts(s, data, OptionsParts(), pcNow);
        case Item::AdvancedOptions:
            return ApplyParts(s, data, AdvancedOptionsParts(), pcNow);
        case Item::ResetFlag:
            if (data != "RESET") return false;
            Restart(s, pcNow);
            return true;
        case Item::RtuAddress:
            return data.size() == 1 && ByteAt(data, 0) >= 1 && StoreByte(s.Address, data, 254);
        case Item::CenterAddress:
            return StoreByte(s.CenterAddress, data);
        case Item::RouteAddressMap:
            if (data.empty() || data.size() != ByteAt(data, 0) + 1u || data.size() > 65)
                return false;
            s.RouteAddressMap = data.substr(1);
            return true;
        case Item::RtuCommDevice:
            return StoreByte(s.CommDevice, data);
        case Item::WarningMode:
            return StoreByte(s.WarningMode, data);
        case Item::LoopsInUse:
            return StoreWord(s.LoopsInUse, data);
        case Item::LoopsIsStreetLamp:
            return StoreWord(s.LcuLoops, data);
        case Item::CurrentInUse:
            return StoreWord(s.CurrentInUse, data);
        case Item::Longitude:
            return StoreScaled(s.Longitude, data, 100);
        case Item::Latitude:
            return StoreScaled(s.Latitude, data, 100);
        case Item::RtuTimeZone:
            return StoreScaled(s.TimeZone, data, 10);
        case Item::WattMeterCommand:
            if (data.size() < 2 || ByteAt(data, 0) * ByteAt(data, 1) + 2u != data.size())
                return false;
            s.WattMeterCommand = data;
            return true;
        case Item::KeepLcuStatusFlag:
            return StoreByte(s.KeepLcuStatusFlag, data, 1);
        case Item::PoleCountInUse:
            return StoreByte(s.PoleCountInUse, data);
        case Item::MaskBitsForAPole:
            return StoreByte(s.MaskBitsForAPole, data, 4);
        case Item::LampsMaskLength:
            return StoreByte(s.LampsMaskLength, data, 64);
        case Item::GaoDuJiaoOn:
            return StoreHourAngle(s.OnHourAngle, data);
        case Item::GaoDuJiaoOff:
            return StoreHourAngle(s.OffHourAngle, data);
        case Item::WattMetersInUse:
            return StoreMeterCount(s, data);
        case Item::ClearFlag:
            if (data != "CLEAR") return false;
            ClearData(s);
            return true;
        case Item::AutoSaveInterval:
            return StoreByte(s.AutoSaveInterval, data);
        case Item::WarningParameters:
            return StoreTable(s.WarningParameters, data, 4) && data.size() == 4;
        case Item::RestartPowerFlag:
            return StoreByte(s.RestartPowerFlag, data);
        case Item::RestartPowerData:
            return !data.empty();
        case Item::ICurrentP:
            return StoreByte(s.ICurrentP, data, 100);
        default:
            return false;
    }
}

// Item 58: the clock, the plans in force and their check codes, the corrections.
TBytes PlanStatus(const TSimState& s, TDateTime now, int planCode) {
    TBytes data = Frame::BcdTimeStamp(now);
    data += Byte(IsoDayOfWeek(now));
    data += Byte(planCode);
    data += Byte(s.PerformMode);
    data += Byte(s.WeekendDays);
    for (const TBytes& plan : s.Plans) {
        const TBytes list = plan.empty() ? TBytes() : plan.substr(1);
        data += Byte(plan.empty() ? 0 : ByteAt(plan, 0));
        data += Word(Crc16(list));
    }
    data += TBytes(7, '\0');  // the figures the PC keeps without showing
    data += Byte(s.StdOnCorrection);
    data += Byte(s.StdOffCorrection);
    return data;
}

TBytes ClockData(TDateTime now) {
    return Frame::BcdTimeStamp(now) + Byte(IsoDayOfWeek(now));
}

// The count bytes and the parts of the first `lists` plans.
TBytes PlanTables(const TSimState& s, int lists) {
    TBytes counts, parts;
    for (int k = 0; k < lists; ++k) {
        const TBytes& plan = s.Plans[k];
        counts += Byte(plan.empty() ? 0 : ByteAt(plan, 0));
        if (!plan.empty()) parts += plan.substr(1);
    }
    return counts + parts;
}

TBytes PhoneData(const std::string& number) {
    return PadLeft(number, 11, ' ');
}

TBytes NonEmpty(const TBytes& table) {
    return table.empty() ? Byte(0) : table;
}

}  // namespace

TItemHandler::TItemHandler(TSimState& state, bool timeStamp, std::function<void()> onChange)
    : State_(state), TimeStamp_(timeStamp), OnChange_(std::move(onChange)) {}

std::optional<TSimRequest> TItemHandler::ParseRequest(const TBytes& frame, bool timeStamp) {
    if (frame.size() < kMinFrame || ByteAt(frame, 0) != Frame::kStart || ByteAt(frame, 1) != 0)
        return std::nullopt;
    if (ByteAt(frame, 4) + 5u != frame.size() || !Frame::CheckCrc(frame)) return std::nullopt;
    TSimRequest request;
    request.Address = ByteAt(frame, 2);
    request.Kind = ByteAt(frame, 3);
    request.Item = ByteAt(frame, 5);
    if (!IsCatalogued(request.Item)) return std::nullopt;
    size_t at = 6 + (timeStamp ? Frame::kTimeStampSize : 0);
    if (request.Kind == Frame::kWriteKind) {
        if (frame.size() < at + 4) return std::nullopt;
        request.PacketCount = ByteAt(frame, at);
        request.PacketNumber = ByteAt(frame, at + 1);
        if (request.PacketNumber < 1 || request.PacketNumber > request.PacketCount)
            return std::nullopt;
        at += 2;
    } else if (request.Kind != Frame::kReadKind || frame.size() < at + 2) {
        return std::nullopt;
    }
    if (timeStamp && Frame::DecodeBcdDateTime(frame.substr(6, Frame::kTimeStampSize)) == 0)
        return std::nullopt;
    request.Data = frame.substr(at, frame.size() - 2 - at);
    return request;
}

std::vector<TBytes> TItemHandler::Handle(const TBytes& frame) {
    const auto request = ParseRequest(frame, TimeStamp_);
    if (!request || request->Address != State_.Address) return {};
    return request->Kind == Frame::kWriteKind ? HandleWrite(*request) : HandleRead(*request);
}

std::vector<TBytes> TItemHandler::HandleWrite(const TSimRequest& r) {
    const int n = r.PacketCount, i = r.PacketNumber;
    if (n > 1) {
        if (i == 1) {
            PendingItem_ = r.Item;
            PendingCount_ = n;
            PendingData_.clear();
        } else if (PendingItem_ != r.Item || PendingCount_ != n || PendingNext_ != i) {
            return {};  // not the packet that follows: the PC sends it again
        }
        PendingData_ += r.Data;
        PendingNext_ = i + 1;
        if (i < n) return {ReplyFrame(Frame::kWriteKind, r.Item, n, i, {})};
    }
    const TBytes data = n > 1 ? PendingData_ : r.Data;
    PendingItem_ = -1;
    if (!ApplyWrite(State_, r.Item, data, Now())) return {};
    if (OnChange_) OnChange_();
    // An address write is acknowledged from the new address.
    return {ReplyFrame(Frame::kWriteKind, r.Item, n, i, {})};
}

std::vector<TBytes> TItemHandler::HandleRead(const TSimRequest& r) {
    const auto data = ReadData(r.Item, r.Data);
    if (!data) return {};
    const size_t size = static_cast<size_t>(Frame::PacketDataSize(TimeStamp_));
    const int n = std::max<int>(1, static_cast<int>((data->size() + size - 1) / size));
    std::vector<TBytes> frames;
    for (int i = 1; i <= n; ++i)
        frames.push_back(ReplyFrame(Frame::kReadKind, r.Item, n, i,
                                    data->substr(static_cast<size_t>(i - 1) * size, size)));
    return frames;
}

TBytes TItemHandler::ReplyFrame(int kind, int item, int n, int i, const TBytes& data) const {
    TBytes body = Byte(item);
    if (TimeStamp_) body += Frame::BcdTimeStamp(State_.ControllerTime(Now()));
    body += Byte(n) + Byte(i) + data;
    TBytes frame;
    frame += static_cast<char>(Frame::kStart);
    frame += Byte(State_.Address);
    frame += Byte(0);
    frame += Byte(kind);
    frame += Byte(static_cast<int>(body.size()) + 2);
    frame += body;
    Frame::AppendCrc(frame);
    return frame;
}

bool TItemHandler::ApplyWrite(TSimState& state, int item, const TBytes& data, TDateTime pcNow) {
    TSimState changed = state;
    if (!ApplyOne(changed, item, data, pcNow)) return false;
    state = std::move(changed);
    return true;
}

std::optional<TBytes> TItemHandler::ReadData(int item, const TBytes& request) const {
    const TSimState& s = State_;
    const TDateTime now = s.ControllerTime(Now());
    const TStatusGenerator status(s, now);
    switch (item) {
        case Item::AllPlans:
            return PlanTables(s, 5);
        case Item::FixedTimer:
            return PlanTables(s, 4);
        case Item::TempTimer:
            return s.Plans[kTempOnOff];
        case Item::NormalTheme:
            return s.Plans[kOrdinary];
        case Item::WeekendTheme:
            return s.Plans[kWeekend];
        case Item::HolidayTheme:
            return s.Plans[kHoliday];
        case Item::CustomTheme:
            return s.Plans[kTemporary];
        case Item::StdOnCorrection:
            return Byte(s.StdOnCorrection);
        case Item::StdOffCorrection:
            return Byte(s.StdOffCorrection);
        case Item::RtuTime:
            return PlanStatus(s, now, status.PlanCode());
        case Item::WorkTable:
            return status.WorkTable();
        case Item::PerformMode:
            return Byte(s.PerformMode);
        case Item::WeekendsType:
            return Byte(s.WeekendDays);
        case Item::HolidaysList:
            return NonEmpty(s.Holidays);
        case Item::FixedLampsModes:
            return s.StandardMasks;
        case Item::CustomLampsModes:
            return s.CustomMasks;
        case Item::CurrentThemeName:
            return Byte(status.PlanCode());
        case Item::LcuStatus:
            return status.LampStates(request);
        case Item::LcuPhaseTable:
            return s.LcuPhaseTable;
        case Item::GuardAddressTable:
            return NonEmpty(s.GuardAddressTable);
        case Item::OkLampAddressTable:
            return s.OkLampTable;
        case Item::SomeDaysStdOn:
            return s.SomeDaysStdOn;
        case Item::RtuClock:
            return ClockData(now);
        case Item::LcuFaultTable:
            return status.LampFaults();
        case Item::LightMeterControl:
            return Byte(s.LightControl);
        case Item::CenterPhoneNumber:
            return PhoneData(s.CenterPhoneNumber);
        case Item::TimerReport:
        case Item::LoopStatus:
            return status.LoopStatus();
        case Item::Alarms:
            return status.Alarms(request);
        case Item::Energy:
            return status.Energy();
        case Item::History:
            return status.History(request);
        case Item::GuardStatus:
            return status.GuardMessages();
        case Item::Options:
            return Byte(s.PerformMode) + Byte(s.WeekendDays) + ClockData(now) +
                   Scaled(s.Longitude, 100) + Scaled(s.Latitude, 100) + Scaled(s.TimeZone, 10) +
                   Byte(s.StdOnCorrection) + Byte(s.StdOffCorrection) + s.SomeDaysStdOn +
                   NonEmpty(s.Holidays);
        case Item::AdvancedOptions:
            return Word(s.LoopsInUse) + Word(s.LcuLoops) + Byte(s.KeepLcuStatusFlag) +
                   Byte(s.AutoSaveInterval) + Byte(s.WarningMode) + Byte(s.LightControl) +
                   s.WarningParameters + Byte(s.RestartPowerFlag) + PhoneData(s.CenterPhoneNumber) +
                   Byte(s.CenterAddress) + Byte(static_cast<int>(s.RouteAddressMap.size())) +
                   s.RouteAddressMap;
        case Item::VersionInfo:
            return Utf8ToGbk(s.VersionInfo);
        case Item::LastStartTime:
            return Frame::BcdTimeStamp(s.LastStartTime);
        case Item::RtuAddress:
            return Byte(s.Address);
        case Item::CenterAddress:
            return Byte(s.CenterAddress);
        case Item::RouteAddressMap:
            return Byte(static_cast<int>(s.RouteAddressMap.size())) + s.RouteAddressMap;
        case Item::RtuCommDevice:
            return Byte(s.CommDevice);
        case Item::WarningMode:
            return Byte(s.WarningMode);
        case Item::WarningType:
            return Word(s.WarningType);
        case Item::LoopsInUse:
            return Word(s.LoopsInUse);
        case Item::LoopsIsStreetLamp:
            return Word(s.LcuLoops);
        case Item::CurrentInUse:
            return Word(s.CurrentInUse);
        case Item::Longitude:
            return Scaled(s.Longitude, 100);
        case Item::Latitude:
            return Scaled(s.Latitude, 100);
        case Item::RtuTimeZone:
            return Scaled(s.TimeZone, 10);
        case Item::WattMeterCommand:
            return s.WattMeterCommand.empty() ? TBytes(2, '\0') : s.WattMeterCommand;
        case Item::KeepLcuStatusFlag:
            return Byte(s.KeepLcuStatusFlag);
        case Item::PoleCountInUse:
            return Byte(s.PoleCountInUse);
        case Item::MaskBitsForAPole:
            return Byte(s.MaskBitsForAPole);
        case Item::LampsMaskLength:
            return Byte(s.LampsMaskLength);
        case Item::GaoDuJiaoOn:
            return Byte(static_cast<int>(Payload::RoundHalfEven(s.OnHourAngle * 100)));
        case Item::GaoDuJiaoOff:
            return Byte(static_cast<int>(Payload::RoundHalfEven(s.OffHourAngle * 100)));
        case Item::WattMetersInUse:
            return Byte(s.WattMetersInUse);
        case Item::AutoSaveInterval:
            return Byte(s.AutoSaveInterval);
        case Item::WarningParameters:
            return s.WarningParameters;
        case Item::RestartPowerFlag:
            return Byte(s.RestartPowerFlag);
        case Item::ICurrentP:
            return Byte(s.ICurrentP);
        default:
            return std::nullopt;
    }
}
