// Writes through the PC's own commands: each frame is acknowledged as the PC expects, the
// state takes the value, and a read gives back what was written.

#include <gtest/gtest.h>

#include "SimFixture.h"
#include "protocol/Catalogue.h"
#include "protocol/Rtu6Parameters.h"
#include "schedules/ActionTables.h"
#include "schedules/TimeTables.h"
#include "sim/StatusGenerator.h"
#include "support/ControllerFrames.h"

using namespace sim_test;
using testing_frames::Hex;

namespace {

using WriteThenRead = SimFixture;

TRtu6Parameters& P() {
    return CurrentParameters();
}

TEST_P(WriteThenRead, SimpleSettingsComeBackAsWritten) {
    Session().SendPerformMode(2);
    Session().SendWeekendsType({6, 7});
    Session().SendStdOnCorrection(-15);
    Session().SendLongitude(-102.5);
    Session().SendLatitude(22.54);
    Session().SendRtuTimeZone(-5.5);
    Session().SendLoopsInUse(0x0F0F);
    Session().SendCenterAddress(77);
    Session().SendRouteAddressMap(Hex("01 02 03"));
    Session().SendGaoDuJiaoOn(-0.05);
    Session().SendWattMetersInUse(4);
    ASSERT_TRUE(DeliverWrites());
    EXPECT_EQ(State_.PerformMode, 3);
    EXPECT_EQ(State_.WeekendDays, 0x60);
    for (int item : {65, 66, 56, 168, 169, 180, 166, 161, 162, 175, 177})
        ASSERT_TRUE(Read(item)) << item;
    EXPECT_EQ(CurrentPlanStatus().PerformMode, 2);
    EXPECT_EQ(CurrentPlanStatus().WeekendDays, 0x60);
    EXPECT_EQ(CurrentPlanStatus().StdOnCorrection, -15);
    EXPECT_DOUBLE_EQ(P().Longitude, -102.5);
    EXPECT_DOUBLE_EQ(P().Latitude, 22.54);
    EXPECT_DOUBLE_EQ(P().TimeZone, -5.5);
    EXPECT_EQ(P().LoopsInUse, 0x0F0F);
    EXPECT_EQ(P().CenterAddress, 77);
    EXPECT_EQ(P().RouteAddressMap, Hex("01 02 03"));
    EXPECT_DOUBLE_EQ(P().OnHourAngle, -0.05);
    EXPECT_EQ(P().WattMetersInUse, 4);
}

TEST_P(WriteThenRead, CompositeRecordsComeBackPartByPart) {
    TRtu6Options options;
    options.PerformMode = 3;
    options.WeekendDays = {7};
    options.RtuClock = EncodeDateTime(2025, 3, 5, 21, 30, 0);
    options.SetLongitude(113.25);
    options.SetLatitude(23.1);
    options.SetTimeZone(8);
    options.StdOnCorrection = 5;
    options.StdOffCorrection = -3;
    options.Holidays.Clear();
    options.Holidays.Add(EncodeDate(2025, 10, 1));
    Session().SendOptions(options);
    TRtu6AdvancedOptions advanced;
    advanced.LoopsInUse = 0x00F0;
    advanced.LcuLoops = 0x0003;
    advanced.CenterPhoneNumber = "123";
    advanced.CenterAddress = 4;
    advanced.RouteAddressMap = Hex("09 08");
    advanced.WarningParameters.LoadFromBytes(Hex("20 C8 00 00"));
    Session().SendAdvancedOptions(advanced);
    ASSERT_TRUE(DeliverWrites());
    // The controller's clock now runs 30 minutes ahead of the PC's.
    EXPECT_NEAR(State_.ClockOffsetSeconds, 1800, 1);

    ASSERT_TRUE(Read(Item::Options));
    EXPECT_EQ(CurrentPlanStatus().PerformMode, 3);
    EXPECT_EQ(CurrentPlanStatus().WeekendDays, 0x40);
    EXPECT_EQ(DateTimeToText(CurrentPlanStatus().RtuClock), "2025-03-05 21:30:00");
    EXPECT_DOUBLE_EQ(P().Longitude, 113.25);
    EXPECT_DOUBLE_EQ(P().Latitude, 23.1);
    EXPECT_EQ(CurrentPlanStatus().StdOffCorrection, -3);
    EXPECT_EQ(P().Holidays.Encode(), Hex("10 01 00"));
    ASSERT_TRUE(Read(Item::AdvancedOptions));
    EXPECT_EQ(P().LoopsInUse, 0x00F0);
    EXPECT_EQ(P().LcuLoops, 0x0003);
    EXPECT_EQ(P().CenterPhoneNumber, "123");
    EXPECT_EQ(P().RouteAddressMap, Hex("09 08"));
    EXPECT_EQ(P().WarningParameters.Encode(), Hex("20 C8 00 00"));
}

// A write whose data the item cannot take is not acknowledged and changes nothing.
TEST_P(WriteThenRead, RefusedWritesAreNotAcknowledged) {
    const TSimState before = State_;
    for (const auto& [item, data] :
         std::vector<std::pair<int, TBytes>>{{Item::PerformMode, Hex("05")},
                                             {Item::HolidaysList, Hex("01 01")},
                                             {Item::RtuClock, Hex("20 25 13 01 08 30 00")},
                                             {Item::ResetFlag, "reset"},
                                             {Item::RouteAddressMap, Hex("03 01 02")},
                                             {Item::NormalTheme, Hex("02 80 00 00 00 FF 00")},
                                             {Item::Options, Hex("02 60")}}) {
        std::vector<TBytes> frames;
        Session().BuildWriteFrames(item, data, frames);
        EXPECT_TRUE(ReplyTo(frames[0]).empty()) << item;
    }
    EXPECT_EQ(StateToJson(State_), StateToJson(before));
}

TEST_P(WriteThenRead, AddressWriteIsAcknowledgedFromTheNewAddress) {
    Session().SendRtuAddress(9);
    const std::vector<TBytes> frames = Pc_.TakeWrites();
    ASSERT_EQ(frames.size(), 1u);
    const std::vector<TBytes> acks = ReplyTo(frames[0]);
    ASSERT_EQ(acks.size(), 1u);
    EXPECT_EQ(TRtu6::ReplySourceAddress(acks[0]), 9);
    EXPECT_TRUE(TRtu6::ReplyMatchesRequest(frames[0], acks[0]));
    EXPECT_TRUE(ReplyTo(Session().BuildReadFrame(Item::RtuClock, {})).empty());
}

// Item 50 with three full plans needs several packets: each is acknowledged, the plans are
// taken when the last one has come, and a read gives them back.
TEST_P(WriteThenRead, MultiPacketWriteIsJoinedBeforeItIsTaken) {
    std::string actions;
    for (int loop = 1; loop <= 7; ++loop) {
        const TBytes loops(1, static_cast<char>(1 << (loop - 1)));
        actions += Hex("A0 18 0" + std::to_string(loop) + " 00") + loops + TBytes(1, '\0');
        actions += Hex("20 23 0" + std::to_string(loop) + " 00") + loops + TBytes(1, '\0');
    }
    const TBytes data = Hex("0E 0E 0E 00") + actions + actions + actions;
    std::vector<TBytes> frames;
    ASSERT_GT(Session().BuildWriteFrames(Item::FixedTimer, data, frames), 1);
    for (size_t k = 0; k < frames.size(); ++k) {
        if (k + 1 == frames.size()) {
            EXPECT_EQ(ByteAt(State_.Plans[kWeekend], 0), 0);  // not taken before the last
        }
        const std::vector<TBytes> acks = ReplyTo(frames[k]);
        ASSERT_EQ(acks.size(), 1u) << k;
        EXPECT_TRUE(Session().ParseReply(acks[0]));
    }
    ASSERT_TRUE(Read(Item::FixedTimer));
    for (int slot : {kOrdinary, kWeekend, kHoliday})
        EXPECT_EQ(CurrentTimeTable().List(slot).Encode(), actions) << slot;
}

TEST_P(WriteThenRead, PacketsOutOfOrderAreNotTaken) {
    const TBytes data = Hex("0E 0E 0E 00") + TBytes(3 * 84, '\0');
    std::vector<TBytes> frames;
    ASSERT_GT(Session().BuildWriteFrames(Item::FixedTimer, data, frames), 1);
    EXPECT_TRUE(ReplyTo(frames[1]).empty());  // nothing to follow
    ASSERT_EQ(ReplyTo(frames[0]).size(), 1u);
    EXPECT_EQ(ByteAt(State_.Plans[kOrdinary], 0), 2);  // still the old plan
}

TEST_P(WriteThenRead, LampCommandsSwitchTheLampsTheyReach) {
    State_.PoleCountInUse = 6;
    Session().SendLcuCommand(Hex("02 03 03 04 01"));
    ASSERT_TRUE(DeliverWrites());
    EXPECT_EQ(State_.LampStates.at(3), 0x03);
    EXPECT_EQ(State_.LampStates.at(4), 0x01);
    Session().SendLcuCommand(Hex("01 00 52"));  // even lamps, head 2 on
    ASSERT_TRUE(DeliverWrites());
    ASSERT_TRUE(Read(Item::LcuStatus, Hex("01 00")));
    const TRtu6LCUStatus& lamps = P().LcuStatus;
    EXPECT_EQ(lamps.LampStatus(2), 0x02);
    EXPECT_EQ(lamps.LampStatus(3), 0x03);
    EXPECT_EQ(lamps.LampStatus(4), 0x02);
    EXPECT_EQ(lamps.LampStatus(6), 0x02);
    EXPECT_EQ(lamps.LampStatus(5), TRtu6LCUStatus::kNoData);
}

TEST_P(WriteThenRead, RestartKeepsTheMetersGoing) {
    const double before = TStatusGenerator(State_, ControllerNow()).MeterReading(1);
    Session().SendResetFlag("RESET");
    ASSERT_TRUE(DeliverWrites());
    EXPECT_EQ(DateTimeToText(State_.LastStartTime), DateTimeToText(ControllerNow()));
    EXPECT_NEAR(TStatusGenerator(State_, ControllerNow()).MeterReading(1), before, 1e-6);
}

TEST_P(WriteThenRead, ClearEmptiesThePlans) {
    Session().SendClearFlag("CLEAR");
    ASSERT_TRUE(DeliverWrites());
    ASSERT_TRUE(Read(Item::AllPlans));
    EXPECT_EQ(CurrentTimeTable().OrdinaryPlan().Count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Links, WriteThenRead, testing::Bool(), StampName);

}  // namespace
