// The state file, the plan the simulator runs and the command line.

#include <gtest/gtest.h>

#include <filesystem>

#include "SimFixture.h"
#include "protocol/Catalogue.h"
#include "sim/SimOptions.h"
#include "sim/SimSchedule.h"
#include "support/ControllerFrames.h"
#include "support/TempDir.h"

using namespace sim_test;
using testing_frames::Hex;

namespace {

TEST(StateFile, SavedStateLoadsBackWhole) {
    TempDir folder;
    const TStateFile file(folder / "state.json");
    EXPECT_FALSE(file.Load(TSimState()).has_value());
    TSimState state = TSimState::Defaults(EncodeDateTime(2025, 3, 1, 7, 0, 0));
    state.LampStates = {{3, 0x01}};
    state.LampFaults = {{256, 0x0F}};
    state.Alarms.push_back({EncodeDateTime(2025, 3, 2, 23, 5, 0), 0x21});
    state.CenterPhoneNumber = "13800000000";
    state.ClockOffsetSeconds = -42.5;
    file.Save(state);
    EXPECT_FALSE(std::filesystem::exists(folder / "state.json.tmp"));
    const auto loaded = file.Load(TSimState());
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(StateToJson(*loaded), StateToJson(state));
    EXPECT_EQ(loaded->Alarms, state.Alarms);
    EXPECT_EQ(loaded->Plans, state.Plans);
}

TEST(StateFile, AHandEditedFileNeedsToNameOnlyWhatItChanges) {
    const TSimState base = TSimState::Defaults(EncodeDateTime(2025, 3, 1, 7, 0, 0));
    const TSimState s =
        StateFromJson(R"({"address": 12, "plans": {"weekend": "01 A0 19 00 00 02 00"}})", base);
    EXPECT_EQ(s.Address, 12);
    EXPECT_EQ(s.Plans[kWeekend], Hex("01 A0 19 00 00 02 00"));
    EXPECT_EQ(s.Plans[kOrdinary], base.Plans[kOrdinary]);
    EXPECT_EQ(s.Holidays, base.Holidays);
}

TEST(StateFile, BadContentIsRefusedNamingTheKey) {
    const TSimState base;
    for (const auto& [text, key] : std::vector<std::pair<std::string, std::string>>{
             {"{", "JSON"},
             {R"({"address": 300})", "address"},
             {R"({"latitude": "north"})", "latitude"},
             {R"({"holidays": "0G"})", "holidays"},
             {R"({"lastStartTime": "yesterday"})", "lastStartTime"},
             {R"({"lampStates": {"0": 1}})", "lampStates"}}) {
        try {
            StateFromJson(text, base);
            ADD_FAILURE() << text;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(key), std::string::npos) << e.what();
        }
    }
}

// Every accepted write reaches the file.
TEST(StateFile, WritesAreSavedAsTheyHappen) {
    PcSide pc(false);
    TempDir folder;
    const TStateFile file(folder / "state.json");
    TSimState state = TSimState::Defaults(kNow);
    state.Address = kAddress;
    TItemHandler handler(state, false, [&] { file.Save(state); });
    pc.Session().SendPerformMode(3);
    for (const TBytes& frame : pc.TakeWrites()) ASSERT_EQ(handler.Handle(frame).size(), 1u);
    EXPECT_EQ(file.Load(TSimState())->PerformMode, 4);
}

// ---- The plan in force and its switching times ----

const TDateTime kWednesday = EncodeDate(2025, 3, 5);
const TDateTime kSaturday = EncodeDate(2025, 3, 15);
const TDateTime kLabourDay = EncodeDate(2025, 5, 1);  // a Thursday

TEST(Schedule, PerformModeChoosesThePlan) {
    struct TCase {
        int Mode;
        TDateTime Day;
        int Plan;
    };
    for (const TCase& c : std::vector<TCase>{{1, kSaturday, 1},
                                             {2, kSaturday, 2},
                                             {2, kWednesday, 1},
                                             {3, kLabourDay, 3},
                                             {3, kSaturday, 1},
                                             {4, kLabourDay, 3},
                                             {4, kSaturday, 2}}) {
        TSimState state = TSimState::Defaults(kWednesday);
        state.PerformMode = static_cast<std::uint8_t>(c.Mode);
        EXPECT_EQ(TSimSchedule(state, c.Day + 0.5).PlanCode(), c.Plan)
            << "mode " << c.Mode << " on " << DateToText(c.Day);
    }
}

TEST(Schedule, TemporaryPlanRunsOnlyOnItsDays) {
    TSimState state = TSimState::Defaults(kWednesday);
    state.Plans[kTemporary] = Hex("01 20 25 03 05 20 25 03 06 A0 19 00 00 02 00");
    EXPECT_EQ(TSimSchedule(state, kWednesday + 0.5).PlanCode(), 4);
    EXPECT_EQ(TSimSchedule(state, kWednesday + 1.5).PlanCode(), 4);
    EXPECT_EQ(TSimSchedule(state, kWednesday + 2.5).PlanCode(), 1);
}

