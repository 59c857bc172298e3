#include "protocol/ByteUtils.h"

#include <gtest/gtest.h>

#include "support/ControllerFrames.h"

using testing_frames::Hex;
using testing_frames::HexOf;

TEST(Scrambling, KeepsHeaderAndXorsTheRest) {
    const TBytes frame = Hex("FA 00 05 47 03 52 1C 22");
    EXPECT_EQ(HexOf(ScrambleFrom4th(frame, 0xC0)), "FA 00 05 87 C3 92 DC E2");
    EXPECT_EQ(ScrambleFrom4th(ScrambleFrom4th(frame, 0x3C), 0x3C), frame);
    EXPECT_EQ(HexOf(ScrambleFrom5th(frame, 0xFF)), "FA 00 05 47 FC AD E3 DD");
    EXPECT_EQ(ScrambleFrom4th(Hex("01 02 03"), 0xC0), Hex("01 02 03"));
    EXPECT_EQ(ScrambleFrom5th(Hex("01 02 03 04"), 0xC0), Hex("01 02 03 04"));
    EXPECT_EQ(ScrambleFrom4th(TBytes(), 0xC0), TBytes());
}

TEST(Crc16, XmodemCheckValues) {
    EXPECT_EQ(Crc16(""), 0x0000);
    EXPECT_EQ(Crc16("123456789"), 0x31C3);
    EXPECT_EQ(Crc16(Hex("FA 00 05 47 03 52")), 0x1C22);
    // A NUL byte inside the data counts like any other.
    EXPECT_NE(Crc16(TBytes("1\0", 2)), Crc16("1"));
}

TEST(Bcd, ConversionsAndValidity) {
    struct Case {
        std::uint8_t byte;
        int value;
    } cases[] = {{0x00, 0}, {0x47, 47}, {0x99, 99}, {0x9A, 0}, {0xA0, 0}, {0x0F, 0}};
    for (const auto& c : cases) EXPECT_EQ(FromBcd(c.byte), c.value) << int(c.byte);
    for (int v = 0; v <= 99; ++v) EXPECT_EQ(FromBcd(ToBcd(v)), v);

    EXPECT_FALSE(IsBcdText(Hex("A5")));
    EXPECT_TRUE(IsBcdText(Hex("1A")));
    EXPECT_TRUE(IsBcdText(Hex("AA")));
    EXPECT_TRUE(IsBcdText(Hex("99")));
    EXPECT_TRUE(IsBcdText(""));
    EXPECT_FALSE(IsBcdText(Hex("20 14 F3")));

    EXPECT_TRUE(IsBcdNumber(0x1234));
    EXPECT_FALSE(IsBcdNumber(0x12A4));
    EXPECT_TRUE(IsBcdNumber(0));
    EXPECT_FALSE(IsBcdNumber(0xA000));
}

TEST(HexText, ReadingTolerantAndStrict) {
    struct Case {
        const char* text;
        const char* bytes;  // nullptr: empty result / error when strict
    } cases[] = {
        {"FA 00 05", "\xFA\x00\x05"},
        {"fa-00 05", "\xFA\x00\x05"},
        {"FA\r\n0005", "\xFA\x00\x05"},
        {"FA0", nullptr},
        {"FAG0", nullptr},
        {"", nullptr},
        {" - ", nullptr},
    };
    for (const auto& c : cases) {
        const TBytes expected = c.bytes ? TBytes(c.bytes, 3) : TBytes();
        EXPECT_EQ(HexTextToBytes(c.text, false), expected) << c.text;
        if (c.bytes) {
            EXPECT_EQ(HexTextToBytes(c.text, true), expected) << c.text;
        } else {
            EXPECT_THROW(HexTextToBytes(c.text, true), THexTextError) << c.text;
        }
    }
}

TEST(HexText, Writing) {
    TBytes sixteen;
    for (int b = 0; b < 16; ++b) sixteen.push_back(static_cast<char>(b));
    EXPECT_EQ(BytesToHexText(sixteen, true, 16, true),
              "00 01 02 03 04 05 06 07 - 08 09 0A 0B 0C 0D 0E 0F");
    EXPECT_EQ(BytesToHexText(sixteen.substr(0, 12), false, 8, true),
              "00010203-04050607\r\n08090A0B");
    EXPECT_EQ(BytesToHexText(sixteen.substr(0, 5), true, 2, false), "00 01\r\n02 03\r\n04");
    EXPECT_EQ(BytesToHexText(Hex("FA 00 0F"), false, 0, false), "FA000F");
    EXPECT_EQ(BytesToHexText(Hex("FA 00 0F"), true, 0, true), "FA 00 0F");
    EXPECT_EQ(BytesToHexText("", true, 16, true), "");
}

TEST(Texts, PaddingAndReplacing) {
    EXPECT_EQ(PadLeft("138123456789", 11, ' '), "38123456789");
    EXPECT_EQ(PadLeft("", 11, '0'), "00000000000");
    EXPECT_EQ(PadLeft("123", 5, '0'), "00123");
    EXPECT_EQ(PadRight("abcdef", 3, '.'), "abc");
    EXPECT_EQ(PadRight("ab", 4, '.'), "ab..");
    EXPECT_EQ(Replicate("ab", 3), "ababab");
    EXPECT_EQ(Replicate("ab", 0), "");
    EXPECT_EQ(Replicate("ab", -2), "");
    EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
    EXPECT_EQ(ReplaceAll("Abc abc", "abc", "x"), "Abc x");
    EXPECT_EQ(ReplaceAll("abc", "z", "x"), "abc");
    EXPECT_EQ(SqlQuoted("it's"), "'it''s'");
    EXPECT_TRUE(IsDigits("0123"));
    EXPECT_FALSE(IsDigits(""));
    EXPECT_FALSE(IsDigits("12a"));
}

TEST(Texts, SeparatedFields) {
    struct Case {
        const char* text;
        int k;
        const char* field;
        const char* from;
    } cases[] = {
        {"a:b:c", 1, "a", "a:b:c"},
        {"a:b:c", 2, "b", "b:c"},
        {"a:b:c", 3, "c", "c"},
        {"a:b", 3, "", ""},
        {"a:b", 4, "", ""},
        {"1.2.3.4:5:ID:xx:yy", 4, "xx", "xx:yy"},
        {"::", 2, "", ":"},
        {"   ", 1, "   ", ""},
        {"", 1, "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GetField(c.text, c.k, ':'), c.field) << c.text << " " << c.k;
        EXPECT_EQ(GetFieldsFrom(c.text, c.k, ':'), c.from) << c.text << " " << c.k;
    }
    // A frame after the route may hold the separator byte itself.
    const TBytes text = "10.1.2.3:6000:ID7:" + Hex("FA 3A 00 3A");
    EXPECT_EQ(GetFieldsFrom(text, 4, ':'), Hex("FA 3A 00 3A"));
}

TEST(Bits, ReverseAndText) {
    EXPECT_EQ(ReverseBits8(0x01), 0x80);
    EXPECT_EQ(ReverseBits8(0xA0), 0x05);
    EXPECT_EQ(ReverseBits8(0xFF), 0xFF);
    EXPECT_EQ(BitsText(0), "00000000");
    EXPECT_EQ(BitsText(5), "00000101");
    EXPECT_EQ(BitsText(0x1FF), "00000001 11111111");
    EXPECT_EQ(BitsText(~0ull),
              "11111111 11111111 11111111 11111111 11111111 11111111 11111111 11111111");
}
