#include <gtest/gtest.h>

#include <functional>

#include "platform/CheckError.h"
#include "protocol/CurrentData.h"
#include "protocol/Frame.h"
#include "protocol/Rtu6Parameters.h"
#include "protocol/Rtu6Class.h"
#include "stations/Station6Class.h"
#include "support/ControllerFrames.h"
#include "support/RecordingStore.h"

using testing_frames::Hex;
using testing_frames::HexOf;

namespace {

const TDateTime kNow = EncodeDateTime(2014, 4, 1, 8, 30, 0);
const TDateTime kTenMinutes = 10 / kMinutesPerDay;

class SessionTest : public ::testing::Test {
protected:
    TScopedManualClock clock_{kNow};
    RecordingStore store_;
    TStation6Test station_;

    TRtu6& Session() { return *station_.Rtu(1); }
    void UseLink(int kind, const std::string& phone = "", const std::string& ip = "",
                 int port = 0) {
        station_.SetLinkKind(kind);
        station_.SetPhoneNumber(phone);
        station_.SetDeviceId(phone);
        station_.SetIpAddress(ip);
        station_.SetIpPort(port);
    }
};

}  // namespace

TEST_F(SessionTest, WritesSplitIntoCountedTasks) {
    struct Case {
        const char* what;
        int link;
        size_t length;
        std::vector<std::string> captions;
        std::vector<bool> waits;
    } cases[] = {
        {"radio, 131 bytes",
         kLinkRadio,
         131,
         {"向测试站点发出设置RTU参数表的命令(1/2).", "向测试站点发出设置RTU参数表的命令(2/2)."},
         {false, true}},
        {"radio, empty", kLinkRadio, 0, {"向测试站点发出设置RTU参数表的命令."}, {true}},
        {"short message, 131 bytes",
         kLinkSms,
         131,
         {"向测试站点发出设置RTU参数表的命令(1/2).", "向测试站点发出设置RTU参数表的命令(2/2)."},
         {false, false}},
        {"radio, 16 packets", kLinkRadio, 16 * 130, std::vector<std::string>(16),
         std::vector<bool>(16)},
        {"radio, 17 packets: nothing", kLinkRadio, 16 * 130 + 1, {}, {}},
    };
    for (const auto& c : cases) {
        store_.Tasks.clear();
        UseLink(c.link);
        Session().SendSetCommand(119, TBytes(c.length, 'x'), 0, 0);
        ASSERT_EQ(store_.Tasks.size(), c.captions.size()) << c.what;
        for (size_t k = 0; k < store_.Tasks.size(); ++k) {
            const auto& task = store_.Tasks[k];
            EXPECT_EQ(task.TaskKind, kTaskWrite);
            EXPECT_TRUE(task.IsWrite);
            EXPECT_EQ(task.Item, 119);
            EXPECT_EQ(task.Created, kNow);
            EXPECT_EQ(task.Deadline, kNow + kTenMinutes);
            int n = 0, i = 0;
            ASSERT_TRUE(Session().GetPacketNumbers(task.FrameText, n, i));
            EXPECT_EQ(i, static_cast<int>(k) + 1);
            if (c.captions.size() < 16) {
                EXPECT_EQ(task.Caption, c.captions[k]) << c.what;
                EXPECT_EQ(task.WaitReply, c.waits[k]) << c.what << " " << k;
            }
        }
    }
}

TEST_F(SessionTest, RoutePrefixByLink) {
    struct Case {
        const char* what;
        int link;
        std::string phone, ip;
        int port;
        std::string prefix;
    } cases[] = {
        {"radio", kLinkRadio, "13812345678", "10.1.2.3", 6000, ""},
        {"short message", kLinkSms, "13812345678", "", 0, "13812345678:"},
        {"short message without number", kLinkSms, "", "", 0, ""},
        {"GPRS", kLinkGprs, "ID7", "10.1.2.3", 6000, "10.1.2.3:6000:ID7:"},
        {"GPRS port 0", kLinkGprs, "ID7", "10.1.2.3", 0, "10.1.2.3:0:ID7:"},
        {"GPRS not registered", kLinkGprs, "ID7", "", 0, ""},
        {"GPRS without identifier", kLinkGprs, "", "10.1.2.3", 6000, ""},
        {"GPRS negative port", kLinkGprs, "ID7", "10.1.2.3", -1, ""},
    };
    for (const auto& c : cases) {
        store_.Tasks.clear();
        station_.SetLinkKind(c.link);
        station_.SetPhoneNumber(c.phone == "ID7" ? "" : c.phone);
        station_.SetDeviceId(c.phone);
        station_.SetIpAddress(c.ip);
        station_.SetIpPort(c.port);
        Session().ReadItemNow(161);
        ASSERT_EQ(store_.Tasks.size(), 1u) << c.what;
        const TBytes& text = store_.Tasks[0].FrameText;
        EXPECT_EQ(text.substr(0, c.prefix.size()), c.prefix) << c.what;
        const TBytes frame = text.substr(c.prefix.size());
        EXPECT_EQ(TRtu6::ReplyItem(frame), 161) << c.what;
        EXPECT_EQ(frame.size(), c.link == kLinkRadio ? 8u : 15u) << c.what;
        EXPECT_EQ(store_.Tasks[0].WaitReply, c.link == kLinkRadio) << c.what;
    }
}

