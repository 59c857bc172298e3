#pragma once
// The small values controllers send inside replies and composite items, with the checks a
// reply must pass. Each answers nothing (nullopt) for bytes that are not such a value.

#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "platform/Clock.h"
#include "protocol/ByteUtils.h"

namespace WireValue {

// 16 bits, high byte first.
std::uint16_t Word(const TBytes& two);
int SignedByte(const TBytes& one);
// A signed 16-bit value divided by `scale`, when it lies within low..high.
std::optional<double> Scaled(const TBytes& two, double scale, double low, double high);
// A byte that is 0 or 1.
std::optional<std::uint8_t> Flag(const TBytes& one);
// Eleven blanks or eleven NUL bytes are no number; otherwise digits, which may be padded
// with leading blanks (the way the composite item writes a short number).
std::optional<std::string> PhoneNumber(const TBytes& text);
// Wire modes 1..4 are the modes 0..3; wire 0 is a mode the controller does not report (4).
std::optional<std::uint8_t> PerformMode(const TBytes& one);
// Seven BCD clock bytes and a week day 1..7; nullopt also when the clock is no date.
std::optional<TDateTime> Clock(const TBytes& eight);
bool IsWeekDayByte(std::uint8_t day);
std::set<int> WeekDays(std::uint8_t bits);

}  // namespace WireValue
