#include "status/Rtu6Status.h"

#include <gtest/gtest.h>

#include <random>

#include "app/Logs.h"
#include "app/Paths.h"
#include "platform/Encoding.h"
#include "protocol/Rtu6Class.h"
#include "stations/Station6Class.h"
#include "support/ControllerFrames.h"
#include "support/TempDir.h"

using testing_frames::Hex;

namespace {

constexpr size_t kLoopPart = 78;     // bytes 0..77 of the image
constexpr size_t kAlarmPart = 77;    // count byte and 320 alarm bytes
constexpr size_t kEnergyPart = 398;  // count byte and 32 meter bytes

bool AllBytes(const TRtu6Status& status, size_t from, size_t to, std::uint8_t value) {
    for (size_t i = from; i < to; ++i)
        if (status.Data[i] != value) return false;
    return true;
}

// A loop status reply: input word, output word, door, light level, then the single-lamp bytes
// and the analog channels (two bytes each, high first), counts filled in from the lists.
TBytes LoopReply(const std::string& head, const std::string& lamps,
                 const std::vector<std::uint16_t>& channels) {
    TBytes reply = Hex(head);
    const TBytes lampBytes = Hex(lamps);
    reply += static_cast<char>(lampBytes.size());
    reply += static_cast<char>(channels.size());
    reply += lampBytes;
    for (std::uint16_t v : channels) {
        reply += static_cast<char>(v >> 8);
        reply += static_cast<char>(v & 0xFF);
    }
    return reply;
}

class Rtu6StatusTest : public testing::Test {
protected:
    TRtu6* Session() { return Station_.Rtu(1); }
    TScopedManualClock Clock_{EncodeDateTime(2025, 1, 1, 10, 0, 0)};
    TStation6Test Station_;
    TRtu6Status Status_;
};

// --- Loop status ----------------------------------------------------------------------------

TEST_F(Rtu6StatusTest, ShowsAFullLoopStatus) {
    ASSERT_TRUE(Status_.DecodeLoopStatus(
        LoopReply("01 05 80 03 01 02 34", "5A C3",
                  {0x0C00, 0x0C10, 0x8BFF, 0x0400, 0x0028, 0x0800, 0x0000, 0x0FFF, 0x0100}),
        Session()));
    EXPECT_EQ(Status_.InputState(), 0x0105);
    EXPECT_EQ(Status_.LightLevel(), 0x234);
    EXPECT_EQ(Status_.StatusText(),
              "输入状态: 10100000 10000000\r\n"
              "输出状态: 11000000 00000001\r\n"
              "单灯状态: 5A C3 00 00\r\n"
              "门状态: 开\r\n"
              "光照度: 564\r\n"
              "电压: Av: 219.65    Bv: 220.79    Cv: 219.58\r\n"
              "电流: \r\n"
              " 1:   1.13   2:          3:   2.27   4:          5:   4.54   6:   0.28  \r\n"
              " 7:          8:          9:         10:         11:         12:         \r\n"
              "13:         14:         15:         16:         17:         18:         \r\n"
              "19:         20:         21:         22:         23:         24:         \r\n"
              "25:         26:         27:         28:         29:         \r\n");
}

TEST_F(Rtu6StatusTest, ShowsClosedDoorAndUnmeasuredLight) {
    ASSERT_TRUE(
        Status_.DecodeLoopStatus(LoopReply("00 00 00 00 00 0F FF", "", {0, 0, 0}), Session()));
    EXPECT_FALSE(Status_.DoorOpen());
    EXPECT_EQ(Status_.LightLevel(), 0xFFFF);
    const std::string text = Status_.StatusText();
    EXPECT_NE(text.find("门状态: 关\r\n光照度: -\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("单灯状态: 00 00 00 00\r\n"), std::string::npos) << text;
}

TEST_F(Rtu6StatusTest, ClearsTheFlagBitOfAChannel) {
    ASSERT_TRUE(
        Status_.DecodeLoopStatus(LoopReply("00 00 00 00 00 00 00", "", {0x8FFF, 0, 0}), Session()));
    EXPECT_EQ(Status_.Data[13], 0x0F);
    EXPECT_EQ(Status_.Data[14], 0xFF);
    EXPECT_NEAR(Status_.VoltageA(), 292.79, 0.005);
}

TEST_F(Rtu6StatusTest, PutsCurrentInputsWhereTheStationWiresThem) {
    Station_.Loop(2)->AmpIndexOfPhase[2] = 1;   // input 1 measures loop 2 phase C: slot 9
    Station_.Loop(16)->AmpIndexOfPhase[0] = 2;  // loop 16 has no place in the image
    ASSERT_TRUE(Status_.DecodeLoopStatus(
        LoopReply("00 00 00 00 00 00 00", "", {0, 0, 0, 0x0400, 0x0800, 0, 0, 0}), Session()));
    EXPECT_EQ(Status_.Current(1), 0);
    EXPECT_DOUBLE_EQ(Status_.Current(6), 5 * TRtu6::DecodeCurrent(Hex("04 00")));
    EXPECT_DOUBLE_EQ(Status_.Current(2), 5 * TRtu6::DecodeCurrent(Hex("08 00")))
        << "an input wired beyond the image stays in its own slot";
    EXPECT_EQ(Status_.Current(0), 0);
    EXPECT_EQ(Status_.Current(30), 0);
}

TEST_F(Rtu6StatusTest, SubtractsZeroReadings) {
    Station_.SetZeroI(1, 0x20);
    Station_.SetZeroI(2, 0x100);
    Station_.Loop(1)->ZeroI[0] = 0x50;
    Station_.Loop(2)->ZeroI[0] = 0x50;
    Station_.Loop(2)->InUse = false;
    ASSERT_TRUE(Status_.DecodeLoopStatus(
        LoopReply("00 00 00 00 00 00 00", "",
                  {0x0010, 0x0C10, 0x0C00, 0x0400, 0x0400, 0x0400, 0x0400}),
        Session()));
    const auto word = [&](size_t offset) {
        return Status_.Data[offset] * 256 + Status_.Data[offset + 1];
    };
    EXPECT_EQ(word(13), 0) << "a zero reading above the value gives 0";
    EXPECT_EQ(word(15), 0x0B10);
    EXPECT_EQ(word(17), 0x0C00);
    EXPECT_EQ(word(19), 0x03B0) << "loop 1 phase A";
    EXPECT_EQ(word(21), 0x0400) << "loop 1 phase B has no zero reading";
    EXPECT_EQ(word(25), 0x0400) << "loop 2 is not in use";
}

TEST_F(Rtu6StatusTest, RefusesBadLoopStatusAndClearsIt) {
    const TBytes good = LoopReply("00 00 00 00 00 00 00", "", {1, 2, 3});
    TBytes fiveLamps = LoopReply("00 00 00 00 00 00 00", "01 02 03 04 05", {1, 2, 3});
    TBytes shortLamps = Hex("00 00 00 00 00 00 00 04 03 01 02");
    struct Case {
        const char* name;
        TBytes data;
    };
    const Case cases[] = {
        {"empty", {}},
        {"header only in part", Hex("00 00 00 00 00 00 00 00")},
        {"five lamp bytes", fiveLamps},
        {"lamp bytes missing", shortLamps},
        {"two channels", LoopReply("00 00 00 00 00 00 00", "", {1, 2})},
        {"33 channels", LoopReply("00 00 00 00 00 00 00", "", std::vector<std::uint16_t>(33, 1))},
        {"one byte short", good.substr(0, good.size() - 1)},
        {"one byte over", good + '\x00'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Status_.Data.fill(0xEE);
        EXPECT_FALSE(Status_.DecodeLoopStatus(c.data, Session()));
        EXPECT_TRUE(AllBytes(Status_, 0, kLoopPart, 0));
        EXPECT_TRUE(AllBytes(Status_, kLoopPart, TRtu6Status::kImageSize, 0xEE))
            << "alarm entries, meters and the rest stay";
    }
}

TEST_F(Rtu6StatusTest, NeedsASessionWithAStation) {
    const TBytes good = LoopReply("12 34 00 00 00 00 00", "", {1, 2, 3});
    TRtu6 loose(1, nullptr, "");
    Status_.Data.fill(0xEE);
    EXPECT_FALSE(Status_.DecodeLoopStatus(good, nullptr));
    EXPECT_TRUE(AllBytes(Status_, 0, kLoopPart, 0));
    EXPECT_FALSE(Status_.DecodeLoopStatus(good, &loose));
    EXPECT_TRUE(AllBytes(Status_, 0, kLoopPart, 0));
    EXPECT_TRUE(Status_.DecodeLoopStatus(good, Session()));
    EXPECT_EQ(Status_.InputState(), 0x1234);
}

// --- Alarms ---------------------------------------------------------------------------------

TEST_F(Rtu6StatusTest, ReadsAlarmsAsReportOrList) {
    const std::string ten = " 12 31 22 15 05 01 01 06 30 80";
    struct Case {
        TBytes data;
        bool accepted;
        bool report;
        int count;
    };
    const Case cases[] = {
        {Hex("00" + ten), true, true, 2},
        {Hex("02" + ten), true, false, 2},
        {Hex("03" + ten), false, false, 0},
        {Hex("01" + ten), false, false, 0},
        {Hex("00"), true, true, 0},
        {{}, false, false, 0},
        {Hex("40") + TBytes(320, '\x01'), true, false, 64},
        {Hex("41") + TBytes(325, '\x01'), false, false, 0},
        {Hex("00") + TBytes(325, '\x01'), false, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.data.size() << " bytes, first "
                                        << (c.data.empty() ? -1 : ByteAt(c.data, 0)));
        ASSERT_TRUE(Status_.DecodeAlarms(Hex("00") + TBytes(320, '\x77')));
        EXPECT_EQ(Status_.DecodeAlarms(c.data), c.accepted);
        EXPECT_EQ(Status_.AlarmCount(), c.count);
        if (!c.data.empty()) {
            EXPECT_EQ(Status_.IsAlarmReport, c.report);
        }
        if (!c.accepted) {
            EXPECT_TRUE(AllBytes(Status_, kAlarmPart, kAlarmPart + 321, 0));
        }
    }
}

TEST_F(Rtu6StatusTest, ShowsAlarmsWithKindsAndYear) {
    TempDir folder;
    TScopedProgramFolder program(folder.Path());
    ASSERT_TRUE(
        Status_.DecodeAlarms(Hex("06"
                                 " 12 31 22 15 05"      // last year's New Year's Eve
                                 " 01 01 06 30 80"      // today
                                 " 02 30 10 00 01"      // no such date
                                 " 03 01 10 00 00"      // no kind
                                 " 13 01 00 00 02"      // no such month
                                 " 11 11 11 11 FF")));  // every kind the byte holds
    EXPECT_FALSE(Status_.IsAlarmReport);
    ASSERT_TRUE(Status_.Alarm(1).has_value());
    EXPECT_EQ(Status_.Alarm(1)->Time, EncodeDateTime(2024, 12, 31, 22, 15, 0));
    EXPECT_EQ(Status_.Alarm(1)->Kinds, 0x05);
    EXPECT_EQ(Status_.Alarm(2)->Time, EncodeDateTime(2025, 1, 1, 6, 30, 0));
    for (int k : {0, 3, 4, 5, 7}) EXPECT_FALSE(Status_.Alarm(k).has_value()) << k;

    const std::string blank(16, ' ');
    EXPECT_EQ(Status_.AlarmText(),
              "报警信息: \r\n"
              " 1: 12-31 22:15 箱变门开,回路故障\r\n"
              " 2: 01-01 06:30 柜门开启\r\n"
              " 3: " +
                  blank +
                  "\r\n"
                  " 4: " +
                  blank +
                  "\r\n"
                  " 5: " +
                  blank +
                  "\r\n"
                  " 6: 11-11 11:11 箱变门开,线缆报警,回路故障,夜间灭灯,电压过低,电压过高,缺相故障,"
                  "柜门开启\r\n");
    const std::string log = GbkToUtf8(ReadWholeFile(ErrorLogFile(Now())));
    EXPECT_NE(log.find("Error data in GetWarnings."), std::string::npos) << log;
}

TEST_F(Rtu6StatusTest, ShowsReportedAlarmsForTheMessagePanel) {
    ASSERT_TRUE(Status_.DecodeAlarms(Hex("00 12 31 22 15 05 03 01 10 00 00 01 01 06 30 40")));
    EXPECT_TRUE(Status_.IsAlarmReport);
    EXPECT_EQ(Status_.NewAlarmText(), "12-31 22:15 箱变门开,回路故障\r\n" + std::string(16, ' ') +
                                          "\r\n01-01 06:30 缺相故障");
}

TEST_F(Rtu6StatusTest, AlarmTextWithoutAlarmsIsTheHeading) {
    EXPECT_EQ(Status_.AlarmText(), "报警信息: \r\n");
    EXPECT_EQ(Status_.NewAlarmText(), "");
    ASSERT_TRUE(Status_.DecodeAlarms(Hex("00")));
    EXPECT_EQ(Status_.AlarmText(), "报警信息: \r\n");
}

TEST(Rtu6StatusKinds, NamesTheTenKinds) {
    EXPECT_EQ(TRtu6Status::AlarmKindName(1), "箱变门开");
    EXPECT_EQ(TRtu6Status::AlarmKindName(8), "柜门开启");
    EXPECT_EQ(TRtu6Status::AlarmKindName(9), "方案错误");
    EXPECT_EQ(TRtu6Status::AlarmKindName(10), "通讯故障");
    EXPECT_EQ(TRtu6Status::AlarmKindName(0), "");
    EXPECT_EQ(TRtu6Status::AlarmKindName(11), "");
}

// --- Energy ---------------------------------------------------------------------------------

// Meter replies: 68, address, 68, control, length, data identifier, energy (+0x33 each, least
// significant first), checksum, 16. The checksum is not looked at.
std::string Reply1997(const std::string& energy) {
    return " 68 11 22 33 44 55 66 68 81 06 43 C3 " + energy + " 5A 16";
}
std::string Reply2007(const std::string& energy) {
    return " 68 11 22 33 44 55 66 68 91 08 33 33 34 33 " + energy + " 5A 16";
}
const std::string kZeros18 = " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";

TEST_F(Rtu6StatusTest, ReadsMetersOf1997Layout) {
    ASSERT_TRUE(Status_.DecodeEnergyData(
        Hex("05 14"
            " FE FE" +
            Reply1997("45 67 89 33") + " 00 00" + kZeros18 + " FE FE" + Reply1997("33 33 33 33") +
            Reply1997("34 33 33 33") + " 00 00" + " FE FE" + Reply1997("BC 9A 78 56"))));
    EXPECT_EQ(Status_.MeterCount(), 5);
    EXPECT_DOUBLE_EQ(Status_.Energy(1), 5634.12);
    EXPECT_EQ(Status_.Energy(2), 0);
    EXPECT_DOUBLE_EQ(Status_.Energy(4), 0.01);
    EXPECT_DOUBLE_EQ(Status_.Energy(5), 234567.89);
    EXPECT_EQ(Status_.Energy(6), 0);
    EXPECT_EQ(Status_.EnergyText(),
              "电表数据: \r\n"
              " 1: 5634.12    "
              " 2: 0.00       "
              " 3: 0.00       "
              " 4: 0.01       \r\n"
              " 5: 234567.89  ");
}

TEST_F(Rtu6StatusTest, ReadsThreeMetersOf2007Layout) {
    ASSERT_TRUE(
        Status_.DecodeEnergyData(Hex("03 18"
                                     " FE FE FE FE" +
                                     Reply2007("78 56 34 33") + " 00 00 00 00" + kZeros18 +
                                     " 00 00" + " FE FE FE FE" + Reply2007("45 67 89 33"))));
    EXPECT_EQ(Status_.MeterCount(), 3);
    EXPECT_DOUBLE_EQ(Status_.Energy(1), 123.45);
    EXPECT_EQ(Status_.Energy(2), 0);
    EXPECT_DOUBLE_EQ(Status_.Energy(3), 5634.12);
    EXPECT_EQ(Status_.EnergyText(),
              "电表数据: \r\n"
              " 1: 123.45     "
              " 2: 0.00       "
              " 3: 5634.12    ");
}

TEST_F(Rtu6StatusTest, RefusesBadEnergyDataAndClearsIt) {
    const std::string good1997 = Reply1997("45 67 89 33");
    struct Case {
        const char* name;
        std::string hex;
        bool accepted;
    };
    const Case cases[] = {
        {"the one-meter example", "01 12" + good1997, true},
        {"no meters", "00 00", true},
        {"no meters, any record length", "00 07", true},
        {"empty", "", false},
        {"count only", "01", false},
        {"nine meters", "09 00", false},
        {"one byte short", ("01 12" + good1997).substr(0, 3 * 19 - 1), false},
        {"one byte over", "01 12" + good1997 + " 00", false},
        {"no frame start", "01 03 01 02 03", false},
        {"wrong frame end", "01 12 68 11 22 33 44 55 66 68 81 06 43 C3 45 67 89 33 5A 17", false},
        {"frame runs past the record", "01 13 00 00" + good1997.substr(0, 17 * 3), false},
        {"three meters need the 2007 layout", "03 12" + good1997 + good1997 + good1997, false},
        {"one good, one bad", "02 12" + good1997 + " 01" + kZeros18.substr(3), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Status_.DecodeEnergyData(Hex("02 12" + good1997 + good1997)));
        EXPECT_EQ(Status_.DecodeEnergyData(Hex(c.hex)), c.accepted);
        if (!c.accepted) {
            EXPECT_EQ(Status_.MeterCount(), 0);
            EXPECT_TRUE(AllBytes(Status_, kEnergyPart, kEnergyPart + 33, 0));
        }
    }
}

TEST_F(Rtu6StatusTest, ShowsAnEmptyRecordAsZero) {
    ASSERT_TRUE(Status_.DecodeEnergyData(Hex("01 12" + kZeros18)));
    EXPECT_EQ(Status_.MeterCount(), 1);
    EXPECT_EQ(Status_.EnergyText(), "电表数据: \r\n 1: 0.00       ");
}

// --- The record as a whole ------------------------------------------------------------------

TEST_F(Rtu6StatusTest, CopiesAndClearsEverything) {
    ASSERT_TRUE(Status_.DecodeAlarms(Hex("00 12 31 22 15 05")));
    ASSERT_TRUE(Status_.DecodeEnergyData(Hex("01 12" + Reply1997("45 67 89 33"))));
    ASSERT_TRUE(Status_.History.LoadFromBytes(Hex("03 15 18 30 78 7A 00 10 20 02")));
    Status_.Updated = EncodeDateTime(2025, 1, 1, 9, 0, 0);

    TRtu6Status copy;
    Status_.AssignTo(copy);
    EXPECT_EQ(copy.Updated, Status_.Updated);
    EXPECT_EQ(copy.Data, Status_.Data);
    EXPECT_EQ(copy.History.Raw(), Status_.History.Raw());
    EXPECT_TRUE(copy.IsAlarmReport);

    copy.Clear();
    EXPECT_EQ(copy.Updated, 0);
    EXPECT_TRUE(AllBytes(copy, 0, TRtu6Status::kImageSize, 0));
    EXPECT_EQ(copy.History.Count(), 0);
    EXPECT_EQ(Status_.History.Count(), 1) << "the copy has its own history";
}

TEST_F(Rtu6StatusTest, StoresNothingWithoutADatabase) {
    EXPECT_FALSE(Status_.SaveToDatabase(1));
    EXPECT_FALSE(Status_.LoadFromDatabase(1));
}

// Any byte string: the decoders answer without reading outside it, and a refusal leaves their
// part of the image as described.
TEST_F(Rtu6StatusTest, TakesAnyBytes) {
    std::mt19937 random(116);
    for (int run = 0; run < 3000; ++run) {
        TBytes data(random() % 80, '\0');
        for (char& b : data) b = static_cast<char>(random() % 4 == 0 ? 0 : random());
        if (data.size() >= 2 && run % 3 == 0) data[1] = static_cast<char>(random() % 20);
        if (data.size() >= 9 && run % 2 == 0) {
            data[7] = static_cast<char>(random() % 5);
            data[8] = static_cast<char>(3 + random() % 30);
        }
        if (!Status_.DecodeLoopStatus(data, Session())) {
            ASSERT_TRUE(AllBytes(Status_, 0, kLoopPart, 0));
        }
        if (!Status_.DecodeAlarms(data)) {
            ASSERT_TRUE(AllBytes(Status_, kAlarmPart, kAlarmPart + 321, 0));
        }
        if (!Status_.DecodeEnergyData(data)) {
            ASSERT_TRUE(AllBytes(Status_, kEnergyPart, kEnergyPart + 33, 0));
        }
        ASSERT_TRUE(Status_.History.LoadFromBytes(data) == (data.size() % 10 == 0));
        (void)Status_.StatusText();
        (void)Status_.AlarmText();
        (void)Status_.EnergyText();
        (void)Status_.History.AsText();
    }
}

}  // namespace