TEST_F(SessionTest, ReadTasksAndDeadlines) {
    const TDateTime created = kNow - 1;
    Session().ReadItem(113, "", created + 1 / kMinutesPerDay, created);
    Session().ReadItem(113, "", created + 1, created);
    Session().ReadItem(113, "", 0, 0);
    ASSERT_EQ(store_.Tasks.size(), 3u);
    EXPECT_EQ(store_.Tasks[0].Deadline, created + kTenMinutes);
    EXPECT_EQ(store_.Tasks[1].Deadline, created + 1);
    EXPECT_EQ(store_.Tasks[2].Created, kNow);
    EXPECT_EQ(store_.Tasks[2].Deadline, kNow + kTenMinutes);
    const auto& task = store_.Tasks[0];
    EXPECT_EQ(task.TaskKind, kTaskRead);
    EXPECT_FALSE(task.IsWrite);
    EXPECT_EQ(task.RtuAddress, 1);
    EXPECT_EQ(task.Caption, "读取测试站点的回路状态.");
    EXPECT_EQ(HexOf(task.FrameText), HexOf(Session().BuildReadFrame(113, "")));

    store_.Tasks.clear();
    Session().ReadItemNow(179);
    ASSERT_EQ(store_.Tasks.size(), 1u);
    EXPECT_EQ(store_.Tasks[0].Caption, "读取测试站点的未知.");
}

TEST_F(SessionTest, StatusGroupInOrder) {
    Session().ReadStatusGroup(true, true, true, true, true, 0, 0);
    std::vector<int> items;
    for (const auto& task : store_.Tasks) items.push_back(task.Item);
    EXPECT_EQ(items, (std::vector<int>{58, 59, 113, 71, 114}));
    EXPECT_EQ(HexOf(store_.Tasks[3].FrameText), HexOf(Session().BuildReadFrame(71, Hex("01 00"))));

    store_.Tasks.clear();
    Session().ReadStatusGroup(false, false, true, false, false, 0, 0);
    ASSERT_EQ(store_.Tasks.size(), 1u);
    EXPECT_EQ(store_.Tasks[0].Item, 114);
}

TEST_F(SessionTest, CenterPhoneNumber) {
    UseLink(kLinkGprs, "12345678901", "10.1.2.3", 6000);
    Session().SendCenterPhoneNumber("1381234567");
    EXPECT_TRUE(store_.Tasks.empty());
    Session().SendCenterPhoneNumber("13812345678");
    ASSERT_EQ(store_.Tasks.size(), 1u);
    const auto& task = store_.Tasks[0];
    EXPECT_EQ(task.TaskKind, kTaskCenterPhone);
    EXPECT_TRUE(task.WaitReply);  // even over GPRS
    EXPECT_EQ(task.Caption, "向测试站点发出设置控制中心SIM卡号命令.");
    EXPECT_EQ(task.Deadline, kNow + kTenMinutes);
    const TBytes frame = GetFieldsFrom(task.FrameText, 4, ':');
    EXPECT_EQ(Session().PayloadOf(frame), "13812345678");
    Session().SendCenterPhoneNumber("");
    ASSERT_EQ(store_.Tasks.size(), 2u);
    EXPECT_EQ(Session().PayloadOf(GetFieldsFrom(store_.Tasks[1].FrameText, 4, ':')), "");
}

