// The station list and editor of remote mode, the guard before every command, the list marks.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "app/SystemInit.h"
#include "comm/WindowMessages.h"
#include "platform/MainThread.h"
#include "stations/Station6Class.h"
#include "WindowFixture.h"

namespace {

class StationPanelTest : public WindowFixture {
protected:
    void Edit(const char* name, const char* address, const char* deviceId, int kind) {
        Find<QLineEdit>("edtName")->setText(name);
        Find<QLineEdit>("edtStationRtuAddress")->setText(address);
        Find<QLineEdit>("edtStationPhoneNumber")->setText(deviceId);
        Find<QComboBox>("cmbCommDevice")->setCurrentIndex(kind);
    }
    QListWidget* List() { return Find<QListWidget>("lbStations"); }
    QStringList Entries() {
        QStringList texts;
        for (int row = 0; row < List()->count(); ++row) texts << List()->item(row)->text();
        return texts;
    }
    void Click(const char* button) { Find<QPushButton>(button)->click(); }
};

TEST_F(StationPanelTest, EditorChecksItsFieldsInOrder) {
    const struct {
        const char* name;
        const char* address;
        const char* deviceId;
        int kind;
        const char* message;  // empty: accepted
    } cases[] = {
        {"甲站", "1", "12345", 0, "SIM卡号码错误."},
        {"乙站", "2", "123456", 0, ""},
        {"丙站", "3", "12a456", 2, "SIM卡号码错误."},
        {"丁站", "4", "", 0, ""},
        {"戊站", "5", "", 1, "SIM卡号码错误."},
        {"己站", "6", "", 2, "SIM卡号码错误."},
        {"  ", "7", "", 0, "请输入控制柜的名称."},
        {"庚站", "0", "", 0, "RTU的地址码应在1到254之间."},
        {"辛站", "255", "", 0, "RTU的地址码应在1到254之间."},
        {"壬站", "1x", "", 0, "\"1x\" 不是有效的整数."},
        {"癸站", "254", "13800000001", 2, ""},
    };
    StartWindow();
    for (const auto& c : cases) {
        Dialogs.Messages.clear();
        const int before = List()->count();
        Edit(c.name, c.address, c.deviceId, c.kind);
        Click("btnAddStation");
        EXPECT_EQ(LastMessage(), c.message) << c.name << " " << c.address << " " << c.deviceId;
        EXPECT_EQ(List()->count(), before + (*c.message ? 0 : 1)) << c.name;
    }
}

TEST_F(StationPanelTest, AddTrimsTheFieldsSelectsTheNewEntryAndLoadsTheCurrentStation) {
    StartWindow();
    Edit("  东门 ", " 012 ", " 123456 ", 0);
    Find<QCheckBox>("cbControlLamps3")->setChecked(true);
    Click("btnAddStation");
    ASSERT_EQ(List()->count(), 1);
    EXPECT_EQ(List()->currentItem()->text(), "东门");
    EXPECT_EQ(Find<QLineEdit>("edtStationRtuAddress")->text(), "12");
    EXPECT_EQ(Find<QLineEdit>("edtStationPhoneNumber")->text(), "123456");
    EXPECT_FALSE(Find<QPushButton>("btnModifyStation")->isEnabled());
    EXPECT_EQ(CurrentStation()->Name(), "东门");
    EXPECT_EQ(CurrentStation()->RtuAddress(1), 12);
    EXPECT_EQ(CurrentStation()->StreetLampMask(), 0x0004);
    TStoredStation stored;
    ASSERT_TRUE(LocalStore()->ReadStation(1, stored));
    EXPECT_EQ(stored.LoopsMask, 0x0004);
}

TEST_F(StationPanelTest, StoreRefusalsAreReportedAndLeaveTheListAsItWas) {
    StoreStation("东门", 0, 1);
    StoreStation("西门", 0, 2);
    StartWindow();
    Edit("东门", "9", "", 0);
    Click("btnAddStation");
    EXPECT_EQ(LastMessage(), "添加失败: 控制柜名称, 地址或SIM卡号已经存在.");
    EXPECT_EQ(Entries(), (QStringList{"东门", "西门"}));

    List()->setCurrentRow(1);
    Edit("西门", "1", "", 0);
    Click("btnModifyStation");
    EXPECT_EQ(LastMessage(), "更新失败: 名称, 地址或SIM卡号已被其他控制柜使用.");
    EXPECT_EQ(Entries(), (QStringList{"东门", "西门"}));
}

TEST_F(StationPanelTest, SaveRenamesTheEntryAndCleansTheEditor) {
    StoreStation("东门", 0, 1);
    StartWindow();
    auto* save = Find<QPushButton>("btnModifyStation");
    EXPECT_FALSE(save->isEnabled());
    Find<QLineEdit>("edtName")->setText("北门");
    EXPECT_TRUE(save->isEnabled());
    Click("btnModifyStation");
    EXPECT_EQ(Dialogs.Messages, std::vector<std::string>{});
    EXPECT_EQ(Entries(), QStringList{"北门"});
    EXPECT_FALSE(save->isEnabled());
    EXPECT_EQ(CurrentStation()->Name(), "北门");
}

TEST_F(StationPanelTest, DeleteSelectsTheSameRowOrTheLastOne) {
    StoreStation("a1", 0, 1);
    StoreStation("a2", 0, 2);
    StoreStation("a3", 0, 3);
    StartWindow();
    List()->setCurrentRow(1);
    Click("btnDeleteStation");
    EXPECT_EQ(Dialogs.Questions.back(), "确认删除该控制柜?");
    EXPECT_EQ(Entries(), (QStringList{"a1", "a3"}));
    EXPECT_EQ(List()->currentItem()->text(), "a3");

    Click("btnDeleteStation");
    EXPECT_EQ(Entries(), QStringList{"a1"});
    EXPECT_EQ(List()->currentItem()->text(), "a1");
    EXPECT_EQ(CurrentStation()->Name(), "a1");

    Dialogs.ConfirmAnswer = false;
    Click("btnDeleteStation");
    EXPECT_EQ(Entries(), QStringList{"a1"});
}

TEST_F(StationPanelTest, GuardInRemoteModeNeedsASavedValidStation) {
    StartWindow();
    EXPECT_FALSE(Window->CheckReadyToSend());
    EXPECT_EQ(LastMessage(), "请先添加一个控制柜.");

    StopWindow();
    StoreStation("东门", 0, 1);
    StartWindow();
    EXPECT_TRUE(Window->CheckReadyToSend());
    EXPECT_EQ(Dialogs.Messages, std::vector<std::string>{});

    // An unsaved edit that does not pass the checks: nothing goes out.
    Find<QLineEdit>("edtStationRtuAddress")->setText("300");
    EXPECT_FALSE(Window->CheckReadyToSend());
    EXPECT_EQ(LastMessage(), "RTU的地址码应在1到254之间.");
    TStoredStation stored;
    ASSERT_TRUE(LocalStore()->ReadStation(1, stored));
    EXPECT_EQ(stored.RtuAddress, 1);

    // A valid one is saved first.
    Find<QLineEdit>("edtStationRtuAddress")->setText("8");
    EXPECT_TRUE(Window->CheckReadyToSend());
    ASSERT_TRUE(LocalStore()->ReadStation(1, stored));
    EXPECT_EQ(stored.RtuAddress, 8);
}

TEST_F(StationPanelTest, GuardInDirectModeTakesTheTypedAddress) {
    bool portAsked = false;
    Prompts.PortSettings = [&](const TPortSettings& settings) {
        portAsked = true;
        EXPECT_EQ(settings.PortName, "COM1:");
        return std::optional<TPortSettings>();
    };
    StartWindow();
    Find<QComboBox>("cmbControlMode")->setCurrentIndex(0);
    auto* address = Find<QLineEdit>("edtRtuAddress");
    const struct {
        const char* typed;
        const char* message;
    } wrong[] = {{"0", "RTU的地址码应在1到254之间."},
                 {"255", "RTU的地址码应在1到254之间."},
                 {"abc", "\"abc\" 不是有效的整数."}};
    for (const auto& c : wrong) {
        address->setText(c.typed);
        EXPECT_FALSE(Window->CheckReadyToSend());
        EXPECT_EQ(LastMessage(), c.message) << c.typed;
        EXPECT_FALSE(portAsked);
    }
    address->setText(" 012 ");
    Dialogs.Messages.clear();
    // The port dialog is cancelled: the guard fails, but the address is taken.
    EXPECT_FALSE(Window->CheckReadyToSend());
    EXPECT_TRUE(portAsked);
    EXPECT_EQ(address->text(), "12");
    EXPECT_EQ(CurrentStation()->RtuAddress(1), 12);
    EXPECT_EQ(CurrentStation()->Name(), "Rtu(12)");
}

TEST_F(StationPanelTest, StationMarksShowSentAndAnswered) {
    const int east = StoreStation("东门", 0, 1);
    StoreStation("西门", 0, 2);
    StartWindow();
    PostMessage(WM_STATION_MARK, east, 0);
    ProcessPendingEvents();
    EXPECT_EQ(Entries(), (QStringList{"东门*", "西门"}));
    PostMessage(WM_STATION_MARK, east, 1);
    PostMessage(WM_STATION_MARK, 99, 1);
    ProcessPendingEvents();
    EXPECT_EQ(Entries(), (QStringList{"东门**", "西门"}));
}

TEST_F(StationPanelTest, ListIsInPinyinOrderAndForgetsTheRegisteredRoutes) {
    StoreStation("西门", 0, 1);
    StoreStation("东门", 0, 2);
    StoreStation("北门", 0, 3);
    TIDataTest(Dir.Path()).SetIpRoute(1, "10.0.0.1", 6000);
    StartWindow();
    EXPECT_EQ(Entries(), (QStringList{"北门", "东门", "西门"}));
    TStoredStation stored;
    ASSERT_TRUE(LocalStore()->ReadStation(1, stored));
    EXPECT_EQ(stored.IpAddress, "");
    EXPECT_EQ(stored.IpPort, 0);
}

}  // namespace
