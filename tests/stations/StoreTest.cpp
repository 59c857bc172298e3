#include <gtest/gtest.h>

#include "comm/TaskSink.h"
#include "platform/CheckError.h"
#include "platform/Encoding.h"
#include "stations/udiTest.h"
#include "support/RecordingDialogs.h"
#include "support/TempDir.h"

namespace {

class StoreTest : public ::testing::Test {
protected:
    TempDir dir_;
    TIDataTest store_{dir_.Path()};

    int Add(const std::string& name, int link, const std::string& phone, int address) {
        return store_.AddStation(name, link, 0x0003, phone, address);
    }
    std::vector<int> Numbers() const {
        std::vector<int> numbers;
        for (const auto& entry : store_.ListStations()) numbers.push_back(entry.Number);
        return numbers;
    }
};

}  // namespace

TEST_F(StoreTest, AddTakesTheSmallestFreeNumber) {
    dir_.Write("StationsInfo.Ini",
               "[1]\r\nName=a\r\nRtuAddress=1\r\n[2]\r\nName=b\r\nRtuAddress=2\r\n"
               "[4]\r\nName=d\r\nRtuAddress=4\r\n");
    EXPECT_EQ(Add("c", 0, "", 3), 3);
    EXPECT_EQ(Numbers(), (std::vector<int>{1, 2, 4, 3}));
    EXPECT_EQ(Add("e", 0, "", 5), 5);

    TStoredStation s;
    ASSERT_TRUE(store_.ReadStation(3, s));
    EXPECT_EQ(s.Name, "c");
    EXPECT_EQ(s.RtuAddress, 3);
    EXPECT_EQ(s.LoopsMask, 0x0003);
    EXPECT_EQ(s.IpAddress, "");
    EXPECT_FALSE(s.Answered);
    EXPECT_FALSE(store_.ReadStation(6, s));
    EXPECT_EQ(s.Name, "");
}