TEST_F(SessionTest, WriteCommandsSendTheirPayloadOrNothing) {
    struct Case {
        const char* what;
        std::function<void(TRtu6&)> command;
        int item;
        const char* data;  // nullptr: nothing posted
    } cases[] = {
        {"perform mode 4", [](TRtu6& s) { s.SendPerformMode(4); }, 65, nullptr},
        {"perform mode 1", [](TRtu6& s) { s.SendPerformMode(1); }, 65, "02"},
        {"mask bits 5", [](TRtu6& s) { s.SendMaskBitsForAPole(5); }, 173, nullptr},
        {"latitude 60", [](TRtu6& s) { s.SendLatitude(60.0); }, 169, "17 70"},
        {"latitude 60.01", [](TRtu6& s) { s.SendLatitude(60.01); }, 169, nullptr},
        {"longitude -102.5", [](TRtu6& s) { s.SendLongitude(-102.5); }, 168, "D7 F6"},
        {"time zone -12", [](TRtu6& s) { s.SendRtuTimeZone(-12); }, 180, "FF 88"},
        {"reset lower case", [](TRtu6& s) { s.SendResetFlag("reset"); }, 153, nullptr},
        {"route map", [](TRtu6& s) { s.SendRouteAddressMap(Hex("01 02 03")); }, 162, "03 01 02 03"},
        {"rtu address 255", [](TRtu6& s) { s.SendRtuAddress(255); }, 160, nullptr},
        {"rtu address 7", [](TRtu6& s) { s.SendRtuAddress(7); }, 160, "07"},
        {"clock", [](TRtu6& s) { s.SetClockNow(); }, 82, "20 14 04 01 08 30 00 02"},
        {"center address 256", [](TRtu6& s) { s.SendCenterAddress(256); }, 161, nullptr},
        {"weekend",
         [](TRtu6& s) {
             s.SendWeekendsType({6, 7});
         },
         66, "60"},
        {"lcu command", [](TRtu6& s) { s.SendLcuCommand(Hex("22 01 02 03 04")); }, 71,
         "22 01 02 03 04"},
        {"lcu phase table",
         [](TRtu6& s) {
             TRtu6LCUPhaseTable table;
             EXPECT_TRUE(table.LoadFromBytes(Hex("1B 00 40")));
             s.SendLcuPhaseTable(table);
         },
         72, "1B 00 40"},
        {"alarm settings",
         [](TRtu6& s) {
             TRtu6WarningParameters w;
             EXPECT_TRUE(w.LoadFromBytes(Hex("31 D2 6E E5")));
             s.SendWarningParameters(w);
         },
         183, "31 D2 6E E5"},
        {"alarm settings of the current record",
         [](TRtu6& s) {
             EXPECT_TRUE(CurrentParameters().WarningParameters.LoadFromBytes(Hex("01 FE 14 D5")));
             s.SendWarningSettings();
             CurrentParameters().WarningParameters.Clear();
         },
         183, "01 FE 14 D5"},
        {"restart",
         [](TRtu6& s) {
             TRtu6RestartPowerFlag f;
             EXPECT_TRUE(f.LoadFromBytes(Hex("12")));
             s.SendRestartPowerFlag(f);
         },
         184, "12"},
        {"options",
         [](TRtu6& s) {
             TRtu6Options o;
             o.Holidays.Clear();
             o.Holidays.Add(EncodeDate(2014, 10, 1));
             o.RtuClock = kNow;
             s.SendOptions(o);
         },
         118, "01 00 20 14 04 01 08 30 00 02 00 00 00 00 00 00 00 00 00 00 00 00 00 10 01 00"},
        {"advanced options",
         [](TRtu6& s) {
             TRtu6AdvancedOptions a;
             a.RouteAddressMap = Hex("07");
             s.SendAdvancedOptions(a);
         },
         119, "00 00 00 00 00 00 00 00 00 00 00 00 00 20 20 20 20 20 20 20 20 20 20 20 00 01 07"},
    };
    for (const auto& c : cases) {
        store_.Tasks.clear();
        c.command(Session());
        if (!c.data) {
            EXPECT_TRUE(store_.Tasks.empty()) << c.what;
            continue;
        }
        ASSERT_EQ(store_.Tasks.size(), 1u) << c.what;
        EXPECT_EQ(store_.Tasks[0].Item, c.item) << c.what;
        EXPECT_EQ(HexOf(Session().PayloadOf(store_.Tasks[0].FrameText)), c.data) << c.what;
    }
}

