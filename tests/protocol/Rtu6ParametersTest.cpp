#include "protocol/Rtu6Parameters.h"

#include <gtest/gtest.h>

#include <random>

#include "support/ParameterSamples.h"

namespace {

TBytes Hex(const char* text) {
    return HexTextToBytes(text);
}

// The holiday list and the switch-on adjustment read "today".
class Rtu6ParametersTest : public ::testing::Test {
protected:
    TScopedManualClock Clock_{EncodeDateTime(2026, 3, 14, 10, 0, 0)};
};

// ---- item 183 ----

struct TWarningCase {
    const char* Bytes;
    bool Accepted;
};

TEST(WarningParameters, LoadStoresTheBytesAndChecksReportTimeAndThresholds) {
    const TWarningCase cases[] = {
        {"31 D2 6E E5", true},   // weekly, weekday 5, slot 0; both thresholds in range
        {"20 C8 00 00", true},   // under-voltage off, so its threshold 0 is allowed
        {"10 C8 00 00", false},  // under-voltage on with threshold 0
        {"20 C7 00 00", false},  // over-voltage on with 199 V
        {"20 FF 00 00", false}, {"10 00 B4 00", true},   // 180 V is the highest under-voltage
        {"10 00 B5 00", false}, {"00 00 00 D8", false},  // daily at hour 24
        {"00 00 00 D7", true},                           // daily at hour 23
        {"00 00 00 E8", false},                          // weekly, weekday 0
        {"00 00 00 9F", true},                           // hourly: the time bits do not matter
        {"00 00 00 1F", true},                           // report off
    };
    for (const auto& c : cases) {
        TRtu6WarningParameters w;
        EXPECT_EQ(w.LoadFromBytes(Hex(c.Bytes)), c.Accepted) << c.Bytes;
        EXPECT_EQ(w.Encode(), Hex(c.Bytes)) << c.Bytes;  // stored either way
    }
}

TEST(WarningParameters, WorkedExampleDecodes) {
    TRtu6WarningParameters w;
    ASSERT_TRUE(w.LoadFromBytes(Hex("31 D2 6E E5")));
    EXPECT_TRUE(w.LogAlarms());
    EXPECT_EQ(w.AlarmSet(), (std::set<int>{1, 5, 6}));
    EXPECT_EQ(w.OverVoltage(), 210);
    EXPECT_EQ(w.LowVoltage(), 110);
    EXPECT_EQ(w.ReportPeriod(), TRtu6WarningParameters::kWeekly);
    EXPECT_EQ(w.ReportTime() & 7, 5);
    EXPECT_EQ(w.ReportTime() >> 3, 0);
}

TEST(WarningParameters, WrongLengthIsRefusedAndChangesNothing) {
    TRtu6WarningParameters w;
    ASSERT_TRUE(w.LoadFromBytes(Hex("31 D2 6E E5")));
    for (const char* bytes : {"", "31", "31 D2 6E", "31 D2 6E E5 00"}) {
        EXPECT_FALSE(w.LoadFromBytes(Hex(bytes))) << bytes;
        EXPECT_EQ(w.Encode(), Hex("31 D2 6E E5"));
    }
}

TEST(WarningParameters, SettersKeepTheOtherBitsAndIgnoreValuesOutOfRange) {
    TRtu6WarningParameters w;
    w.SetLogAlarms(true);
    w.SetAlarmKinds({1, 2, 8, 9});  // 1 is the log flag, 9 does not exist
    EXPECT_EQ(w.AlarmSet(), (std::set<int>{1, 2, 8}));
    w.SetAlarmKinds({});
    EXPECT_EQ(w.AlarmSet(), (std::set<int>{1}));

    w.SetOverVoltage(254);
    w.SetOverVoltage(199);
    w.SetOverVoltage(255);
    EXPECT_EQ(w.OverVoltage(), 254);
    w.SetLowVoltage(20);
    w.SetLowVoltage(19);
    w.SetLowVoltage(181);
    EXPECT_EQ(w.LowVoltage(), 20);

    w.SetReportTime(0x35);  // low five bits only
    EXPECT_EQ(w.ReportTime(), 0x15);
    w.SetReportPeriod(3);
    EXPECT_EQ(w.Encode(), Hex("01 FE 14 D5"));
    w.SetReportPeriod(5);  // ignored
    w.SetReportPeriod(-1);
    EXPECT_EQ(w.Encode(), Hex("01 FE 14 D5"));
    w.SetReportPeriod(0);  // only the "on" bit goes
    EXPECT_EQ(w.ReportPeriod(), 0);
    EXPECT_EQ(w.Encode(), Hex("01 FE 14 55"));
    w.SetReportPeriod(1);
    EXPECT_EQ(w.Encode(), Hex("01 FE 14 95"));

    TRtu6WarningParameters copy;
    copy = w;
    EXPECT_EQ(copy.Encode(), w.Encode());
    w.Clear();
    EXPECT_EQ(w.Encode(), Hex("00 00 00 00"));
}

// ---- item 184 ----

struct TRestartCase {
    const char* Byte;
    bool Accepted;
    int Mode, Loop;
};

TEST(RestartPowerFlag, LoadTable) {
    const TRestartCase cases[] = {
        {"12", true, 1, 5},  {"32", false, 1, 0}, {"00", true, 0, 0},
        {"30", true, 0, 0},  {"84", true, 2, 8},  {"46", true, 0, 7},  // mode bits 11: off
        {"0C", false, 2, 0}, {"29", true, 0, 6},
    };
    for (const auto& c : cases) {
        TRtu6RestartPowerFlag f;
        EXPECT_EQ(f.LoadFromBytes(Hex(c.Byte)), c.Accepted) << c.Byte;
        EXPECT_EQ(f.RestartMode(), c.Mode) << c.Byte;
        EXPECT_EQ(f.RestartLoop(), c.Loop) << c.Byte;
        EXPECT_EQ(f.Encode(), Hex(c.Byte));
    }
    TRtu6RestartPowerFlag f;
    EXPECT_FALSE(f.LoadFromBytes(""));
    EXPECT_FALSE(f.LoadFromBytes(Hex("12 00")));
    EXPECT_EQ(f.Encode(), Hex("00"));
}

TEST(RestartPowerFlag, SettersKeepBitsZeroAndThreeAndIgnoreBadValues) {
    TRtu6RestartPowerFlag f;
    EXPECT_TRUE(f.LoadFromBytes(Hex("F9")));  // bits 0 and 3 set, mode off, nibble F
    f.SetRestartLoop(7);
    EXPECT_EQ(f.Encode(), Hex("49"));
    f.SetRestartLoop(9);
    f.SetRestartLoop(4);
    EXPECT_EQ(f.Encode(), Hex("49"));
    f.SetRestartMode(2);
    EXPECT_EQ(f.Encode(), Hex("4D"));
    f.SetRestartMode(3);
    EXPECT_EQ(f.Encode(), Hex("4D"));
    f.SetRestartMode(1);
    EXPECT_EQ(f.Encode(), Hex("4B"));
    f.SetRestartMode(0);
    EXPECT_EQ(f.Encode(), Hex("49"));
}

// ---- item 118 ----

TRtu6Options SampleOptions() {
    TRtu6Options o;
    o.PerformMode = 2;
    o.WeekendDays = {6, 7};
    o.RtuClock = EncodeDateTime(2026, 3, 14, 15, 9, 26);  // a Saturday
    o.SetLongitude(116.4);
    o.SetLatitude(39.9);
    o.SetTimeZone(8);
    o.StdOnCorrection = -5;
    o.StdOffCorrection = 10;
    o.SomeDaysStdOn.Clear();
    o.Holidays.Clear();
    return o;
}

TEST_F(Rtu6ParametersTest, OptionsEncodeByteForByte) {
    TRtu6Options o = SampleOptions();
    EXPECT_EQ(o.Encode(), Hex("03 60 20 26 03 14 15 09 26 06 2D 78 0F 96 00 50 FB 0A "
                              "00 00 00 00 00 00"));
    o.PerformMode = 7;
    o.WeekendDays = {0, 1, 8};  // only real weekdays count
    o.SetLongitude(0.125);      // 12.5 goes to the even 12
    o.SetLatitude(-0.375);      // no range check on this write
    o.SetTimeZone(-3.5);
    o.Holidays.Add(EncodeDate(2026, 10, 1));
    const TBytes data = o.Encode();
    EXPECT_EQ(data.substr(0, 2), Hex("01 01"));
    EXPECT_EQ(data.substr(10, 6), Hex("00 0C FF DA FF DD"));
    EXPECT_EQ(data.substr(23), Hex("10 01 00"));
}

TEST_F(Rtu6ParametersTest, OptionsRoundTrip) {
    TRtu6Options o = SampleOptions();
    o.SomeDaysStdOn = TSomeDaysStdOn::ForChoice(TSomeDaysStdOn::kNewTime, EncodeTime(18, 30, 0));
    o.Holidays.Add(EncodeDate(2026, 5, 1));
    o.Holidays.Add(EncodeDate(2026, 10, 1));
    for (int mode = 0; mode <= 3; ++mode) {
        o.PerformMode = static_cast<std::uint8_t>(mode);
        TRtu6Options back;
        ASSERT_TRUE(back.LoadFromBytes(o.Encode()));
        EXPECT_EQ(back.PerformMode, mode);
        EXPECT_EQ(back.WeekendDays, o.WeekendDays);
        EXPECT_EQ(back.RtuClock, o.RtuClock);
        EXPECT_DOUBLE_EQ(back.Longitude(), 116.4);
        EXPECT_DOUBLE_EQ(back.Latitude(), 39.9);
        EXPECT_DOUBLE_EQ(back.TimeZone(), 8);
        EXPECT_EQ(back.StdOnCorrection, -5);
        EXPECT_EQ(back.StdOffCorrection, 10);
        EXPECT_EQ(back.SomeDaysStdOn.Encode(), o.SomeDaysStdOn.Encode());
        EXPECT_EQ(back.Holidays.Encode(), o.Holidays.Encode());
        EXPECT_EQ(back.Encode(), o.Encode());
    }
}

TEST_F(Rtu6ParametersTest, OptionsLoadStopsAtTheFirstBadPart) {
    const TBytes good = SampleOptions().Encode();
    for (size_t n = 0; n < good.size(); ++n) {
        TRtu6Options o;
        EXPECT_FALSE(o.LoadFromBytes(good.substr(0, n))) << n;  // the holiday list is missing
    }

    TBytes badClock = good;
    badClock[4] = '\x13';  // month 13
    TRtu6Options o;
    o.StdOnCorrection = 99;
    EXPECT_FALSE(o.LoadFromBytes(badClock));
    EXPECT_EQ(o.PerformMode, 2);  // stored before the clock
    EXPECT_EQ(o.WeekendDays, (std::set<int>{6, 7}));
    EXPECT_EQ(o.StdOnCorrection, 99);  // after it: untouched

    TRtu6Options p;
    EXPECT_FALSE(p.LoadFromBytes(Hex("05") + good.substr(1)));  // wire mode 5
    EXPECT_TRUE(p.LoadFromBytes(Hex("F8") + good.substr(1)));   // low bits 0: mode unknown
    EXPECT_EQ(p.PerformMode, 4);

    TBytes badLatitude = good;
    badLatitude[12] = '\x23';  // 90.01 degrees
    badLatitude[13] = '\x29';
    EXPECT_FALSE(p.LoadFromBytes(badLatitude));
    TBytes badWeekday = good;
    badWeekday[9] = '\x08';
    EXPECT_FALSE(p.LoadFromBytes(badWeekday));
}

// ---- item 119 ----


TEST(AdvancedOptions, EncodeByteForByte) {
    TRtu6AdvancedOptions a = SampleAdvancedOptions();
    EXPECT_EQ(a.Encode(),
              Hex("00 FF 01 03 01 03 01 A5 31 D2 6E E5 12") + "13912345678" + Hex("FE 02 07 09"));
    a.CenterPhoneNumber = "123";
    a.WarningMode = 0x101;  // low byte only
    a.RouteAddressMap.clear();
    const TBytes data = a.Encode();
    ASSERT_EQ(data.size(), 26u);
    EXPECT_EQ(data.substr(13, 11), "        123");
    EXPECT_EQ(ByteAt(data, 6), 0x01);
    EXPECT_EQ(ByteAt(data, 25), 0x00);
}

TEST(AdvancedOptions, RoundTrip) {
    const TRtu6AdvancedOptions a = SampleAdvancedOptions();
    TRtu6AdvancedOptions back;
    ASSERT_TRUE(back.LoadFromBytes(a.Encode()));
    EXPECT_EQ(back.LoopsInUse, a.LoopsInUse);
    EXPECT_EQ(back.LcuLoops, a.LcuLoops);
    EXPECT_EQ(back.KeepLcuStatusFlag, a.KeepLcuStatusFlag);
    EXPECT_EQ(back.AutoSaveInterval, a.AutoSaveInterval);
    EXPECT_EQ(back.WarningMode, a.WarningMode);
    EXPECT_EQ(back.LightControl, a.LightControl);
    EXPECT_EQ(back.WarningParameters.Encode(), a.WarningParameters.Encode());
    EXPECT_EQ(back.RestartPowerFlag.Encode(), a.RestartPowerFlag.Encode());
    EXPECT_EQ(back.CenterPhoneNumber, a.CenterPhoneNumber);
    EXPECT_EQ(back.CenterAddress, a.CenterAddress);
    EXPECT_EQ(back.RouteAddressMap, a.RouteAddressMap);
}

TEST(AdvancedOptions, LoadRefusesBadParts) {
    const TBytes good = SampleAdvancedOptions().Encode();
    for (size_t n = 0; n < good.size(); ++n) {
        TRtu6AdvancedOptions a;
        EXPECT_FALSE(a.LoadFromBytes(good.substr(0, n))) << n;
    }
    TRtu6AdvancedOptions a;
    EXPECT_FALSE(a.LoadFromBytes(good.substr(0, 25)));  // no route table byte
    EXPECT_EQ(a.CenterAddress, 0xFE);                   // the first ten parts are stored
    EXPECT_EQ(a.CenterPhoneNumber, "13912345678");
    EXPECT_TRUE(a.LoadFromBytes(good.substr(0, 25) + Hex("00")));
    EXPECT_TRUE(a.RouteAddressMap.empty());

    TBytes spaces = good.substr(0, 13) + std::string(11, ' ') + Hex("01 00");
    TBytes nuls = good.substr(0, 13) + std::string(11, '\0') + Hex("01 00");
    for (const TBytes& blank : {spaces, nuls}) {
        TRtu6AdvancedOptions b;
        b.CenterPhoneNumber = "x";
        EXPECT_TRUE(b.LoadFromBytes(blank));
        EXPECT_EQ(b.CenterPhoneNumber, "");
    }

    struct TBadByte {
        size_t At;
        char Value;
    };
    const TBadByte bad[] = {
        {4, '\x02'},   // keep-status flag
        {6, '\x02'},   // warning mode
        {9, '\xC7'},   // over-voltage threshold 199 with the kind on
        {12, '\x32'},  // restart loop not single
        {20, ' '},     // padded phone number
        {25, '\x03'},  // route count larger than the table
    };
    for (const auto& b : bad) {
        TBytes data = good;
        data[b.At] = b.Value;
        TRtu6AdvancedOptions c;
        EXPECT_FALSE(c.LoadFromBytes(data)) << b.At;
    }
}

// Any bytes at all: no decoder reads past its data, and the small records keep what they got.
TEST_F(Rtu6ParametersTest, ArbitraryBytesAreSafe) {
    std::mt19937 random(12345);
    for (int i = 0; i < 3000; ++i) {
        TBytes data(random() % 64, '\0');
        for (char& c : data) c = static_cast<char>(random() % 256);
        if (i % 3 == 0 && data.size() > 24) data[9] = static_cast<char>(1 + i % 7);
        TRtu6WarningParameters w;
        const bool warningLoaded = w.LoadFromBytes(data);
        if (data.size() == 4) {
            EXPECT_EQ(w.Encode(), data);
        } else {
            EXPECT_FALSE(warningLoaded);
        }
        TRtu6RestartPowerFlag f;
        const bool restartLoaded = f.LoadFromBytes(data);
        if (data.size() == 1) {
            EXPECT_EQ(f.Encode(), data);
        } else {
            EXPECT_FALSE(restartLoaded);
        }
        TRtu6Options o;
        if (o.LoadFromBytes(data)) {
            EXPECT_GE(data.size(), 24u);
        }
        TRtu6AdvancedOptions a;
        if (a.LoadFromBytes(data)) {
            EXPECT_EQ(a.Encode().size(), data.size());
        }
    }
}

TEST_F(Rtu6ParametersTest, ParametersStartEmptyAndOwnTheirRecords) {
    TRtu6Parameters p;
    EXPECT_EQ(p.LightControl, 0);
    EXPECT_EQ(p.Longitude, 0);
    EXPECT_TRUE(p.VersionInfo.empty());
    EXPECT_TRUE(p.RouteAddressMap.empty());
    EXPECT_EQ(p.WarningParameters.Encode(), Hex("00 00 00 00"));
    EXPECT_EQ(p.RestartPowerFlag.Encode(), Hex("00"));
    EXPECT_EQ(p.SomeDaysStdOn.Encode(), TBytes(5, '\0'));
}

}  // namespace
