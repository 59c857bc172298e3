#include "protocol/WireValues.h"

#include "protocol/Frame.h"

namespace WireValue {

std::uint16_t Word(const TBytes& two) {
    return static_cast<std::uint16_t>(ByteAt(two, 0) << 8 | ByteAt(two, 1));
}

int SignedByte(const TBytes& one) {
    return static_cast<std::int8_t>(ByteAt(one, 0));
}

std::optional<double> Scaled(const TBytes& two, double scale, double low, double high) {
    if (two.size() != 2) return std::nullopt;
    const double v = static_cast<std::int16_t>(Word(two)) / scale;
    if (v < low || v > high) return std::nullopt;
    return v;
}

std::optional<std::uint8_t> Flag(const TBytes& one) {
    if (one.size() != 1 || ByteAt(one, 0) > 1) return std::nullopt;
    return ByteAt(one, 0);
}

std::optional<std::string> PhoneNumber(const TBytes& text) {
    if (text == TBytes(11, '\0') || text == TBytes(11, ' ')) return std::string();
    const size_t first = text.find_first_not_of(' ');
    const std::string digits = first == TBytes::npos ? std::string() : text.substr(first);
    if (!IsDigits(digits)) return std::nullopt;
    return digits;
}

std::optional<std::uint8_t> PerformMode(const TBytes& one) {
    if (one.size() != 1) return std::nullopt;
    const int wire = ByteAt(one, 0) & 7;
    if (wire > 4) return std::nullopt;
    return static_cast<std::uint8_t>(wire == 0 ? 4 : wire - 1);
}

bool IsWeekDayByte(std::uint8_t day) {
    return day >= 1 && day <= 7;
}

std::optional<TDateTime> Clock(const TBytes& eight) {
    if (eight.size() != 8 || !IsWeekDayByte(ByteAt(eight, 7))) return std::nullopt;
    const TDateTime t = Frame::DecodeBcdDateTime(eight.substr(0, 7));
    if (t == 0) return std::nullopt;
    return t;
}

std::set<int> WeekDays(std::uint8_t bits) {
    std::set<int> days;
    for (int d = 1; d <= 7; ++d)
        if (bits & (1 << (d - 1))) days.insert(d);
    return days;
}

}  // namespace WireValue
