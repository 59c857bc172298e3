#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

#include "protocol/Rtu6Class.h"
#include "stations/Station6Class.h"
#include "support/ControllerFrames.h"

using testing_frames::Hex;
using testing_frames::HexOf;

namespace {

// 2024-01-01 18:00: its whole-day number 45292 is a multiple of 4.
constexpr TDateTime kDayMultipleOf4 = 45292.75;

// --- Loops ---------------------------------------------------------------------------

TEST(StationLoopTest, PhasesAndMeterDigitsFollowTheUsedPhases) {
    TLoop loop;
    loop.Used = {true, false, true};
    EXPECT_EQ(loop.Phases(), "AC");
    EXPECT_TRUE(loop.PhaseUsed(3));
    EXPECT_FALSE(loop.PhaseUsed(2));
    EXPECT_FALSE(loop.PhaseUsed(0));
    EXPECT_FALSE(loop.PhaseUsed(4));

    loop.SetWattMeterNumbers("13");
    EXPECT_EQ(loop.WattMeter, (std::array<std::int32_t, 3>{1, 0, 3}));
    EXPECT_EQ(loop.WattMeterNumbers(), 13);

    // Wrong length or a non-digit leaves the meters as they are.
    for (const char* text : {"", "1", "123", "1x"}) {
        loop.SetWattMeterNumbers(text);
        EXPECT_EQ(loop.WattMeterNumbers(), 13) << text;
    }

    loop.SetWattMeterNumbers("05");
    EXPECT_EQ(loop.WattMeter, (std::array<std::int32_t, 3>{0, 0, 5}));
    EXPECT_EQ(loop.WattMeterNumbers(), 5);
}

TEST(StationLoopTest, SetWattMeterNumbersClearsUnusedPhases) {
    TLoop loop;
    loop.WattMeter = {7, 8, 9};
    loop.Used = {false, true, false};
    loop.SetWattMeterNumbers("4");
    EXPECT_EQ(loop.WattMeter, (std::array<std::int32_t, 3>{0, 4, 0}));
}

TEST(StationLoopTest, AmpIndexOnlyWithinTheControllerInputs) {
    TLoop loop;
    loop.AmpIndexOfPhase = {1, 27, 28};
    EXPECT_EQ(loop.AmpIndex(1), 1);
    EXPECT_EQ(loop.AmpIndex(2), 27);
    EXPECT_EQ(loop.AmpIndex(3), -1);
    loop.AmpIndexOfPhase[0] = 0;
    EXPECT_EQ(loop.AmpIndex(1), -1);
    EXPECT_EQ(loop.AmpIndex(0), -1);
    EXPECT_EQ(loop.AmpIndex(4), -1);
}

TEST(StationLoopTest, InfoRoundTrip) {
    TLoopInfo info;
    info.Leading = 0;
    info.Memo = "东路";
    info.InUse = false;
    info.KindId = 3;
    info.IsStreetLamp = true;
    info.IRate = {1, 2, 3};
    info.RateCurrent = {1.5, 2.5, 3.5};
    info.WattMeter = {4, 5, 6};
    info.Used = {true, false, true};
    info.AmpIndexOfPhase = {7, 8, 9};
    info.ZeroI = {10, 11, 12};
    info.LCUAddress = {"1,2", "3", ""};

    const TLoopInfo back = TLoop(info).Info();
    EXPECT_EQ(back.Leading, 1);  // a copy from a loop always leads with 1
    EXPECT_EQ(back.Memo, info.Memo);
    EXPECT_EQ(back.InUse, info.InUse);
    EXPECT_EQ(back.KindId, info.KindId);
    EXPECT_EQ(back.IsStreetLamp, info.IsStreetLamp);
    EXPECT_EQ(back.IRate, info.IRate);
    EXPECT_EQ(back.RateCurrent, info.RateCurrent);
    EXPECT_EQ(back.WattMeter, info.WattMeter);
    EXPECT_EQ(back.Used, info.Used);
    EXPECT_EQ(back.AmpIndexOfPhase, info.AmpIndexOfPhase);
    EXPECT_EQ(back.ZeroI, info.ZeroI);
    EXPECT_EQ(back.LCUAddress, info.LCUAddress);
}

TEST(StationLoopsTest, OutOfRangeSlotsAreNoneAndIgnored) {
    TLoops loops(nullptr);
    for (int i : {0, 17}) {
        loops.Set(i, std::make_unique<TLoop>());
        EXPECT_EQ(loops.Get(i), nullptr) << i;
    }
    EXPECT_EQ(loops.Get(16), nullptr);
    loops.Set(16, std::make_unique<TLoop>());
    EXPECT_NE(loops.Get(16), nullptr);
}

// --- Lamp-mode masks -----------------------------------------------------------------

class StationLampsMaskTest : public ::testing::Test {
protected:
    TStation6Test Station;
    TLampsMask& Masks = Station.LampsMask();
};

TEST_F(StationLampsMaskTest, MasksAreFittedToTheWidthAndZeroMeansUndefined) {
    Masks.SetMask(2, Hex("01"));
    EXPECT_EQ(HexOf(Masks.Mask(2)), HexOf(Hex("01 00 00 00")));
    Masks.SetMask(16, Hex("01 02 03 04 05"));
    EXPECT_EQ(HexOf(Masks.Mask(16)), HexOf(Hex("01 02 03 04")));
    EXPECT_TRUE(Station.IsLampModeDefined(16));

    Masks.SetMask(3, Hex("00 00"));
    EXPECT_TRUE(Masks.Mask(3).empty());
    EXPECT_FALSE(Station.IsLampModeDefined(3));
    EXPECT_EQ(Station.LampsMaskOf(3, 0), TStation::DefaultLampsMask(3, 0, 4));

    // A defined mask wins over the default; clearing it brings the default back.
    Masks.SetMask(1, Hex("12 34"));
    EXPECT_EQ(HexOf(Station.LampsMaskOf(1, kDayMultipleOf4 + 1)), HexOf(Hex("12 34 00 00")));
    Masks.SetMask(1, Hex("00 00 00 00"));
    EXPECT_EQ(HexOf(Station.LampsMaskOf(1, kDayMultipleOf4 + 1)), HexOf(Hex("C0 C0 C0 C0")));

    for (int mode : {0, 31}) {
        Masks.SetMask(mode, Hex("FF"));
        EXPECT_TRUE(Masks.Mask(mode).empty()) << mode;
        EXPECT_FALSE(Station.IsLampModeDefined(mode)) << mode;
    }
}

TEST_F(StationLampsMaskTest, StandardMasksRoundTrip) {
    Masks.SetMask(1, Hex("11 22 33 44"));
    Masks.SetMask(15, Hex("AA"));
    const TBytes data = Masks.StandardMasksData();
    ASSERT_EQ(data.size(), 75u);
    EXPECT_EQ(HexOf(data.substr(0, 5)), HexOf(Hex("01 11 22 33 44")));
    EXPECT_EQ(HexOf(data.substr(5, 5)), HexOf(Hex("02 00 00 00 00")));
    EXPECT_EQ(HexOf(data.substr(70, 5)), HexOf(Hex("0F AA 00 00 00")));

    TStation6Test other;
    ASSERT_TRUE(other.LampsMask().LoadStandardMasks(data));
    for (int mode = 1; mode <= 15; ++mode)
        EXPECT_EQ(other.LampsMask().Mask(mode), Masks.Mask(mode)) << mode;
    EXPECT_EQ(other.LampsMask().StandardMasksData(), data);
}

TEST_F(StationLampsMaskTest, CustomMasksRoundTrip) {
    Masks.SetMask(16, Hex("01"));
    Masks.SetMask(30, Hex("0A 0B 0C 0D"));
    Masks.SetMask(1, Hex("77"));  // a standard mode is not part of the custom data
    const TBytes data = Masks.CustomMasksData();
    ASSERT_EQ(data.size(), 75u);
    EXPECT_EQ(HexOf(data.substr(0, 5)), HexOf(Hex("01 01 00 00 00")));
    EXPECT_EQ(HexOf(data.substr(70, 5)), HexOf(Hex("0F 0A 0B 0C 0D")));

    TStation6Test other;
    other.LampsMask().SetMask(1, Hex("55"));
    ASSERT_TRUE(other.LampsMask().LoadCustomMasks(data));
    EXPECT_EQ(HexOf(other.LampsMask().Mask(16)), HexOf(Hex("01 00 00 00")));
    EXPECT_EQ(HexOf(other.LampsMask().Mask(30)), HexOf(Hex("0A 0B 0C 0D")));
    EXPECT_TRUE(other.LampsMask().Mask(17).empty());
    EXPECT_EQ(HexOf(other.LampsMask().Mask(1)), HexOf(Hex("55 00 00 00")));  // untouched
}

TEST_F(StationLampsMaskTest, LoadRejectsBadInputAfterClearingItsModes) {
    const auto definedStandardModes = [&] {
        int count = 0;
        for (int mode = 1; mode <= 15; ++mode) count += Station.IsLampModeDefined(mode);
        return count;
    };
    const auto fill = [&] {
        for (int mode = 1; mode <= 30; ++mode) Masks.SetMask(mode, Hex("01"));
    };

    fill();
    EXPECT_FALSE(Masks.LoadStandardMasks(Hex("01 11 22 33 44 02 55")));  // 7 bytes
    EXPECT_EQ(definedStandardModes(), 0);
    EXPECT_TRUE(Station.IsLampModeDefined(16));

    // The record of mode 16 stops the reading: what came before stays, nothing after.
    fill();
    EXPECT_FALSE(Masks.LoadStandardMasks(Hex("02 11 00 00 00 10 22 00 00 00 03 33 00 00 00")));
    EXPECT_EQ(HexOf(Masks.Mask(2)), HexOf(Hex("11 00 00 00")));
    EXPECT_EQ(definedStandardModes(), 1);

    fill();
    EXPECT_FALSE(Masks.LoadCustomMasks(Hex("00 01 02 03 04")));  // k must be 1..15
    EXPECT_TRUE(Masks.Mask(16).empty());
    EXPECT_TRUE(Masks.Mask(30).empty());
    EXPECT_EQ(definedStandardModes(), 15);

    fill();
    EXPECT_TRUE(Masks.LoadCustomMasks({}));
    EXPECT_FALSE(Station.IsLampModeDefined(16));
    EXPECT_TRUE(Station.IsLampModeDefined(1));
    Masks.Clear();
    EXPECT_FALSE(Station.IsLampModeDefined(1));
}

// --- Default masks -------------------------------------------------------------------

struct DefaultMaskCase {
    int Mode;
    TDateTime Date;
    int Width;
    const char* Expected;
};

void PrintTo(const DefaultMaskCase& c, std::ostream* os) {
    *os << "mode " << c.Mode << " date " << c.Date << " width " << c.Width;
}

std::string CaseName(const ::testing::TestParamInfo<DefaultMaskCase>& info) {
    return "Mode" + std::to_string(info.param.Mode) + "Case" + std::to_string(info.index);
}

class StationDefaultMaskTest : public ::testing::TestWithParam<DefaultMaskCase> {};

TEST_P(StationDefaultMaskTest, PatternRotatedByDayAndRepeated) {
    const DefaultMaskCase& c = GetParam();
    EXPECT_EQ(HexOf(TStation::DefaultLampsMask(c.Mode, c.Date, c.Width)), HexOf(Hex(c.Expected)))
        << "mode " << c.Mode << " date " << c.Date;
}

INSTANTIATE_TEST_SUITE_P(
    Modes, StationDefaultMaskTest,
    ::testing::Values(
        // One-byte patterns move by one lamp position per day with period 4.
        DefaultMaskCase{1, kDayMultipleOf4, 4, "03 03 03 03"},
        DefaultMaskCase{1, kDayMultipleOf4 + 1, 4, "C0 C0 C0 C0"},
        DefaultMaskCase{1, kDayMultipleOf4 + 2, 4, "30 30 30 30"},
        DefaultMaskCase{1, kDayMultipleOf4 + 3, 4, "0C 0C 0C 0C"},
        DefaultMaskCase{1, kDayMultipleOf4 + 4, 4, "03 03 03 03"},
        DefaultMaskCase{1, 0, 4, "03 03 03 03"},  // no date: unrotated
        DefaultMaskCase{1, 1.5, 4, "C0 C0 C0 C0"},
        DefaultMaskCase{1, -1.5, 4, "30 30 30 30"},  // day -2 before 1899-12-30
        DefaultMaskCase{3, kDayMultipleOf4 + 1, 4, "40 40 40 40"},
        DefaultMaskCase{7, kDayMultipleOf4 + 3, 4, "08 08 08 08"},
        // Longer patterns never come back within six steps and stay as they are.
        DefaultMaskCase{2, kDayMultipleOf4, 4, "43 50 43 50"},
        DefaultMaskCase{2, kDayMultipleOf4 + 1, 4, "43 50 43 50"},
        DefaultMaskCase{6, kDayMultipleOf4 + 1, 4, "C1 D0 E2 F0"},
        DefaultMaskCase{9, kDayMultipleOf4 + 2, 4, "83 90 A0 83"},
        DefaultMaskCase{14, kDayMultipleOf4 + 3, 5, "82 90 A0 82 90"},
        DefaultMaskCase{15, kDayMultipleOf4 + 1, 4, "00 00 00 00"},
        DefaultMaskCase{10, 0, 2, "C3 D0"}, DefaultMaskCase{16, kDayMultipleOf4, 4, "FF FF FF FF"},
        DefaultMaskCase{0, kDayMultipleOf4, 3, "FF FF FF"}),
    CaseName);

TEST(StationLampsMaskOfTest, UndefinedCustomModeIsAllOn) {
    TStation6Test station;
    EXPECT_EQ(HexOf(station.LampsMaskOf(16, kDayMultipleOf4)), HexOf(Hex("FF FF FF FF")));
    EXPECT_EQ(HexOf(station.LampsMaskOf(2, kDayMultipleOf4 + 1)), HexOf(Hex("43 50 43 50")));
}

// --- Station -------------------------------------------------------------------------

TEST(StationTest, FrameFormatFollowsTheLinkKind) {
    struct Case {
        int LinkKind;
        int FrameFormat;
    };
    for (const Case c : {Case{0, 1}, Case{1, 5}, Case{2, 6}, Case{7, 6}}) {
        TStationInfo info;
        info.LinkKind = static_cast<std::uint8_t>(c.LinkKind);
        EXPECT_EQ(TStation(info).FrameFormat(), c.FrameFormat) << c.LinkKind;

        TStation6Test station;
        station.SetLinkKind(c.LinkKind);
        EXPECT_EQ(station.LinkKind(), c.LinkKind);
        EXPECT_EQ(station.FrameFormat(), c.FrameFormat) << c.LinkKind;
    }
}

TEST(StationTest, DefaultStationOfThisProgram) {
    TStation6Test station;
    EXPECT_EQ(station.StationId(), 1);
    EXPECT_EQ(station.Name(), "测试站点");
    EXPECT_EQ(station.RtuKind(), 5);
    EXPECT_EQ(station.MaskWidth(), 4);
    EXPECT_EQ(station.LoopCount(), 16);
    EXPECT_EQ(station.IpPort(), 0);
    EXPECT_TRUE(station.IpAddress().empty());
    EXPECT_TRUE(station.IsGeneration6());
    EXPECT_EQ(station.StreetLampMask(), 0);
    for (int i = 1; i <= 16; ++i) {
        const TLoop* loop = station.Loop(i);
        ASSERT_NE(loop, nullptr) << i;
        EXPECT_TRUE(loop->InUse);
        EXPECT_EQ(loop->Phases(), "ABC");
        EXPECT_EQ(loop->WattMeterNumbers(), 0);
    }
    EXPECT_EQ(station.Loop(0), nullptr);
    EXPECT_EQ(station.Loop(17), nullptr);
    for (int mode = 1; mode <= 30; ++mode) EXPECT_FALSE(station.IsLampModeDefined(mode));

    ASSERT_EQ(station.RtuCount(), 1);
    ASSERT_NE(station.Rtu(1), nullptr);
    EXPECT_EQ(station.Rtu(2), nullptr);
    EXPECT_EQ(station.Rtu(0), nullptr);
    EXPECT_EQ(station.Rtu(1)->Address, 1);
    EXPECT_EQ(station.Rtu(1)->Station, &station);
    EXPECT_TRUE(station.HasRtu());
    EXPECT_EQ(station.Rtu(1)->RtuDisplayName(), "测试站点");
}

TEST(StationTest, PlainStationsHaveNoSessionAndEightLoops) {
    TStation6 station{TStationInfo()};
    EXPECT_EQ(station.LoopCount(), 8);
    EXPECT_EQ(station.RtuCount(), 0);
    EXPECT_FALSE(station.HasRtu());
    EXPECT_FALSE(TStation(TStationInfo()).IsGeneration6());

    // Loops beyond the loop count do not count as loops of the station.
    station.Loops().Set(9, std::make_unique<TLoop>());
    EXPECT_EQ(station.Loop(9), nullptr);
    EXPECT_FALSE(station.HasLoop(9));
    EXPECT_FALSE(station.HasLoop(1));
}

TEST(StationTest, SetRtuAddressReachesTheSession) {
    TStation6Test station;
    station.SetRtuAddress(1, 42);
    EXPECT_EQ(station.RtuAddress(1), 42);
    EXPECT_EQ(station.Rtu(1)->Address, 42);
    EXPECT_EQ(station.Rtu(1)->RtuDisplayName(), "测试站点");

    station.SetRtuAddress(2, 43);  // no session 2: only the field changes
    EXPECT_EQ(station.RtuAddress(2), 43);
    EXPECT_EQ(station.Rtu(1)->Address, 42);

    station.SetRtuAddress(3, 44);
    station.SetRtuAddress(0, 44);
    EXPECT_EQ(station.RtuAddress(1), 42);
    EXPECT_EQ(station.RtuAddress(2), 43);
    EXPECT_EQ(station.RtuAddress(3), 0);
}

TEST(StationTest, PhoneNumberTakesDigitsOnly) {
    TStation6Test station;
    station.SetPhoneNumber("13800138000");
    EXPECT_EQ(station.PhoneNumber(), "13800138000");
    for (const char* bad : {"1380x", " 138", "+8613800138000"}) {
        station.SetPhoneNumber(bad);
        EXPECT_EQ(station.PhoneNumber(), "13800138000") << bad;
    }
    station.SetPhoneNumber("");
    EXPECT_EQ(station.PhoneNumber(), "");

    TStationInfo info;
    info.PhoneNumber = "12a";
    EXPECT_EQ(TStation(info).PhoneNumber(), "");
}

TEST(StationTest, ZeroIOnlyForPhasesAndTwelveBitValues) {
    struct Case {
        int Phase;
        int Value;
        bool Taken;
    };
    for (const Case c :
         {Case{1, 0, true}, Case{2, 4095, true}, Case{3, 100, true}, Case{0, 5, false},
          Case{4, 5, false}, Case{1, 4096, false}, Case{2, -1, false}}) {
        TStation6Test station;
        station.SetZeroI(c.Phase, c.Value);
        for (int p = 1; p <= 3; ++p) {
            const int expected = c.Taken && p == c.Phase ? c.Value : 0;
            EXPECT_EQ(station.ZeroI(p), expected) << c.Phase << " " << c.Value;
        }
    }
}

TEST(StationTest, StreetLampMaskMapsBitsToLoops) {
    TStation6Test station;
    station.Loop(5)->IsStreetLamp = true;
    station.SetStreetLampMask(0x8001);
    for (int i = 1; i <= 16; ++i) EXPECT_EQ(station.Loop(i)->IsStreetLamp, i == 1 || i == 16) << i;
    EXPECT_EQ(station.StreetLampMask(), 0x8001);

    // A loop that does not exist neither takes nor gives its bit.
    station.Loops().Set(1, nullptr);
    EXPECT_EQ(station.StreetLampMask(), 0x8000);
    station.SetStreetLampMask(0xFFFF);
    EXPECT_EQ(station.StreetLampMask(), 0xFFFE);
}

TEST(StationTest, FindPhaseOfAmpIndex) {
    TStation6Test station;
    struct Case {
        int Index;
        bool Found;
        int Loop;
        int Phase;
    };
    for (const Case c : {Case{1, true, 1, 1}, Case{4, true, 2, 1}, Case{27, true, 9, 3},
                         Case{48, true, 16, 3}, Case{49, false, 0, 0}, Case{0, false, 0, 0}}) {
        int loop = 0;
        int phase = 0;
        EXPECT_EQ(station.FindPhaseOfAmpIndex(c.Index, loop, phase), c.Found) << c.Index;
        if (c.Found) {
            EXPECT_EQ(loop, c.Loop) << c.Index;
            EXPECT_EQ(phase, c.Phase) << c.Index;
        }
    }

    // A configured input wins over the default place, the first loop in order first.
    station.Loop(7)->AmpIndexOfPhase = {0, 4, 0};
    station.Loop(9)->AmpIndexOfPhase = {4, 0, 0};
    int loop = 0;
    int phase = 0;
    EXPECT_TRUE(station.FindPhaseOfAmpIndex(4, loop, phase));
    EXPECT_EQ(loop, 7);
    EXPECT_EQ(phase, 2);

    // On an eight-loop station the inputs end at 24.
    TStation6 small{TStationInfo()};
    EXPECT_TRUE(small.FindPhaseOfAmpIndex(24, loop, phase));
    EXPECT_FALSE(small.FindPhaseOfAmpIndex(25, loop, phase));
}

TEST(StationTest, WattMeterNumbersDependOnTheGeneration) {
    TStation6Test station6;
    TStation plain{TStationInfo()};
    plain.Loops().Set(1, std::make_unique<TLoop>());
    for (int n : {0, 1, 3, 4, 8, 9}) {
        EXPECT_EQ(station6.IsWattMeterNumber(n), n >= 1 && n <= 8) << n;
        EXPECT_EQ(plain.IsWattMeterNumber(n), n >= 4 && n <= 8) << n;
    }

    station6.Loop(2)->WattMeter = {0, 0, 3};
    plain.Loop(1)->WattMeter = {0, 0, 3};
    EXPECT_TRUE(station6.LoopHasWattMeter(2));
    EXPECT_FALSE(plain.LoopHasWattMeter(1));
    EXPECT_FALSE(station6.LoopHasWattMeter(1));
    EXPECT_FALSE(station6.LoopHasWattMeter(17));
    plain.Loop(1)->WattMeter = {0, 5, 0};
    EXPECT_TRUE(plain.LoopHasWattMeter(1));
    EXPECT_EQ(station6.RtuLoop(5), 5);
}

TEST(StationTest, RtuKind6) {
    for (int kind = 0; kind <= 8; ++kind) {
        TStationInfo info;
        info.RtuKind = static_cast<std::uint8_t>(kind);
        EXPECT_EQ(TStation(info).IsRtuKind6(), kind == 3 || kind == 5 || kind == 6) << kind;
    }
}

TStationInfo SampleRecord() {
    TStationInfo info;
    info.RtuKind = 6;
    info.StationId = 1;
    info.Name = "北门";
    info.RtuAddress = {12, 13};
    info.LinkKind = kLinkGprs;
    info.DeviceId = "ID7";
    info.PhoneNumber = "13912345678";
    info.ZeroI = {100, 200, 4095};
    info.Carried.Texts = {"a", "b", "c"};
    info.Carried.Bytes = {9, 8};
    info.Carried.Values = {1.25, -2.5};
    info.Carried.Numbers = {1, 2, 3, 4, 5, 6, 7, 8};
    info.Carried.Block[0] = 0x5A;
    info.Carried.Block[31] = 0xA5;
    return info;
}

void ExpectSameRecord(const TStationInfo& a, const TStationInfo& b) {
    EXPECT_EQ(a.RtuKind, b.RtuKind);
    EXPECT_EQ(a.StationId, b.StationId);
    EXPECT_EQ(a.Name, b.Name);
    EXPECT_EQ(a.RtuAddress, b.RtuAddress);
    EXPECT_EQ(a.LinkKind, b.LinkKind);
    EXPECT_EQ(a.DeviceId, b.DeviceId);
    EXPECT_EQ(a.PhoneNumber, b.PhoneNumber);
    EXPECT_EQ(a.ZeroI, b.ZeroI);
    EXPECT_EQ(a.Carried.Texts, b.Carried.Texts);
    EXPECT_EQ(a.Carried.Bytes, b.Carried.Bytes);
    EXPECT_EQ(a.Carried.Values, b.Carried.Values);
    EXPECT_EQ(a.Carried.Numbers, b.Carried.Numbers);
    EXPECT_EQ(a.Carried.Block, b.Carried.Block);
}

TEST(StationTest, AssignAndInfoRoundTrip) {
    TStation6Test station;
    const TStationInfo record = SampleRecord();
    station.Assign(record);
    ExpectSameRecord(station.Info(), record);
    EXPECT_EQ(station.FrameFormat(), 6);
    EXPECT_EQ(station.Rtu(1)->Address, 12);
    EXPECT_EQ(station.Carried().Block[31], 0xA5);

    // The record a station gives builds a station with the same record.
    ExpectSameRecord(TStation(station.Info()).Info(), record);
}

TEST(StationTest, AssignNeedsTheSameStationNumber) {
    TStation6Test station;
    const TStationInfo before = station.Info();
    TStationInfo other = SampleRecord();
    other.StationId = 2;
    station.Assign(other);
    ExpectSameRecord(station.Info(), before);
    EXPECT_EQ(station.Rtu(1)->Address, 1);

    // After selection has renumbered the station, that record applies.
    station.SetStationId(2);
    station.Assign(other);
    EXPECT_EQ(station.Name(), "北门");
}

TEST(StationTest, AssignKeepsValuesThatTheSettersRefuse) {
    TStation6Test station;
    station.Assign(SampleRecord());
    TStationInfo bad = SampleRecord();
    bad.PhoneNumber = "1380x";
    bad.ZeroI = {5000, -1, 7};
    station.Assign(bad);
    EXPECT_EQ(station.PhoneNumber(), "13912345678");
    EXPECT_EQ(station.ZeroI(1), 100);
    EXPECT_EQ(station.ZeroI(2), 200);
    EXPECT_EQ(station.ZeroI(3), 7);
}

TEST(StationTest, RoutingFieldsReachTheSession) {
    TStation6Test station;
    station.SetLinkKind(kLinkGprs);
    station.SetIpAddress("10.1.2.3");
    station.SetIpPort(6000);
    station.SetDeviceId("ID7");
    station.SetPhoneNumber("13800138000");
    const TRtu6& rtu = *station.Rtu(1);
    EXPECT_EQ(rtu.LinkKind(), kLinkGprs);
    EXPECT_EQ(rtu.IpAddress(), "10.1.2.3");
    EXPECT_EQ(rtu.IpPort(), 6000);
    EXPECT_EQ(rtu.DeviceId(), "ID7");
    EXPECT_EQ(rtu.StationPhoneNumber(), "13800138000");
    EXPECT_FALSE(rtu.WaitsForReply());
}

}  // namespace