TEST(Schedule, LoopsFollowSunsetAndSunriseAcrossMidnight) {
    const TSimState state = TSimState::Defaults(kWednesday);  // loops 1-8, sunset to sunrise
    const TSimSchedule schedule(state, kWednesday + 0.5);
    ASSERT_EQ(schedule.Points().size(), 2u);
    EXPECT_EQ(schedule.Points()[0].LoopsOn, 0x00FF);
    EXPECT_GT(schedule.Sunset(), EncodeTime(17, 0, 0));
    EXPECT_LT(schedule.Sunrise(), EncodeTime(8, 0, 0));
    EXPECT_EQ(schedule.LoopsOnAt(EncodeTime(12, 0, 0)), 0);
    EXPECT_EQ(schedule.LoopsOnAt(EncodeTime(22, 0, 0)), 0x00FF);
    EXPECT_EQ(schedule.LoopsOnAt(EncodeTime(3, 0, 0)), 0x00FF);
    EXPECT_EQ(schedule.LoopsOnAt(EncodeTime(9, 0, 0)), 0);
}

TEST(Schedule, DaytimeSwitchingAndRelativeTimes) {
    TSimState state = TSimState::Defaults(kWednesday);
    // Loop 3 on at 08:00, off 9 hours after that.
    state.Plans[kOrdinary] = Hex("02 A0 08 00 00 04 00 31 09 00 00 04 00");
    const TSimSchedule schedule(state, kWednesday + 0.5);
    EXPECT_EQ(schedule.LoopsOnAt(EncodeTime(7, 59, 0)), 0);
    EXPECT_EQ(schedule.LoopsOnAt(EncodeTime(13, 0, 0)), 0x0004);
    EXPECT_EQ(schedule.LoopsOnAt(EncodeTime(16, 59, 0)), 0x0004);
    EXPECT_EQ(schedule.LoopsOnAt(EncodeTime(17, 0, 0)), 0);
}

TEST(Schedule, CorrectionsMoveTheSunsetSwitchOn) {
    TSimState state = TSimState::Defaults(kWednesday);
    const TDateTime plain = TSimSchedule(state, kWednesday + 0.5).Points()[0].Time;
    state.StdOnCorrection = 20;
    EXPECT_NEAR(TSimSchedule(state, kWednesday + 0.5).Points()[0].Time - plain, 20 / 1440.0, 1e-6);
    state.SomeDaysStdOn = Hex("03 05 20 18 30");  // today at 18:30
    EXPECT_EQ(TSimSchedule(state, kWednesday + 0.5).Points()[0].Time, EncodeTime(18, 30, 0));
}

// ---- The command line ----

TEST(Options, RoadsAndFaults) {
    std::string error;
    const auto o =
        ParseSimOptions({"--udp", "10.0.0.2:5000", "--device-id", "123", "--drop", "0.25",
                         "--delay", "300", "--wrong-address", "9", "--split", "--seed", "4"},
                        error);
    ASSERT_TRUE(o.has_value()) << error;
    EXPECT_EQ(o->Road, TSimOptions::TRoad::Udp);
    EXPECT_EQ(o->UdpHost, "10.0.0.2");
    EXPECT_EQ(o->UdpPort, 5000);
    EXPECT_TRUE(o->TimeStamp);  // GPRS always stamps
    EXPECT_DOUBLE_EQ(o->Faults.Drop, 0.25);
    EXPECT_EQ(o->Faults.DelayMs, 300);
    EXPECT_EQ(o->Faults.WrongAddress, 9);
    EXPECT_TRUE(o->Faults.Split);
    EXPECT_EQ(o->Faults.Seed, 4u);
    const auto pty = ParseSimOptions({"--pty", "--address", "17", "--time-stamp"}, error);
    ASSERT_TRUE(pty.has_value()) << error;
    EXPECT_EQ(pty->Road, TSimOptions::TRoad::Pty);
    EXPECT_EQ(pty->Address, 17);
    EXPECT_TRUE(pty->TimeStamp);
}

TEST(Options, BadCommandLinesAreRefused) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{},
                                               {"--pty", "--serial", "/dev/ttyS0"},
                                               {"--udp", "10.0.0.2:5000"},
                                               {"--udp", "10.0.0.2", "--device-id", "1"},
                                               {"--pty", "--address", "255"},
                                               {"--pty", "--drop", "1.5"},
                                               {"--pty", "--delay"},
                                               {"--pty", "--device-id", "12a"},
                                               {"--pty", "--verbose"}}) {
        std::string error;
        EXPECT_FALSE(ParseSimOptions(args, error).has_value()) << testing::PrintToString(args);
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
