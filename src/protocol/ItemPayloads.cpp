#include "protocol/ItemPayloads.h"

#include <cmath>

#include "protocol/Frame.h"

namespace Payload {

namespace {

constexpr size_t kMaxGuardAddresses = 64;
constexpr size_t kMaxOkLampAddresses = 32;
constexpr size_t kMaxRouteAddresses = 64;

TBytes OneByte(long v) {
    return TBytes(1, static_cast<char>(v & 0xFF));
}

TBytes TwoBytes(long v) {
    TBytes bytes;
    bytes.push_back(static_cast<char>((v >> 8) & 0xFF));
    bytes.push_back(static_cast<char>(v & 0xFF));
    return bytes;
}

TPayload ByteInRange(int v, int low, int high) {
    if (v < low || v > high) return std::nullopt;
    return OneByte(v);
}

TPayload AtMost(const TBytes& bytes, size_t limit) {
    if (bytes.size() > limit) return std::nullopt;
    return bytes;
}

TPayload ExactText(const std::string& text, const char* expected) {
    if (text != expected) return std::nullopt;
    return text;
}

// Degrees and hours go as scaled integers; a NaN is out of every range.
TPayload Scaled(double x, double low, double high, double scale, bool twoBytes) {
    if (!(x >= low && x <= high)) return std::nullopt;
    const long v = RoundHalfEven(x * scale);
    return twoBytes ? TwoBytes(v) : OneByte(v);
}

}  // namespace

long RoundHalfEven(double x) {
    return std::lrint(x);
}

TPayload StdOnCorrection(int minutes) {
    return OneByte(minutes);
}
TPayload StdOffCorrection(int minutes) {
    return OneByte(minutes);
}

TPayload PerformMode(int mode) {
    if (mode < 0 || mode > 3) return std::nullopt;
    return OneByte(mode + 1);
}

TPayload WeekendsType(const std::set<int>& weekdays) {
    int bits = 0;
    for (int day : weekdays) {
        if (day < 1 || day > 7) return std::nullopt;
        bits |= 1 << (day - 1);
    }
    return OneByte(bits);
}

TPayload FixedLampsModes(const TBytes& table) {
    return table;
}
TPayload CustomLampsModes(const TBytes& table) {
    return table;
}

TPayload LcuCommand(const TBytes& command) {
    if (command.empty() || command.size() != 2u * (ByteAt(command, 0) & 0x1Fu) + 1u)
        return std::nullopt;
    return command;
}

TPayload GuardAddressTable(const TBytes& addresses) {
    return AtMost(addresses, kMaxGuardAddresses);
}
TPayload OkLampAddressTable(const TBytes& addresses) {
    return AtMost(addresses, kMaxOkLampAddresses);
}

TPayload RtuClock(TDateTime t) {
    return Frame::BcdTimeStamp(t) + static_cast<char>(ToBcd(IsoDayOfWeek(t)));
}

TPayload LightMeterControlByte(std::uint8_t value) {
    return OneByte(value);
}

TPayload CenterPhoneNumber(const std::string& number) {
    if (!number.empty() && (number.size() != 11 || !IsDigits(number))) return std::nullopt;
    return number;
}

TPayload ResetFlag(const std::string& text) {
    return ExactText(text, "RESET");
}

TPayload RtuAddress(int address, int addressSize) {
    if (addressSize == 1) return ByteInRange(address, 1, 254);
    if (address < 1 || address > 0x9999 || !IsBcdNumber(static_cast<std::uint64_t>(address)))
        return std::nullopt;
    return TwoBytes(address);
}

TPayload CenterAddress(int address) {
    return ByteInRange(address, 0, 255);
}

TPayload RouteAddressMap(const TBytes& addresses) {
    if (addresses.size() > kMaxRouteAddresses) return std::nullopt;
    return OneByte(static_cast<long>(addresses.size())) + addresses;
}

TPayload RtuCommDevice(std::uint8_t device) {
    return OneByte(device);
}
TPayload WarningMode(int mode) {
    return OneByte(mode);
}
TPayload LoopsInUse(std::uint16_t mask) {
    return TwoBytes(mask);
}
TPayload LoopsIsStreetLamp(std::uint16_t mask) {
    return TwoBytes(mask);
}
TPayload Longitude(double degrees) {
    return Scaled(degrees, -180, 180, 100, true);
}
TPayload Latitude(double degrees) {
    return Scaled(degrees, 0, 60, 100, true);
}
TPayload WattMeterCommand(const TBytes& commands) {
    return commands;
}
TPayload KeepLcuStatusFlag(int flag) {
    return OneByte(flag);
}
TPayload PoleCountInUse(int count) {
    return OneByte(count);
}
TPayload MaskBitsForAPole(int bits) {
    return ByteInRange(bits, 0, 4);
}
TPayload LampsMaskLength(int length) {
    return ByteInRange(length, 0, 64);
}
TPayload GaoDuJiaoOn(double hourAngle) {
    return Scaled(hourAngle, -0.3, 0.3, 100, false);
}
TPayload GaoDuJiaoOff(double hourAngle) {
    return Scaled(hourAngle, -0.3, 0.3, 100, false);
}
TPayload WattMetersInUse(int count) {
    return ByteInRange(count, 0, 8);
}
TPayload ClearFlag(const std::string& text) {
    return ExactText(text, "CLEAR");
}
TPayload RtuTimeZone(double hours) {
    return Scaled(hours, -12, 14, 10, true);
}
TPayload RestartPowerData(const std::string& text) {
    return text;
}
TPayload CurrentInUse(std::uint16_t mask) {
    return TwoBytes(mask);
}
TPayload ICurrentP(std::uint8_t rate) {
    return OneByte(rate);
}

}  // namespace Payload