TEST_F(StoreTest, ClashesByLinkKind) {
    ASSERT_EQ(Add("甲", 0, "13800000000", 1), 1);
    ASSERT_EQ(Add("乙", 1, "13900000000", 2), 2);
    struct Case {
        const char* what;
        const char* name;
        int link;
        const char* phone;
        int address;
        bool accepted;
    } cases[] = {
        {"same name", "甲", 0, "", 9, false},
        {"same name over GPRS", "乙", 2, "", 9, false},
        {"same address", "丙", 2, "", 2, false},
        {"short message with a known phone", "丁", 1, "13900000000", 10, false},
        {"data radio with a known phone", "戊", 0, "13900000000", 11, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Add(c.name, c.link, c.phone, c.address) != 0, c.accepted) << c.what;

    // An update may keep its own name and address but not take another station's.
    EXPECT_TRUE(store_.UpdateStation(1, "甲", 0, "13800000000", 1, 0));
    EXPECT_FALSE(store_.UpdateStation(1, "乙", 0, "", 1, 0));
    EXPECT_FALSE(store_.UpdateStation(1, "甲", 0, "", 2, 0));

    EXPECT_NE(Add("甲", 7, "", 1), 0) << "an unknown link kind clashes with nothing";
}

TEST_F(StoreTest, UpdateClearsTheRegisteredRoute) {
    const int n = Add("站", 2, "00000000007", 7);
    ASSERT_TRUE(store_.SetIpRoute(n, "10.1.2.3", 6000));
    ASSERT_TRUE(store_.SetAnswered(n, true));
    TStoredStation s;
    ASSERT_TRUE(store_.ReadStation(n, s));
    EXPECT_EQ(s.IpAddress, "10.1.2.3");
    EXPECT_EQ(s.IpPort, 6000);
    EXPECT_TRUE(s.Answered);
    int found = 0;
    EXPECT_TRUE(store_.FindStationByIp("10.1.2.3", found));
    EXPECT_EQ(found, n);

    ASSERT_TRUE(store_.UpdateStation(n, "站", 0x8001, "00000000007", 8, 2));
    ASSERT_TRUE(store_.ReadStation(n, s));
    EXPECT_EQ(s.IpAddress, "");
    EXPECT_EQ(s.IpPort, 0);
    EXPECT_FALSE(s.Answered);
    EXPECT_EQ(s.LoopsMask, 0x8001);
    EXPECT_EQ(s.RtuAddress, 8);
    EXPECT_FALSE(store_.FindStationByIp("10.1.2.3", found));

    EXPECT_FALSE(store_.SetIpRoute(99, "10.1.2.3", 1));
    EXPECT_FALSE(store_.SetAnswered(99, true));
    EXPECT_FALSE(store_.ReadStation(99, s));  // and no section 99 was made
}

TEST_F(StoreTest, FindsTheFirstMatchInFileOrder) {
    dir_.Write("StationsInfo.Ini",
               "[5]\r\nName=a\r\nPhoneNumber=111\r\nRtuAddress=9\r\n"
               "[2]\r\nName=b\r\nPhoneNumber=111\r\nRtuAddress=9\r\nIpAddress=1.2.3.4\r\n");
    int number = 0;
    TStoredStation s;
    ASSERT_TRUE(store_.FindStationByPhone("111", number, s));
    EXPECT_EQ(number, 5);
    EXPECT_EQ(s.Name, "a");
    ASSERT_TRUE(store_.FindStationByRtuAddress(9, number, s));
    EXPECT_EQ(number, 5);
    ASSERT_TRUE(store_.FindStationByIp("1.2.3.4", number));
    EXPECT_EQ(number, 2);
    EXPECT_FALSE(store_.FindStationByPhone("11", number, s));
    EXPECT_FALSE(store_.FindStationByRtuAddress(8, number, s));

    // The file changes behind the store's back: look-ups follow it.
    dir_.Write("StationsInfo.Ini", "[3]\r\nName=c\r\nPhoneNumber=111\r\n");
    ASSERT_TRUE(store_.FindStationByPhone("111", number, s));
    EXPECT_EQ(number, 3);
}

TEST_F(StoreTest, ListingStopsAtASectionThatIsNoNumber) {
    dir_.Write("StationsInfo.Ini", "[1]\r\nName=a\r\n[x]\r\nName=b\r\n[3]\r\nName=c\r\n");
    EXPECT_EQ(Numbers(), (std::vector<int>{1}));
    // The clash test still sees every section.
    EXPECT_EQ(Add("b", 0, "", 7), 0);
    EXPECT_EQ(Add("c", 0, "", 8), 0);
}

TEST_F(StoreTest, StationTextsAreGbkOnDisk) {
    ASSERT_EQ(Add("测试站点", 0, "", 1), 1);
    const std::string disk = dir_.Read("StationsInfo.Ini");
    EXPECT_NE(disk.find("Name=\xB2\xE2\xCA\xD4\xD5\xBE\xB5\xE3\r\n"), std::string::npos) << disk;
    dir_.Write("StationsInfo.Ini", "[1]\r\nName=\xB2\xE2\xCA\xD4\xD5\xBE\xB5\xE3\r\n");
    ASSERT_EQ(store_.ListStations().size(), 1u);
    EXPECT_EQ(store_.ListStations()[0].Name, "测试站点");
}

TEST_F(StoreTest, DeleteAndBadFiles) {
    ASSERT_EQ(Add("a", 0, "", 1), 1);
    ASSERT_EQ(Add("b", 0, "", 2), 2);
    EXPECT_TRUE(store_.DeleteStation(1));
    EXPECT_EQ(Numbers(), (std::vector<int>{2}));
    EXPECT_TRUE(store_.DeleteStation(42));  // nothing to delete is no failure

    // Keys that are not numbers read as their defaults.
    dir_.Write("StationsInfo.Ini", "[1]\r\nName=a\r\nCommDevice=x\r\nRtuAddress=B4\r\nIpPort=\r\n");
    TStoredStation s;
    ASSERT_TRUE(store_.ReadStation(1, s));
    EXPECT_EQ(s.LinkKind, 0);
    EXPECT_EQ(s.RtuAddress, 0);
    EXPECT_EQ(s.IpPort, 0);

    // A name with a line break would break the file: refused, file unchanged.
    const std::string before = dir_.Read("StationsInfo.Ini");
    EXPECT_THROW(Add("a\r\n[2]", 0, "", 5), TProfileError);
    EXPECT_EQ(dir_.Read("StationsInfo.Ini"), before);
}

TEST_F(StoreTest, Places) {
    dir_.Write("LongLat.Ini", Utf8ToGbk("[Items]\r\n1=云南,昆明,五华,102.70,25.04\r\n"
                                        "2=云南,昆明,官渡,x,25.04\r\n"
                                        "3=云南,昆明,盘龙,102.70,y\r\n4=短\r\n"));
    double lon = -1, lat = -1;
    ASSERT_TRUE(store_.ReadPlace("1", lon, lat));
    EXPECT_DOUBLE_EQ(lon, 102.70);
    EXPECT_DOUBLE_EQ(lat, 25.04);
    ASSERT_TRUE(store_.ReadPlace("2", lon, lat));
    EXPECT_EQ(lon, 0);
    EXPECT_EQ(lat, 0);
    ASSERT_TRUE(store_.ReadPlace("3", lon, lat));
    EXPECT_DOUBLE_EQ(lon, 102.70);
    EXPECT_EQ(lat, 0);
    ASSERT_TRUE(store_.ReadPlace("4", lon, lat));
    EXPECT_EQ(lon, 0);
    EXPECT_FALSE(store_.ReadPlace("5", lon, lat));
    EXPECT_EQ(store_.ListPlaces().size(), 4u);
    EXPECT_EQ(store_.ListPlaces()[0], "1=云南,昆明,五华,102.70,25.04");
}

TEST_F(StoreTest, TheDatabaseEntryDoesNothing) {
    TDataSet* lent = reinterpret_cast<TDataSet*>(&store_);
    EXPECT_FALSE(store_.OpenQuery(lent));
    EXPECT_EQ(lent, nullptr);
    EXPECT_FALSE(store_.ExecSql("delete from stations"));
    EXPECT_TRUE(store_.IsReady());
}

namespace {
class CollectingSink : public TTaskSink {
public:
    void AddTask(int item, const std::string& caption, bool waitReply, bool isWrite,
                 const TBytes& frameText) override {
        Items.push_back(item);
        Captions.push_back(caption);
        Flags.push_back({waitReply, isWrite});
        Frames.push_back(frameText);
    }
    std::vector<int> Items;
    std::vector<std::string> Captions;
    std::vector<std::pair<bool, bool>> Flags;
    std::vector<TBytes> Frames;
};
}  // namespace

TEST_F(StoreTest, PostTaskReachesTheSenderOrIsDropped) {
    RecordingDialogs dialogs;
    store_.PostTask(9, 1, 0, 0, 113, false, "frame", true, "读取");  // no sender: dropped
    EXPECT_TRUE(dialogs.Waits.empty());
    CollectingSink sink;
    SetTaskSink(&sink);
    store_.PostTask(10, 1, 0, 0, 161, true, "frame2", false, "设置");
    SetTaskSink(nullptr);
    EXPECT_EQ(dialogs.Waits, (std::vector<std::string>{"show 正在发送命令, 请稍候...", "hide"}));
    ASSERT_EQ(sink.Items, std::vector<int>{161});
    EXPECT_EQ(sink.Captions[0], "设置");
    EXPECT_EQ(sink.Flags[0], std::make_pair(false, true));
    EXPECT_EQ(sink.Frames[0], "frame2");
}

namespace {

TTheme SampleSchedule() {
    TTheme theme;
    TOnOffInfo& lamps = theme.Loop(1);
    lamps.IsStreetLamp = true;
    lamps.Entry(1) = {true, 0, kModeSun, 0, kModeSun, 3, true};
    lamps.Entry(2) = {true, EncodeTime(23, 30, 45), kModeFixed, 0, kModeFixed, 15, false};
    TOnOffInfo& pairs = theme.Loop(16);
    pairs.Entry(1) = {
        true, EncodeTime(0, 20, 0), kModeBeforeSunset, EncodeTime(22, 0, 0), kModeFixed, 0, false};
    return theme;
}

}  // namespace

TEST_F(StoreTest, SavedSchedulesRoundTripOneWriteEach) {
    TScopedManualClock clock(EncodeDateTime(2014, 4, 1, 18, 30, 5));
    const auto writes = store_.ThemesFile().WriteCount();
    EXPECT_TRUE(store_.SaveSchedule("夏季", SampleSchedule()));
    EXPECT_EQ(store_.ThemesFile().WriteCount(), writes + 1);
    EXPECT_EQ(store_.ListSchedules(), std::vector<std::string>{"夏季"});

    const std::string disk = GbkToUtf8(dir_.Read("ThemesInfo.Ini"));
    EXPECT_NE(disk.find("[Names]\r\n夏季=2014-04-01 18:30:05\r\n"), std::string::npos) << disk;
    EXPECT_NE(disk.find("[夏季_1]\r\nIsStreetLamp=1\r\nIsUsed1=1\r\n"), std::string::npos) << disk;
    EXPECT_NE(disk.find("OnTime2=23:30:00\r\n"), std::string::npos) << disk;  // cut to minutes
    EXPECT_NE(disk.find("[夏季_16]"), std::string::npos);
    EXPECT_EQ(disk.find("[夏季_2]"), std::string::npos);

    TTheme loaded;
    TDateTime savedAt = 0;
    ASSERT_TRUE(store_.LoadSchedule("夏季", savedAt, loaded));
    EXPECT_EQ(savedAt, EncodeDateTime(2014, 4, 1, 18, 30, 5));
    TTheme expected = SampleSchedule();
    expected.Loop(1).Entry(2).OnTime = EncodeTime(23, 30, 0);
    for (int loop : {1, 16}) {
        for (int k = 1; k <= 2; ++k) {
            const auto& got = loaded.Loop(loop).Entry(k);
            const auto& want = expected.Loop(loop).Entry(k);
            EXPECT_EQ(got.IsUsed, want.IsUsed) << loop << "/" << k;
            EXPECT_NEAR(got.OnTime, want.OnTime, 1e-9) << loop << "/" << k;
            EXPECT_EQ(got.OnTimeMode, want.OnTimeMode) << loop << "/" << k;
            EXPECT_NEAR(got.OffTime, want.OffTime, 1e-9) << loop << "/" << k;
            EXPECT_EQ(got.LampsMode, want.LampsMode) << loop << "/" << k;
            EXPECT_EQ(got.Saving, want.Saving) << loop << "/" << k;
        }
    }
    EXPECT_TRUE(loaded.Loop(1).IsStreetLamp);
    // Unused entries are stored too and come back as they were.
    EXPECT_FALSE(loaded.Loop(1).Entry(3).IsUsed);
    EXPECT_EQ(loaded.Loop(1).Entry(3).OnTimeMode, 1);
    EXPECT_EQ(loaded.Loop(1).Entry(3).LampsMode, 0);
    // Loops without a section keep the cleared defaults.
    EXPECT_FALSE(loaded.Loop(2).HasSchedule());
    EXPECT_EQ(loaded.Loop(2).Entry(1).OnTimeMode, 1);

    EXPECT_FALSE(store_.LoadSchedule("冬季", savedAt, loaded));
    EXPECT_TRUE(store_.DeleteSchedule("夏季"));
    EXPECT_TRUE(store_.ListSchedules().empty());
    EXPECT_EQ(GbkToUtf8(dir_.Read("ThemesInfo.Ini")).find("夏季"), std::string::npos);
}

TEST_F(StoreTest, SavedScheduleEdgeCases) {
    // A loop whose first pair is not used is ignored on loading, whatever follows.
    dir_.Write("ThemesInfo.Ini",
               "[Names]\r\nA=2014-04-01 18:30:05\r\n"
               "[A_3]\r\nIsUsed1=0\r\nIsUsed2=1\r\nOnTimeMode2=4\r\n"
               "[A_4]\r\nIsUsed1=1\r\nOnTimeMode1=4\r\nOnTime1=00:30:00\r\n");
    TTheme loaded;
    TDateTime savedAt = 0;
    ASSERT_TRUE(store_.LoadSchedule("a", savedAt, loaded));  // names compare without case
    EXPECT_FALSE(loaded.Loop(3).Entry(2).IsUsed);
    EXPECT_EQ(loaded.Loop(4).Entry(1).OnTimeMode, 4);

    // Nothing used: only the name is written, the old loop sections go.
    EXPECT_FALSE(store_.SaveSchedule("A", TTheme()));
    const std::string disk = dir_.Read("ThemesInfo.Ini");
    EXPECT_EQ(disk.find("[A_4]"), std::string::npos) << disk;
    EXPECT_NE(disk.find("A="), std::string::npos) << disk;

    // Names that would break the file are refused and change nothing.
    for (const char* bad : {"a\r\nb", "x]y", "[x", "a=b", ";a", "", " a"}) {
        EXPECT_THROW(store_.SaveSchedule(bad, SampleSchedule()), TCheckError) << bad;
        EXPECT_EQ(dir_.Read("ThemesInfo.Ini"), disk) << bad;
    }
}
