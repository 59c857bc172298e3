#include "protocol/ByteUtils.h"

#include <array>

namespace {

TBytes ScrambleFrom(const TBytes& data, size_t keep, std::uint8_t key) {
    TBytes result = data;
    for (size_t i = keep; i < result.size(); ++i)
        result[i] = static_cast<char>(ByteAt(result, i) ^ key);
    return result;
}

constexpr std::array<std::uint16_t, 16> kCrcTable = {0x0000, 0x1021, 0x2042, 0x3063, 0x4084, 0x50A5,
                                                     0x60C6, 0x70E7, 0x8108, 0x9129, 0xA14A, 0xB16B,
                                                     0xC18C, 0xD1AD, 0xE1CE, 0xF1EF};

std::uint16_t CrcNibble(std::uint16_t crc, unsigned nibble) {
    return static_cast<std::uint16_t>(kCrcTable[((crc >> 12) ^ nibble) & 0x0F] ^ (crc << 4));
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool IsHexFiller(char c) {
    return c == '\r' || c == '\n' || c == ' ' || c == '-';
}

TBytes HexFailure(bool strict) {
    if (strict) throw THexTextError();
    return {};
}

// Position (0-based) of the n-th separator, or npos.
size_t NthSeparator(std::string_view text, int n, char sep) {
    size_t pos = std::string_view::npos;
    for (int found = 0; found < n; ++found) {
        pos = text.find(sep, pos == std::string_view::npos ? 0 : pos + 1);
        if (pos == std::string_view::npos) return pos;
    }
    return pos;
}

}  // namespace

TBytes ScrambleFrom4th(const TBytes& data, std::uint8_t key) {
    return ScrambleFrom(data, 3, key);
}
TBytes ScrambleFrom5th(const TBytes& data, std::uint8_t key) {
    return ScrambleFrom(data, 4, key);
}

std::uint16_t Crc16(std::string_view data) {
    std::uint16_t crc = 0;
    for (unsigned char c : data) {
        crc = CrcNibble(crc, c >> 4);
        crc = CrcNibble(crc, c & 0x0F);
    }
    return crc;
}

std::uint8_t ToBcd(int v) {
    return static_cast<std::uint8_t>((v / 10) * 16 + v % 10);
}

int FromBcd(std::uint8_t b) {
    if (b > 0x99 || (b & 0x0F) > 9) return 0;
    return (b >> 4) * 10 + (b & 0x0F);
}

bool IsBcdText(std::string_view data) {
    for (unsigned char c : data)
        if ((c >> 4) >= 0x0A && (c & 0x0F) <= 9) return false;
    return true;
}

bool IsBcdNumber(std::uint64_t v) {
    do {
        if ((v & 0x0F) > 9) return false;
        v >>= 4;
    } while (v != 0);
    return true;
}

TBytes HexTextToBytes(std::string_view text, bool strict) {
    std::string digits;
    for (char c : text) {
        if (IsHexFiller(c)) continue;
        if (HexDigitValue(c) < 0) return HexFailure(strict);
        digits.push_back(c);
    }
    if (digits.empty() || digits.size() % 2 != 0) return HexFailure(strict);
    TBytes result;
    result.reserve(digits.size() / 2);
    for (size_t i = 0; i < digits.size(); i += 2)
        result.push_back(
            static_cast<char>(HexDigitValue(digits[i]) * 16 + HexDigitValue(digits[i + 1])));
    return result;
}

std::string BytesToHexText(std::string_view data, bool spaced, int perLine, bool midDash) {
    static const char* kDigits = "0123456789ABCDEF";
    std::string result;
    result.reserve(data.size() * 3);
    for (size_t index = 0; index < data.size(); ++index) {
        const int p = static_cast<int>(index) + 1;
        if (p > 1) {
            if (perLine > 0 && p % perLine == 1) {
                result += "\r\n";
            } else {
                if (midDash && perLine > 0 && p % perLine == perLine / 2 + 1)
                    result += spaced ? " -" : "-";
                if (spaced) result += ' ';
            }
        }
        const auto b = static_cast<unsigned char>(data[index]);
        result += kDigits[b >> 4];
        result += kDigits[b & 0x0F];
    }
    return result;
}

std::string PadRight(std::string_view text, int width, char fill) {
    if (width <= 0) return {};
    std::string result(text.substr(0, static_cast<size_t>(width)));
    result.append(static_cast<size_t>(width) - result.size(), fill);
    return result;
}

std::string PadLeft(std::string_view text, int width, char fill) {
    if (width <= 0) return {};
    const auto w = static_cast<size_t>(width);
    if (text.size() >= w) return std::string(text.substr(text.size() - w));
    return std::string(w - text.size(), fill) + std::string(text);
}

std::string Replicate(std::string_view text, int count) {
    std::string result;
    for (int i = 0; i < count; ++i) result += text;
    return result;
}

std::string ReplaceAll(std::string_view text, std::string_view oldText, std::string_view newText) {
    if (oldText.empty()) return std::string(text);
    std::string result;
    size_t start = 0;
    for (size_t pos; (pos = text.find(oldText, start)) != std::string_view::npos;) {
        result.append(text.substr(start, pos - start));
        result.append(newText);
        start = pos + oldText.size();
    }
    result.append(text.substr(start));
    return result;
}

std::string SqlQuoted(std::string_view text) {
    return "'" + ReplaceAll(text, "'", "''") + "'";
}

std::string GetField(std::string_view text, int k, char sep) {
    if (k < 1) return {};
    // Field k lies between separators k-1 and k of the text with one separator added at
    // each end; so it starts after separator k-1 of the text itself (or at its start).
    size_t begin = 0;
    if (k > 1) {
        const size_t before = NthSeparator(text, k - 1, sep);
        if (before == std::string_view::npos) return {};
        begin = before + 1;
    }
    const size_t end = text.find(sep, begin);
    return std::string(text.substr(begin, end == std::string_view::npos ? end : end - begin));
}

std::string GetFieldsFrom(std::string_view text, int k, char sep) {
    if (Trim(text).empty() || k < 1) return {};
    if (k == 1) return std::string(text);
    const size_t before = NthSeparator(text, k - 1, sep);
    if (before == std::string_view::npos) return {};
    return std::string(text.substr(before + 1));
}

bool IsDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string Trim(std::string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
    return std::string(text.substr(begin, end - begin));
}

std::uint8_t ReverseBits8(std::uint8_t b) {
    std::uint8_t result = 0;
    for (int i = 0; i < 8; ++i)
        if (b & (1u << i)) result |= static_cast<std::uint8_t>(0x80u >> i);
    return result;
}

std::string BitsText(std::uint64_t v) {
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + (v & 1)));
        v >>= 1;
    } while (v != 0);
    while (digits.size() % 8 != 0) digits.insert(digits.begin(), '0');
    std::string result;
    for (size_t i = 0; i < digits.size(); i += 8) {
        if (i > 0) result += ' ';
        result += digits.substr(i, 8);
    }
    return result;
}
