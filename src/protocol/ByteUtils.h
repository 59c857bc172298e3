#pragma once
// Byte strings and the small helpers that the controller protocol and the transports share:
// frame scrambling, the frame checksum, packed BCD, hexadecimal text, padding and separated
// fields. All pure; callable from any thread.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/Clock.h"

// A counted sequence of 8-bit bytes that may hold any value, 0 included.
using TBytes = std::string;

inline std::uint8_t ByteAt(const TBytes& data, size_t offset) {
    return static_cast<std::uint8_t>(data[offset]);
}

// Frame scrambling: bytes 1..3 (resp. 1..4, counted from 1) stay, the rest is XORed with key.
TBytes ScrambleFrom4th(const TBytes& data, std::uint8_t key);
TBytes ScrambleFrom5th(const TBytes& data, std::uint8_t key);

// CRC-16/XMODEM: polynomial 0x1021, start 0, no reflection, no final XOR.
std::uint16_t Crc16(std::string_view data);

// Packed BCD.
std::uint8_t ToBcd(int v);
int FromBcd(std::uint8_t b);
bool IsBcdText(std::string_view data);
bool IsBcdNumber(std::uint64_t v);

// Raised by HexTextToBytes in strict mode; callers treat it as "not hexadecimal".
class THexTextError : public std::runtime_error {
public:
    THexTextError() : std::runtime_error("") {}
};
TBytes HexTextToBytes(std::string_view text, bool strict = false);
std::string BytesToHexText(std::string_view data, bool spaced = true, int perLine = 0,
                           bool midDash = false);

// Texts (positions and widths count bytes).
std::string PadRight(std::string_view text, int width, char fill = ' ');
std::string PadLeft(std::string_view text, int width, char fill = ' ');
std::string Replicate(std::string_view text, int count);
std::string ReplaceAll(std::string_view text, std::string_view oldText, std::string_view newText);
std::string SqlQuoted(std::string_view text);
std::string GetField(std::string_view text, int k, char sep);
std::string GetFieldsFrom(std::string_view text, int k, char sep);
bool IsDigits(std::string_view text);
std::string Trim(std::string_view text);

// Bits.
std::uint8_t ReverseBits8(std::uint8_t b);
std::string BitsText(std::uint64_t v);
