#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "protocol/Catalogue.h"
#include "protocol/ItemPayloads.h"
#include "protocol/Rtu6Class.h"
#include "support/ControllerFrames.h"

using testing_frames::Hex;
using testing_frames::HexOf;

TEST(Catalogue, NamesAndUnknownItems) {
    struct Case {
        int id;
        const char* name;
    } cases[] = {
        {49, "开关灯时间"}, {58, "RTU时间"},       {82, "RTU时钟"},
        {113, "回路状态"},  {161, "控制端地址码"}, {187, "防盗电流变化率值"},
        {179, "未知"},      {0, "未知"},           {48, "未知"},
        {188, "未知"},      {255, "未知"},         {-1, "未知"},
        {256 + 82, "未知"},
    };
    for (const auto& c : cases) EXPECT_EQ(TRtu6::ItemName(c.id), c.name) << c.id;

    // IDs ascend and are unique: a duplicate would shadow an item's name.
    std::set<int> ids;
    int previous = -1;
    for (const auto& entry : CatalogueEntries()) {
        EXPECT_GT(entry.Id, previous);
        previous = entry.Id;
        ids.insert(entry.Id);
        EXPECT_STRNE(entry.Name, kUnknownItemName);
    }
    EXPECT_EQ(ids.size(), 64u);
}

TEST(ItemPayloads, RoundingIsHalfToEven) {
    EXPECT_EQ(Payload::RoundHalfEven(12.5), 12);
    EXPECT_EQ(Payload::RoundHalfEven(13.5), 14);
    EXPECT_EQ(Payload::RoundHalfEven(-12.5), -12);
    EXPECT_EQ(Payload::RoundHalfEven(2503.9999999999995), 2504);
}

