#include "support/ControllerFrames.h"

#include <gtest/gtest.h>

namespace testing_frames {

namespace {
std::uint8_t Bcd(int v) {
    return static_cast<std::uint8_t>((v / 10) << 4 | (v % 10));
}
}  // namespace

TBytes Hex(const std::string& text) {
    TBytes bytes = HexTextToBytes(text, false);
    EXPECT_FALSE(bytes.empty() && !text.empty()) << "not a hex text: " << text;
    return bytes;
}

std::string HexOf(const TBytes& bytes) {
    return BytesToHexText(bytes, true, 0, false);
}

TBytes ControllerReply(const TBytes& addressBytes, int kind, int item, const TBytes& stamp, int n,
                       int i, const TBytes& data) {
    TBytes body;
    body.push_back(static_cast<char>(item));
    body += stamp;
    body.push_back(static_cast<char>(n));
    body.push_back(static_cast<char>(i));
    body += data;
    TBytes frame = "\xFA" + addressBytes + TBytes(1, '\0');
    frame.push_back(static_cast<char>(kind));
    frame.push_back(static_cast<char>((body.size() + 2) & 0xFF));
    frame += body;
    const std::uint16_t crc = Crc16(frame);
    frame.push_back(static_cast<char>(crc >> 8));
    frame.push_back(static_cast<char>(crc & 0xFF));
    return frame;
}

TBytes BcdStamp(int year, int month, int day, int hour, int minute, int second) {
    TBytes stamp;
    for (int v : {year / 100, year % 100, month, day, hour, minute, second})
        stamp.push_back(static_cast<char>(Bcd(v)));
    return stamp;
}

}  // namespace testing_frames
