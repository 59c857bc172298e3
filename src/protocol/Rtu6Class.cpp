#include "protocol/Rtu6Class.h"

#include <algorithm>

#include "protocol/Catalogue.h"
#include "protocol/Frame.h"
#include "stations/DataIntf.h"
#include "stations/StationBase.h"

namespace {

constexpr size_t kShortestStampedText = 14;  // texts up to this length keep their stamp
constexpr TDateTime kTenMinutes = 10 / kMinutesPerDay;
constexpr TDateTime kTwentyMinutes = 20 / kMinutesPerDay;

// Twelve-bit reading: the high nibble of the first byte is not part of the value.
int Raw12(const TBytes& bytes) {
    return (ByteAt(bytes, 0) & 0x0F) * 256 + ByteAt(bytes, 1);
}

}  // namespace

TRtu6::TRtu6(int address, TIDataObj* station, const std::string& text)
    : TRtu456(address, station, text) {
    ProtocolKind = kProtocolRtu6;
}

std::string TRtu6::ItemName(int item) {
    return CatalogueName(item);
}
std::uint16_t TRtu6::ComputeCrc(const TBytes& frame) {
    return Frame::ComputeCrc(frame);
}
void TRtu6::AppendCrc(TBytes& frame) {
    Frame::AppendCrc(frame);
}
bool TRtu6::CheckCrc(const TBytes& frame) {
    return Frame::CheckCrc(frame);
}
int TRtu6::ReplyItem(const TBytes& frame) {
    return Frame::ReplyItem(frame, 0);
}
int TRtu6::ReplyKind(const TBytes& frame) {
    return Frame::ReplyKind(frame, 0);
}
bool TRtu6::IsReadReply(const TBytes& frame) {
    return ReplyKind(frame) == Frame::kReadKind;
}
int TRtu6::ReplySourceAddress(const TBytes& frame) {
    return Frame::ReplySourceAddress(frame, 0);
}
bool TRtu6::ReplyMatchesRequest(const TBytes& request, const TBytes& reply) {
    return Frame::ReplyMatchesRequest(request, reply, 0);
}
TDateTime TRtu6::DecodeBcdDateTime(const TBytes& bytes) {
    return Frame::DecodeBcdDateTime(bytes);
}

int TRtu6::DecodeRaw12(const TBytes& bytes) {
    if (bytes.size() != 2) return 0xFFFF;
    const int v = Raw12(bytes);
    return v == 0xFFF ? 0xFFFF : v;
}

double TRtu6::DecodeVoltage(const TBytes& bytes) {
    if (bytes.size() != 2) return 0;
    const double volts = Raw12(bytes) * 0.0715;
    if (volts > 380) return 380;
    return volts < 20 ? 0 : volts;
}

double TRtu6::DecodeCurrent(const TBytes& bytes) {
    if (bytes.size() != 2) return 0;
    const int v = std::min(Raw12(bytes), 4095);
    return v <= 40 ? 0 : v * 0.002327 / 2.1 / 5;
}

TBytes TRtu6::AddressBytes() const {
    return TBytes(1, static_cast<char>(Address & 0xFF));
}

bool TRtu6::HasTimeStamp() const {
    return LinkKind() != kLinkRadio;
}

TBytes TRtu6::RoutePrefix() const {
    switch (RouteFieldCount()) {
        case 1:
            return StationPhoneNumber() + ":";
        case 3:
            return IpAddress() + ":" + std::to_string(IpPort()) + ":" + DeviceId() + ":";
        default:
            return {};
    }
}

int TRtu6::RouteFieldCount() const {
    if (LinkKind() == kLinkSms && !StationPhoneNumber().empty()) return 1;
    if (LinkKind() == kLinkGprs && !IpAddress().empty() && IpPort() >= 0 && !DeviceId().empty())
        return 3;
    return 0;
}

TBytes TRtu6::TimeStampNow() const {
    return HasTimeStamp() ? Frame::BcdTimeStamp(Now()) : TBytes();
}

TBytes TRtu6::WithRoute(const TBytes& frame) const {
    return RoutePrefix() + frame;
}