TEST_F(SessionTest, TwoByteAddressSessionSendsBcdAddresses) {
    TRtu61 wide(0x1234, &station_, "");
    wide.SendRtuAddress(0x12A4);
    EXPECT_TRUE(store_.Tasks.empty());
    wide.SendRtuAddress(0x9999);
    ASSERT_EQ(store_.Tasks.size(), 1u);
    EXPECT_EQ(HexOf(wide.PayloadOf(store_.Tasks[0].FrameText)), "99 99");
    EXPECT_EQ(HexOf(store_.Tasks[0].FrameText.substr(0, 4)), "FA 00 12 34");
    EXPECT_EQ(wide.ProtocolKind, kProtocolRtu61);
}

TEST_F(SessionTest, DisplayNameAndConstruction) {
    EXPECT_EQ(Session().RtuDisplayName(), "测试站点");
    EXPECT_EQ(Session().ProtocolKind, kProtocolRtu6);
    EXPECT_TRUE(Session().PendingPackets.empty());
    const TRtu6 other(9, &station_, "");
    EXPECT_EQ(other.RtuDisplayName(), "");
    const TRtu6 alone(9, nullptr, "");
    EXPECT_EQ(alone.RtuDisplayName(), "");
    EXPECT_FALSE(alone.WaitsForReply());
    EXPECT_EQ(alone.LinkKind(), 0);

    TLoops notAStation(nullptr);
    try {
        TRtu6 wrong(1, &notAStation, "");
        FAIL() << "a loop list is no station";
    } catch (const TCheckError& e) {
        EXPECT_STREQ(e.what(), "Invalid Data: aStation.");
    }
}

TEST(SessionWithoutStore, CommandsRaise) {
    ASSERT_EQ(GlobalStore(), nullptr);
    TStation6Test station;
    try {
        station.Rtu(1)->ReadItemNow(113);
        FAIL() << "no store, no command";
    } catch (const TCheckError& e) {
        EXPECT_STREQ(e.what(), "无法连接到数据库.");
    }
    EXPECT_THROW(station.Rtu(1)->SendRtuClock(kNow), TCheckError);
}

TEST(SessionDecoders, MeasuredValues) {
    EXPECT_DOUBLE_EQ(TRtu456::DecodeEnergy(Hex("33 33 33 33")), 0.0);
    EXPECT_NEAR(TRtu456::DecodeEnergy(Hex("45 67 89 33")), 5634.12, 1e-9);
    EXPECT_EQ(TRtu456::DecodeEnergy(Hex("45 67 89")), 0);
    EXPECT_EQ(TRtu456::DecodeEnergy(Hex("DD 33 33 33")), 0);  // 0xAA after the offset
    EXPECT_NEAR(TRtu::DecodeEnergy(Hex("12 34 56")), 12 * 1000 + 34 * 10 + 5.6, 1e-9);
    EXPECT_EQ(TRtu::DecodeEnergy(Hex("12 A3 56")), 0);

    EXPECT_NEAR(TRtu6::DecodeVoltage(Hex("0F FF")), 292.7925, 1e-9);
    EXPECT_NEAR(TRtu6::DecodeVoltage(Hex("FF FF")), 292.7925, 1e-9);  // high nibble ignored
    EXPECT_EQ(TRtu6::DecodeVoltage(Hex("00 FF")), 0);                 // 18.2325 V is below 20
    EXPECT_NEAR(TRtu6::DecodeVoltage(Hex("01 18")), 280 * 0.0715, 1e-9);
    EXPECT_EQ(TRtu6::DecodeVoltage(Hex("0F")), 0);

    EXPECT_EQ(TRtu6::DecodeCurrent(Hex("00 28")), 0);
    EXPECT_NEAR(TRtu6::DecodeCurrent(Hex("00 29")), 41 * 0.002327 / 2.1 / 5, 1e-12);
    EXPECT_NEAR(TRtu6::DecodeCurrent(Hex("0F FF")), 0.9075, 1e-4);

    EXPECT_EQ(TRtu6::DecodeRaw12(Hex("01 23")), 0x123);
    EXPECT_EQ(TRtu6::DecodeRaw12(Hex("F1 23")), 0x123);
    EXPECT_EQ(TRtu6::DecodeRaw12(Hex("0F FF")), 0xFFFF);
    EXPECT_EQ(TRtu6::DecodeRaw12(Hex("01")), 0xFFFF);
    EXPECT_EQ(TRtu::DecodeRaw12(Hex("0F FF")), 0x0FFF);

    EXPECT_NEAR(TRtu::DecodeVoltage(Hex("0F FF")), 292, 1e-9);
    EXPECT_NEAR(TRtu::DecodeCurrent(Hex("0F FF")), 4094 / 4095.0, 1e-12);
    EXPECT_EQ(TRtu::DecodeCurrent(Hex("00 28")), 0);
}
