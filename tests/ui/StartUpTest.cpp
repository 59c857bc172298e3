// Start-up, shut-down and what the window remembers between runs.

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>

#include "WindowFixture.h"
#include "app/Settings.h"
#include "comm/ModeTiming.h"
#include "comm/UdpServer.h"
#include "comm/WindowMessages.h"
#include "platform/MainThread.h"
#include "protocol/CurrentData.h"
#include "protocol/Rtu6Parameters.h"

namespace {

using StartUpTest = WindowFixture;

TEST_F(StartUpTest, OpensInRemoteModeWithTheUdpServerWhateverTheSettingsSaid) {
    WriteSettings("ServerPort=0\r\nControlMode=0\r\n");
    StartWindow();
    EXPECT_EQ(Window->ControlMode(), TfrmTest::kControlRemote);
    EXPECT_EQ(Find<QComboBox>("cmbControlMode")->currentText(), "远程遥控");
    EXPECT_EQ(Find<QStackedWidget>("nbStationSelection")->currentWidget()->objectName(),
              "pgStationSelection");
    EXPECT_TRUE(Window->PortOpen());
    EXPECT_TRUE(UdpServerActive());
    EXPECT_NE(UdpServerPort(), 0);
    EXPECT_EQ(ReplyTimeout.load(), kRemoteReplyTimeout);
    EXPECT_EQ(Find<QPushButton>("btnOpenClose")->text(), "关闭");
    EXPECT_EQ(Find<QGroupBox>("gbPortSettings")->title(), " 端口(0): ");
    EXPECT_EQ(Window->windowTitle(), "澄岚智能化可编程路灯控制器实用工具 14.04.01");
}

TEST_F(StartUpTest, ShowsTheStoredControllerAddressOnlyWhenItIsOne) {
    const struct {
        const char* stored;
        const char* shown;
    } cases[] = {{"10", "10"}, {"255", "0"}};
    for (const auto& c : cases) {
        WriteSettings(std::string("ServerPort=0\r\nRtuAddress=") + c.stored + "\r\n");
        StartWindow();
        EXPECT_EQ(Find<QLineEdit>("edtRtuAddress")->text(), c.shown) << c.stored;
        StopWindow();
    }
}

TEST_F(StartUpTest, CloseQuestionKeepsTheWindowOnNoAndStopsTheLinksOnYes) {
    StartWindow();
    Dialogs.ConfirmAnswer = false;
    EXPECT_FALSE(Window->close());
    EXPECT_TRUE(UdpServerActive());
    EXPECT_EQ(Dialogs.Questions.back(), "确认要退出系统吗?");
    Dialogs.ConfirmAnswer = true;
    EXPECT_TRUE(Window->close());
    EXPECT_FALSE(UdpServerActive());
}

TEST_F(StartUpTest, ControlValuesAndWindowPositionComeBackAfterARestart) {
    StartWindow();
    Find<QComboBox>("cmbCommFormat")->setCurrentIndex(1);
    Window->move(40, 30);
    Find<QComboBox>("cmbCommDevice")->setCurrentIndex(2);
    StopWindow();

    const std::string settings = Dir.Read("rtu-utility.Ini");
    EXPECT_NE(settings.find("[PropertyOfTfrmTest_0]"), std::string::npos);
    EXPECT_NE(settings.find("LastCommDevice=2"), std::string::npos);

    StartWindow();
    EXPECT_EQ(Find<QComboBox>("cmbCommFormat")->currentIndex(), 1);
    EXPECT_EQ(Window->pos(), QPoint(40, 30));
}

TEST_F(StartUpTest, APositionOffTheScreenPutsTheWindowInTheCorner) {
    Dir.Write("rtu-utility.Ini",
              "[System]\r\nServerPort=0\r\n[PropertyOfTfrmTest_0]\r\nFormLeft=-5\r\nFormTop=20\r\n");
    StartWindow();
    EXPECT_EQ(Window->pos(), QPoint(0, 0));
}

TEST_F(StartUpTest, SwitchingToDirectCableClosesTheLinkAndShowsTheControllerGroup) {
    StartWindow();
    Find<QComboBox>("cmbControlMode")->setCurrentIndex(0);
    EXPECT_FALSE(Window->PortOpen());
    EXPECT_FALSE(UdpServerActive());
    EXPECT_EQ(Find<QStackedWidget>("nbStationSelection")->currentWidget()->objectName(),
              "pgRtuSelection");
    EXPECT_EQ(Find<QGroupBox>("gbPortSettings")->title(), " 端口(尚未打开): ");
    EXPECT_EQ(Find<QPushButton>("btnOpenClose")->text(), "打开");
    EXPECT_EQ(ReplyTimeout.load(), kDirectReplyTimeout);
    EXPECT_EQ(SendGap.load(), kDirectSendGap);
    // The street-lamp loop boxes went with it.
    EXPECT_TRUE(Find<QWidget>("pgRtuSelection")->isAncestorOf(Find<QWidget>("pnlcbControlLamps")));
}

TEST_F(StartUpTest, PortButtonInRemoteModeAsksForThePort) {
    StartWindow();
    auto* button = Find<QPushButton>("btnOpenClose");
    button->click();  // closes
    EXPECT_FALSE(UdpServerActive());

    Dialogs.InputAnswer = "12x";
    button->click();
    EXPECT_EQ(Dialogs.Questions.back(), "请输入监听端口号(1024-65535):");
    EXPECT_EQ(LastMessage(), "输入错误.");
    EXPECT_FALSE(Window->PortOpen());

    Dialogs.InputAnswer = "0";
    button->click();
    EXPECT_TRUE(Window->PortOpen());
    EXPECT_TRUE(UdpServerActive());
}

TEST_F(StartUpTest, ControllerAddressReadBackIsShown) {
    StartWindow();
    CurrentParameters().RtuAddress = 42;
    PostMessage(WM_DATA_ITEM, 160, 0);
    ProcessPendingEvents();
    EXPECT_EQ(Find<QLineEdit>("edtRtuAddress")->text(), "42");
    ClearCurrentData();
}

TEST_F(StartUpTest, TheEightPagesAreThereInOrder) {
    StartWindow();
    const char* const names[] = {"tsSetFixedTimer", "tsSetTempTimer", "tsSettingNew",
                                 "tsAdminToolsNew", "tsRtuStatus",    "tsReadData",
                                 "tsLCUSetup",      "tsLCUTest"};
    const char* const captions[] = {"定开设置",   "临开设置",   "运行参数", "控制器设置",
                                    "控制器状态", "回路状态", "单灯设置", "单灯控制"};
    auto* pages = Find<QTabWidget>("pcMain");
    ASSERT_EQ(pages->count(), 8);
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(pages->widget(k)->objectName(), names[k]);
        EXPECT_EQ(pages->tabText(k), captions[k]);
    }
    EXPECT_EQ(pages->currentIndex(), 0);
}

}  // namespace