int TRtu6::BuildWriteFrames(int item, const TBytes& data, std::vector<TBytes>& list) const {
    list.clear();
    const TBytes stamp = TimeStampNow();  // one clock reading for the whole set
    const size_t size = static_cast<size_t>(Frame::PacketDataSize(HasTimeStamp()));
    const int n = data.empty() ? 1 : static_cast<int>((data.size() + size - 1) / size);
    for (int k = 1; k <= n; ++k) {
        const TBytes chunk = data.substr(std::min(data.size(), (k - 1) * size), size);
        const TBytes body = Frame::PacketBody(item, stamp, n, k, chunk);
        list.push_back(WithRoute(Frame::BuildFrame(Frame::kWriteKind, AddressBytes(), body)));
    }
    return n;
}

TBytes TRtu6::BuildWriteFrame(int item, const TBytes& data) const {
    const TBytes body = Frame::PacketBody(item, TimeStampNow(), 1, 1, data);
    return WithRoute(Frame::BuildFrame(Frame::kWriteKind, AddressBytes(), body));
}

TBytes TRtu6::BuildReadFrame(int item, const TBytes& data) const {
    const TBytes body = Frame::Body(item, TimeStampNow(), data);
    return WithRoute(Frame::BuildFrame(Frame::kReadKind, AddressBytes(), body));
}

bool TRtu6::GetPacketNumbers(const TBytes& frame, int& n, int& i) const {
    return Frame::GetPacketNumbers(frame, ExtraAddressBytes(), HasTimeStamp(), n, i);
}

bool TRtu6::IsLastPacket(const TBytes& frame) const {
    int n = 0, i = 0;
    return GetPacketNumbers(frame, n, i) && n == i;
}

TDateTime TRtu6::ReplyTime(const TBytes& frame) const {
    return Frame::ReplyTime(frame, ExtraAddressBytes(), HasTimeStamp());
}

TBytes TRtu6::PayloadOf(const TBytes& frame) const {
    return Frame::PayloadOf(frame, ExtraAddressBytes(), HasTimeStamp());
}

TBytes TRtu6::MergePackets(const TBytes& previous, const TBytes& current) const {
    return Frame::MergePackets(previous, current, ExtraAddressBytes(), HasTimeStamp());
}

TBytes TRtu6::RefreshTimeStamp(int item, const TBytes& frameText) const {
    if (frameText.size() <= kShortestStampedText) return frameText;
    if (item == Item::RtuClock) {
        // The clock write carries the clock itself, read at the moment of sending.
        return BuildWriteFrame(Item::RtuClock, Frame::BcdTimeStamp(Now()));
    }
    if (!HasTimeStamp()) return frameText;
    const int fields = RouteFieldCount();
    const TBytes frame = fields > 0 ? GetFieldsFrom(frameText, fields + 1, ':') : frameText;
    const size_t stampAt = 6 + static_cast<size_t>(ExtraAddressBytes());
    if (frame.size() < stampAt + Frame::kTimeStampSize + 2) return frameText;
    const TBytes prefix = frameText.substr(0, frameText.size() - frame.size());
    TBytes fresh = frame.substr(0, frame.size() - 2);
    fresh.replace(stampAt, Frame::kTimeStampSize, Frame::BcdTimeStamp(Now()));
    Frame::AppendCrc(fresh);
    return prefix + fresh;
}

TRtu61::TRtu61(int address, TIDataObj* station, const std::string& text)
    : TRtu6(address, station, text) {
    ProtocolKind = kProtocolRtu61;
}

void TRtu61::SendRtuAddress(int address) {
    SendIfValid(Item::RtuAddress, Payload::RtuAddress(address, 2));
}

int TRtu61::ReplyItem(const TBytes& frame) {
    return Frame::ReplyItem(frame, 1);
}
int TRtu61::ReplyKind(const TBytes& frame) {
    return Frame::ReplyKind(frame, 1);
}
bool TRtu61::IsReadReply(const TBytes& frame) {
    return ReplyKind(frame) == Frame::kReadKind;
}
int TRtu61::ReplySourceAddress(const TBytes& frame) {
    return Frame::ReplySourceAddress(frame, 1);
}
bool TRtu61::ReplyMatchesRequest(const TBytes& request, const TBytes& reply) {
    return Frame::ReplyMatchesRequest(request, reply, 1);
}

TBytes TRtu61::AddressBytes() const {
    TBytes bytes;
    bytes.push_back(static_cast<char>((Address >> 8) & 0xFF));
    bytes.push_back(static_cast<char>(Address & 0xFF));
    return bytes;
}

// --- Commands ------------------------------------------------------------------------------