TEST(ItemPayloads, EncodingsAndRangeChecks) {
    struct Case {
        const char* what;
        TPayload payload;
        const char* hex;  // nullptr: nothing is sent
    } cases[] = {
        {"perform mode 0", Payload::PerformMode(0), "01"},
        {"perform mode 3", Payload::PerformMode(3), "04"},
        {"perform mode 4", Payload::PerformMode(4), nullptr},
        {"perform mode -1", Payload::PerformMode(-1), nullptr},
        {"weekend Sat+Sun", Payload::WeekendsType({6, 7}), "60"},
        {"weekend Monday", Payload::WeekendsType({1}), "01"},
        {"weekend none", Payload::WeekendsType({}), "00"},
        {"weekend day 8", Payload::WeekendsType({8}), nullptr},
        {"std on -5", Payload::StdOnCorrection(-5), "FB"},
        {"std off 20", Payload::StdOffCorrection(20), "14"},
        {"latitude 60", Payload::Latitude(60.0), "17 70"},
        {"latitude 60.01", Payload::Latitude(60.01), nullptr},
        {"latitude 25.04", Payload::Latitude(25.04), "09 C8"},
        {"latitude -0.5", Payload::Latitude(-0.5), nullptr},
        {"longitude -102.5", Payload::Longitude(-102.5), "D7 F6"},
        {"longitude 180", Payload::Longitude(180), "46 50"},
        {"longitude 180.01", Payload::Longitude(180.01), nullptr},
        {"time zone 8", Payload::RtuTimeZone(8), "00 50"},
        {"time zone -12", Payload::RtuTimeZone(-12), "FF 88"},
        {"time zone -5.5", Payload::RtuTimeZone(-5.5), "FF C9"},
        {"time zone 14", Payload::RtuTimeZone(14), "00 8C"},
        {"time zone 14.1", Payload::RtuTimeZone(14.1), nullptr},
        {"hour angle 0.125", Payload::GaoDuJiaoOn(0.125), "0C"},
        {"hour angle 0.3", Payload::GaoDuJiaoOn(0.3), "1E"},
        {"hour angle -0.3", Payload::GaoDuJiaoOn(-0.3), "E2"},
        {"hour angle 0.31", Payload::GaoDuJiaoOn(0.31), nullptr},
        {"hour angle off -0.05", Payload::GaoDuJiaoOff(-0.05), "FB"},
        {"hour angle NaN", Payload::GaoDuJiaoOff(std::nan("")), nullptr},
        {"route map 3", Payload::RouteAddressMap(Hex("01 02 03")), "03 01 02 03"},
        {"route map empty", Payload::RouteAddressMap(""), "00"},
        {"route map 65", Payload::RouteAddressMap(TBytes(65, '\x01')), nullptr},
        {"reset", Payload::ResetFlag("RESET"), "52 45 53 45 54"},
        {"reset lower case", Payload::ResetFlag("reset"), nullptr},
        {"clear", Payload::ClearFlag("CLEAR"), "43 4C 45 41 52"},
        {"clear with blank", Payload::ClearFlag("CLEAR "), nullptr},
        {"mask bits 4", Payload::MaskBitsForAPole(4), "04"},
        {"mask bits 5", Payload::MaskBitsForAPole(5), nullptr},
        {"mask length 64", Payload::LampsMaskLength(64), "40"},
        {"mask length 65", Payload::LampsMaskLength(65), nullptr},
        {"meters 8", Payload::WattMetersInUse(8), "08"},
        {"meters 9", Payload::WattMetersInUse(9), nullptr},
        {"center 255", Payload::CenterAddress(255), "FF"},
        {"center 256", Payload::CenterAddress(256), nullptr},
        {"rtu address 254", Payload::RtuAddress(254, 1), "FE"},
        {"rtu address 255", Payload::RtuAddress(255, 1), nullptr},
        {"rtu address 0", Payload::RtuAddress(0, 1), nullptr},
        {"bcd address 9999", Payload::RtuAddress(0x9999, 2), "99 99"},
        {"bcd address 0x12A4", Payload::RtuAddress(0x12A4, 2), nullptr},
        {"bcd address 0", Payload::RtuAddress(0, 2), nullptr},
        {"loops in use", Payload::LoopsInUse(0x8001), "80 01"},
        {"street lamp loops", Payload::LoopsIsStreetLamp(0x00FF), "00 FF"},
        {"current loops", Payload::CurrentInUse(0x0102), "01 02"},
        {"warning mode", Payload::WarningMode(0x101), "01"},
        {"pole count", Payload::PoleCountInUse(300), "2C"},
        {"lcu command 0x02 + 4", Payload::LcuCommand(Hex("02 01 02 03 04")), "02 01 02 03 04"},
        {"lcu command 0x22 + 4", Payload::LcuCommand(Hex("22 01 02 03 04")), "22 01 02 03 04"},
        {"lcu command 0x02 + 3", Payload::LcuCommand(Hex("02 01 02 03")), nullptr},
        {"lcu command 0x00", Payload::LcuCommand(Hex("00")), "00"},
        {"lcu command empty", Payload::LcuCommand(""), nullptr},
        {"guard table 65", Payload::GuardAddressTable(TBytes(65, 'a')), nullptr},
        {"ok lamp table 33", Payload::OkLampAddressTable(TBytes(33, 'a')), nullptr},
        {"phone 11 digits", Payload::CenterPhoneNumber("13812345678"),
         "31 33 38 31 32 33 34 35 36 37 38"},
        {"phone 10 digits", Payload::CenterPhoneNumber("1381234567"), nullptr},
        {"phone with letter", Payload::CenterPhoneNumber("1381234567a"), nullptr},
        {"restart data", Payload::RestartPowerData("U"), "55"},
    };
    for (const auto& c : cases) {
        if (c.hex) {
            ASSERT_TRUE(c.payload.has_value()) << c.what;
            EXPECT_EQ(HexOf(*c.payload), c.hex) << c.what;
        } else {
            EXPECT_FALSE(c.payload.has_value()) << c.what;
        }
    }
    // The largest tables still go.
    EXPECT_EQ(Payload::RouteAddressMap(TBytes(64, '\x01'))->size(), 65u);
    EXPECT_EQ(Payload::GuardAddressTable(TBytes(64, 'a'))->size(), 64u);
    EXPECT_EQ(Payload::OkLampAddressTable(TBytes(32, 'a'))->size(), 32u);
    EXPECT_EQ(Payload::CenterPhoneNumber(""), TBytes());
}

TEST(ItemPayloads, ClockCarriesTheWeekday) {
    // 2014-04-01 was a Tuesday; 2014-04-06 a Sunday.
    EXPECT_EQ(HexOf(*Payload::RtuClock(EncodeDateTime(2014, 4, 1, 8, 30, 5))),
              "20 14 04 01 08 30 05 02");
    EXPECT_EQ(HexOf(*Payload::RtuClock(EncodeDateTime(2014, 4, 6, 23, 59, 59))),
              "20 14 04 06 23 59 59 07");
}
