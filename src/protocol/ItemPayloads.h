#pragma once
// The data bytes of the write commands, one encoder per command. An argument out of range
// gives no data: the command then sends nothing.

#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "platform/Clock.h"
#include "protocol/ByteUtils.h"

using TPayload = std::optional<TBytes>;

namespace Payload {

// Rounds to the nearest integer, halves to the even neighbour.
long RoundHalfEven(double x);

TPayload StdOnCorrection(int minutes);                 // 56: low byte
TPayload StdOffCorrection(int minutes);                // 57: low byte
TPayload PerformMode(int mode);                        // 65: modes 0..3 go as 1..4
TPayload WeekendsType(const std::set<int>& weekdays);  // 66: bit d-1 for weekday d (1..7)
TPayload FixedLampsModes(const TBytes& table);         // 68
TPayload CustomLampsModes(const TBytes& table);        // 69
TPayload LcuCommand(const TBytes& command);            // 71: 2 * (first byte & 0x1F) + 1 bytes
TPayload GuardAddressTable(const TBytes& addresses);   // 73: at most 64 bytes
TPayload OkLampAddressTable(const TBytes& addresses);  // 80: at most 32 bytes
TPayload RtuClock(TDateTime t);  // 82: BCD century, year, month, day, hour, minute, second, weekday
TPayload LightMeterControlByte(std::uint8_t value);     // 97
TPayload CenterPhoneNumber(const std::string& number);  // 98: empty, or exactly 11 digits
TPayload ResetFlag(const std::string& text);            // 153: exactly "RESET"
// 160: 1..254 as one byte; with a two-byte address 1..0x9999 (BCD), high byte first.
TPayload RtuAddress(int address, int addressSize);
TPayload CenterAddress(int address);                 // 161: 0..255
TPayload RouteAddressMap(const TBytes& addresses);   // 162: count, then at most 64 addresses
TPayload RtuCommDevice(std::uint8_t device);         // 163
TPayload WarningMode(int mode);                      // 164: low byte
TPayload LoopsInUse(std::uint16_t mask);             // 166
TPayload LoopsIsStreetLamp(std::uint16_t mask);      // 167
TPayload Longitude(double degrees);                  // 168: -180..180, x 100
TPayload Latitude(double degrees);                   // 169: 0..60, x 100
TPayload WattMeterCommand(const TBytes& commands);   // 170
TPayload KeepLcuStatusFlag(int flag);                // 171: low byte
TPayload PoleCountInUse(int count);                  // 172: low byte
TPayload MaskBitsForAPole(int bits);                 // 173: 0..4
TPayload LampsMaskLength(int length);                // 174: 0..64
TPayload GaoDuJiaoOn(double hourAngle);              // 175: -0.3..0.3, x 100, signed
TPayload GaoDuJiaoOff(double hourAngle);             // 176: -0.3..0.3, x 100, signed
TPayload WattMetersInUse(int count);                 // 177: 0..8
TPayload ClearFlag(const std::string& text);         // 178: exactly "CLEAR"
TPayload RtuTimeZone(double hours);                  // 180: -12..14, x 10
TPayload RestartPowerData(const std::string& text);  // 185
TPayload CurrentInUse(std::uint16_t mask);           // 186
TPayload ICurrentP(std::uint8_t rate);               // 187

}  // namespace Payload