bool TRtu6::IsStateItem(int item) const {
    switch (item) {
        case Item::AllPlans:
        case Item::RtuTime:
        case Item::WorkTable:
        case Item::LoopStatus:
        case Item::Alarms:
        case Item::Energy:
            return true;
        default:
            return false;
    }
}

void TRtu6::SendSetCommand(int item, const TBytes& data, TDateTime deadline, TDateTime created) {
    TIData& store = RequireStore();
    if (deadline == 0) {
        if (created == 0) created = Now();
        deadline = created + kTenMinutes;
    }
    std::vector<TBytes> frames;
    const int n = BuildWriteFrames(item, data, frames);
    if (n == 0 || n > Frame::kMaxPackets) return;
    for (int k = 1; k <= n; ++k) {
        std::string caption = "向" + RtuDisplayName() + "发出设置" + ItemName(item) + "的命令";
        if (n > 1) caption += "(" + std::to_string(k) + "/" + std::to_string(n) + ")";
        caption += ".";
        store.PostTask(kTaskWrite, Address, created, deadline, item, true, frames[k - 1],
                       k == n && WaitsForReply(), caption);
    }
}

void TRtu6::ReadItem(int item, const TBytes& data, TDateTime deadline, TDateTime created) {
    TIData& store = RequireStore();
    if (created == 0) created = Now();
    deadline = std::max(created + kTenMinutes, deadline);
    store.PostTask(kTaskRead, Address, created, deadline, item, false, BuildReadFrame(item, data),
                   WaitsForReply(), "读取" + RtuDisplayName() + "的" + ItemName(item) + ".");
}

void TRtu6::ReadItemNow(int item, const TBytes& data) {
    const TDateTime now = Now();
    ReadItem(item, data, now + kTenMinutes, now);
}

void TRtu6::ReadStatusGroup(bool clock, bool workTable, bool alarms, bool lampStatus,
                            bool loopStatus, TDateTime deadline, TDateTime created) {
    if (clock) ReadItem(Item::RtuTime, {}, deadline, created);
    if (workTable) ReadItem(Item::WorkTable, {}, deadline, created);
    if (loopStatus) ReadItem(Item::LoopStatus, {}, deadline, created);
    if (lampStatus) ReadItem(Item::LcuStatus, TBytes("\x01\x00", 2), deadline, created);
    if (alarms) ReadItem(Item::Alarms, {}, deadline, created);
}

void TRtu6::ReadEnergy(TDateTime deadline, TDateTime created) {
    ReadItem(Item::Energy, {}, deadline, created);
}

void TRtu6::ReadWarningSettings() {
    const TDateTime now = Now();
    ReadItem(Item::WarningParameters, {}, now + kTwentyMinutes, now);
}

void TRtu6::SendCenterPhoneNumber(const std::string& number) {
    TIData& store = RequireStore();
    const TPayload data = Payload::CenterPhoneNumber(number);
    if (!data) return;
    const TDateTime now = Now();
    store.PostTask(
        kTaskCenterPhone, Address, now, now + kTenMinutes, Item::CenterPhoneNumber, true,
        BuildWriteFrame(Item::CenterPhoneNumber, *data), true,
        "向" + RtuDisplayName() + "发出设置" + ItemName(Item::CenterPhoneNumber) + "命令.");
}

void TRtu6::SendIfValid(int item, const TPayload& data) {
    if (data) SendSetCommand(item, *data, 0, 0);
}

void TRtu6::SendRtuAddress(int address) {
    SendIfValid(Item::RtuAddress, Payload::RtuAddress(address, 1));
}
void TRtu6::SetClockNow() {
    SendRtuClock(Now());
}
void TRtu6::SendRtuClock(TDateTime t) {
    SendIfValid(Item::RtuClock, Payload::RtuClock(t));
}
void TRtu6::SendStdOnCorrection(int minutes) {
    SendIfValid(Item::StdOnCorrection, Payload::StdOnCorrection(minutes));
}
void TRtu6::SendStdOffCorrection(int minutes) {
    SendIfValid(Item::StdOffCorrection, Payload::StdOffCorrection(minutes));
}
void TRtu6::SendPerformMode(int mode) {
    SendIfValid(Item::PerformMode, Payload::PerformMode(mode));
}
void TRtu6::SendWeekendsType(const std::set<int>& weekdays) {
    SendIfValid(Item::WeekendsType, Payload::WeekendsType(weekdays));
}
void TRtu6::SendFixedLampsModes(const TBytes& table) {
    SendIfValid(Item::FixedLampsModes, Payload::FixedLampsModes(table));
}
void TRtu6::SendCustomLampsModes(const TBytes& table) {
    SendIfValid(Item::CustomLampsModes, Payload::CustomLampsModes(table));
}
void TRtu6::SendLcuCommand(const TBytes& command) {
    SendIfValid(Item::LcuStatus, Payload::LcuCommand(command));
}
void TRtu6::SendGuardAddressTable(const TBytes& addresses) {
    SendIfValid(Item::GuardAddressTable, Payload::GuardAddressTable(addresses));
}
void TRtu6::SendOkLampAddressTable(const TBytes& addresses) {
    SendIfValid(Item::OkLampAddressTable, Payload::OkLampAddressTable(addresses));
}
void TRtu6::SendLightMeterControlByte(std::uint8_t value) {
    SendIfValid(Item::LightMeterControl, Payload::LightMeterControlByte(value));
}
void TRtu6::SendResetFlag(const std::string& text) {
    SendIfValid(Item::ResetFlag, Payload::ResetFlag(text));
}
void TRtu6::SendCenterAddress(int address) {
    SendIfValid(Item::CenterAddress, Payload::CenterAddress(address));
}
void TRtu6::SendRouteAddressMap(const TBytes& addresses) {
    SendIfValid(Item::RouteAddressMap, Payload::RouteAddressMap(addresses));
}
void TRtu6::SendRtuCommDevice(std::uint8_t device) {
    SendIfValid(Item::RtuCommDevice, Payload::RtuCommDevice(device));
}
void TRtu6::SendWarningMode(int mode) {
    SendIfValid(Item::WarningMode, Payload::WarningMode(mode));
}
void TRtu6::SendLoopsInUse(std::uint16_t mask) {
    SendIfValid(Item::LoopsInUse, Payload::LoopsInUse(mask));
}
void TRtu6::SendLoopsIsStreetLamp(std::uint16_t mask) {
    SendIfValid(Item::LoopsIsStreetLamp, Payload::LoopsIsStreetLamp(mask));
}
void TRtu6::SendLongitude(double degrees) {
    SendIfValid(Item::Longitude, Payload::Longitude(degrees));
}
void TRtu6::SendLatitude(double degrees) {
    SendIfValid(Item::Latitude, Payload::Latitude(degrees));
}
void TRtu6::SendWattMeterCommand(const TBytes& commands) {
    SendIfValid(Item::WattMeterCommand, Payload::WattMeterCommand(commands));
}
void TRtu6::SendKeepLcuStatusFlag(int flag) {
    SendIfValid(Item::KeepLcuStatusFlag, Payload::KeepLcuStatusFlag(flag));
}
void TRtu6::SendPoleCountInUse(int count) {
    SendIfValid(Item::PoleCountInUse, Payload::PoleCountInUse(count));
}
void TRtu6::SendMaskBitsForAPole(int bits) {
    SendIfValid(Item::MaskBitsForAPole, Payload::MaskBitsForAPole(bits));
}
void TRtu6::SendLampsMaskLength(int length) {
    SendIfValid(Item::LampsMaskLength, Payload::LampsMaskLength(length));
}
void TRtu6::SendGaoDuJiaoOn(double hourAngle) {
    SendIfValid(Item::GaoDuJiaoOn, Payload::GaoDuJiaoOn(hourAngle));
}
void TRtu6::SendGaoDuJiaoOff(double hourAngle) {
    SendIfValid(Item::GaoDuJiaoOff, Payload::GaoDuJiaoOff(hourAngle));
}
void TRtu6::SendWattMetersInUse(int count) {
    SendIfValid(Item::WattMetersInUse, Payload::WattMetersInUse(count));
}
void TRtu6::SendClearFlag(const std::string& text) {
    SendIfValid(Item::ClearFlag, Payload::ClearFlag(text));
}
void TRtu6::SendRtuTimeZone(double hours) {
    SendIfValid(Item::RtuTimeZone, Payload::RtuTimeZone(hours));
}
void TRtu6::SendRestartPowerData(const std::string& text) {
    SendIfValid(Item::RestartPowerData, Payload::RestartPowerData(text));
}
void TRtu6::SendCurrentInUse(std::uint16_t mask) {
    SendIfValid(Item::CurrentInUse, Payload::CurrentInUse(mask));
}
void TRtu6::SendICurrentP(std::uint8_t rate) {
    SendIfValid(Item::ICurrentP, Payload::ICurrentP(rate));
}
