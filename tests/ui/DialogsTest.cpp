// The region, place, port, prompt and yes/no dialogs.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "app/SystemInit.h"
#include "support/RecordingDialogs.h"
#include "support/TempDir.h"
#include "app/Paths.h"
#include "ui/udlgSure.h"
#include "ui/ufrmChooseLongLat.h"
#include "ui/ufrmGetString.h"
#include "ui/ufrmInputLongitude.h"
#include "ui/ufrmPortSetting.h"

namespace {

template <class T>
T* Child(QWidget& form, const char* name) {
    T* widget = form.findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

void ClickOk(QWidget& form) {
    Child<QPushButton>(form, "btnOk")->click();
}

const TRegion kKunming{102.7, 25.04, 8, 0, 0};

class RegionDialogTest : public testing::Test {
protected:
    // Fills the fields and presses OK; the message shown, empty when the dialog accepted.
    std::string Submit(const char* longitude, const char* latitude, const char* zone = "GMT+08:00",
                       const char* sunset = "0", const char* sunrise = "0") {
        Dialogs.Messages.clear();
        Dialogs.Questions.clear();
        TfrmInputLongitude form(kKunming);
        Child<QLineEdit>(form, "edtLongitude")->setText(longitude);
        Child<QLineEdit>(form, "edtLatitude")->setText(latitude);
        auto* zones = Child<QComboBox>(form, "cmbTimeZone");
        zones->setCurrentIndex(zones->findText(zone));
        Child<QLineEdit>(form, "edtAdjustSunSet")->setText(sunset);
        Child<QLineEdit>(form, "edtAdjustSunrise")->setText(sunrise);
        ClickOk(form);
        if (form.result() == QDialog::Accepted) Accepted = form.Region();
        return Dialogs.Messages.empty() ? std::string() : Dialogs.Messages.back();
    }
    RecordingDialogs Dialogs;
    TRegion Accepted;
};

TEST_F(RegionDialogTest, ChecksPlaceAndCorrectionsAtTheirBounds) {
    const struct {
        const char *longitude, *latitude, *sunset, *sunrise, *message;
    } cases[] = {
        {"180", "30", "0", "0", ""},
        {"180.01", "30", "0", "0", "经度数值应在-180至180之间."},
        {"-180.5", "30", "0", "0", "经度数值应在-180至180之间."},
        {"东经", "30", "0", "0", "经度数值应在-180至180之间."},
        {"100", "60", "0", "0", ""},
        {"100", "-0.5", "0", "0", "纬度数值应当在0至60之间."},
        {"100", "60.1", "0", "0", "纬度数值应当在0至60之间."},
        {"100", "30", "-127", "127", ""},
        {"100", "30", "128", "0", "日落时刻的校正值应当在-127至127之间."},
        {"100", "30", "0", "-128", "日出时刻的校正值应当在-127至127之间."},
        {"100", "30", "0", "1.5", "日出时刻的校正值应当在-127至127之间."},
    };
    Dialogs.ConfirmAnswer = true;
    for (const auto& c : cases) {
        EXPECT_EQ(Submit(c.longitude, c.latitude, "GMT+08:00", c.sunset, c.sunrise), c.message)
            << c.longitude << " " << c.latitude << " " << c.sunset << " " << c.sunrise;
    }
}

TEST_F(RegionDialogTest, AZoneFarFromThePlaceIsQuestioned) {
    Dialogs.ConfirmAnswer = false;
    EXPECT_EQ(Submit("102.7", "25.04"), "");
    EXPECT_TRUE(Dialogs.Questions.empty());
    EXPECT_EQ(Accepted, (TRegion{102.7, 25.04, 8, 0, 0}));

    Accepted = {};
    EXPECT_EQ(Submit("0", "25.04"), "");
    EXPECT_EQ(Dialogs.Questions, std::vector<std::string>{"您选择的时区与您所在的位置距离较远, 您确认吗?"});
    EXPECT_EQ(Accepted, TRegion{});  // "否" keeps the dialog open

    Dialogs.ConfirmAnswer = true;
    EXPECT_EQ(Submit("0", "25.04", "GMT+08:00", "5", "-3"), "");
    EXPECT_EQ(Accepted, (TRegion{0, 25.04, 8, 5, -3}));
}

TEST_F(RegionDialogTest, ZoneListHasFiftyThreeHalfHourSteps) {
    TfrmInputLongitude form(kKunming);
    auto* zones = Child<QComboBox>(form, "cmbTimeZone");
    ASSERT_EQ(zones->count(), 53);
    EXPECT_EQ(zones->itemText(0), "GMT-12:00");
    EXPECT_EQ(zones->itemText(1), "GMT-11:30");
    EXPECT_EQ(zones->itemText(24), "GMT+00:00");
    EXPECT_EQ(zones->itemText(52), "GMT+14:00");
    EXPECT_EQ(zones->currentText(), "GMT+08:00");
    EXPECT_EQ(Child<QLabel>(form, "lblLongitude")->text(), "经度(-180 -- 180):");
    EXPECT_EQ(Child<QLabel>(form, "lblLatitude")->text(), "纬度(0 -- 60):");
    EXPECT_EQ(Child<QLineEdit>(form, "edtLongitude")->text(), "102.70");
}

TEST_F(RegionDialogTest, AZoneOffTheListOpensWithNoneAndOkAsksForOne) {
    TfrmInputLongitude form(TRegion{102.7, 25.04, 8.25, 0, 0});
    EXPECT_EQ(Child<QComboBox>(form, "cmbTimeZone")->currentIndex(), -1);
    ClickOk(form);
    EXPECT_EQ(Dialogs.Messages, std::vector<std::string>{"请选择你所在的时区."});
    EXPECT_NE(form.result(), QDialog::Accepted);
}

TEST_F(RegionDialogTest, BrowseTakesThePlaceWithChinaTime) {
    TfrmInputLongitude form(TRegion{10, 50, -3, 7, 9});
    form.SetPlaceChooser([] { return std::optional<std::pair<double, double>>({116.418757, 39.9}); });
    Child<QPushButton>(form, "btnBrowse")->click();
    EXPECT_EQ(Child<QLineEdit>(form, "edtLongitude")->text(), "116.42");
    EXPECT_EQ(Child<QLineEdit>(form, "edtLatitude")->text(), "39.90");
    EXPECT_EQ(Child<QComboBox>(form, "cmbTimeZone")->currentText(), "GMT+08:00");
    EXPECT_EQ(Child<QLineEdit>(form, "edtAdjustSunSet")->text(), "0");
    EXPECT_EQ(Child<QLineEdit>(form, "edtAdjustSunrise")->text(), "9");
}

class PlaceDialogTest : public testing::Test {
protected:
    PlaceDialogTest() : Folder(Dir.Path()) {
        Dir.Write("LongLat.Ini",
                  "[Items]\r\n1=1,Yunnan,Kunming,102.70,25.04\r\n2=2,Yunnan,Dali,100.23,25.59\r\n"
                  "3=3,Beijing,Beijing,116.42,39.92\r\n4=4,,,x,y\r\n");
        InitSystem();
    }
    ~PlaceDialogTest() override { DoneSystem(); }

    TempDir Dir;
    TScopedProgramFolder Folder;
    RecordingDialogs Dialogs;
};

TEST_F(PlaceDialogTest, TreeGroupsPlacesUnderTheirRegions) {
    TfrmChooseLongLat form;
    ASSERT_TRUE(form.LoadPlaces());
    auto* tree = Child<QTreeWidget>(form, "tvLongLat");
    ASSERT_EQ(tree->topLevelItemCount(), 3);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "Yunnan");
    ASSERT_EQ(tree->topLevelItem(0)->childCount(), 2);
    EXPECT_EQ(tree->topLevelItem(0)->child(1)->text(0), "Dali 100.23 25.59");
    EXPECT_EQ(tree->topLevelItem(2)->child(0)->text(0), " 0.00 0.00");
}

TEST_F(PlaceDialogTest, OkWantsAPlaceAndReturnsItsValues) {
    TfrmChooseLongLat form;
    ASSERT_TRUE(form.LoadPlaces());
    auto* tree = Child<QTreeWidget>(form, "tvLongLat");
    ClickOk(form);
    EXPECT_TRUE(Dialogs.Messages.empty());
    tree->setCurrentItem(tree->topLevelItem(0));
    ClickOk(form);
    EXPECT_EQ(Dialogs.Messages, std::vector<std::string>{"请选择一个子节点."});
    tree->setCurrentItem(tree->topLevelItem(0)->child(0));
    ClickOk(form);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.Place(), std::make_pair(102.70, 25.04));
}

TEST_F(PlaceDialogTest, ShippedPlaceListReadsAsOneRegionPerProvince) {
    WriteWholeFile(Dir.File("LongLat.Ini"), ReadWholeFile(RTU_SHIPPED_PLACES));
    TfrmChooseLongLat form;
    ASSERT_TRUE(form.LoadPlaces());
    auto* tree = Child<QTreeWidget>(form, "tvLongLat");
    EXPECT_EQ(tree->topLevelItemCount(), 34);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "北京市");
    int places = 0;
    for (int k = 0; k < tree->topLevelItemCount(); ++k) places += tree->topLevelItem(k)->childCount();
    EXPECT_GT(places, 330);
}

class PortDialogTest : public testing::Test {
protected:
    RecordingDialogs Dialogs;
};

TEST_F(PortDialogTest, ListsCarryTheirValuesAndAnUnknownRateSelectsTheFirst) {
    TfrmPortSetting form(TPortSettings{"/dev/ttyUSB0", 56000, 7, 1, 2});
    auto* rates = Child<QComboBox>(form, "cmbBaudRate");
    ASSERT_EQ(rates->count(), 14);
    EXPECT_EQ(rates->currentText(), "56k");
    EXPECT_EQ(Child<QComboBox>(form, "cmbStopBits")->currentText(), "1.5");
    EXPECT_EQ(Child<QComboBox>(form, "cmbParity")->currentText(), "EVEN");
    EXPECT_EQ(form.Settings(), (TPortSettings{"/dev/ttyUSB0", 56000, 7, 1, 2}));

    rates->setCurrentIndex(rates->findText("256k"));
    Child<QComboBox>(form, "cmbParity")->setCurrentIndex(4);
    EXPECT_EQ(form.Settings().BaudRate, 256000);
    EXPECT_EQ(form.Settings().Parity, 4);

    TfrmPortSetting unknown(TPortSettings{"COM1:", 1234, 9, 7, 9});
    EXPECT_EQ(Child<QComboBox>(unknown, "cmbBaudRate")->currentText(), "300");
    EXPECT_EQ(Child<QComboBox>(unknown, "cmbByteSize")->currentText(), "5");
    EXPECT_EQ(Child<QComboBox>(unknown, "cmbStopBits")->currentText(), "1");
    EXPECT_EQ(Child<QComboBox>(unknown, "cmbParity")->currentText(), "NO");
}

TEST_F(PortDialogTest, OkWantsAPortName) {
    TfrmPortSetting form(TPortSettings{"", 9600, 8, 0, 0});
    ClickOk(form);
    EXPECT_EQ(Dialogs.Messages, std::vector<std::string>{"请输入端口名称."});
    EXPECT_NE(form.result(), QDialog::Accepted);
    Child<QComboBox>(form, "cmbPortName")->setEditText("COM3:");
    ClickOk(form);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.Settings().PortName, "COM3:");
}

TEST(GetStringTest, EmptyEntryIsRefusedUnlessAllowed) {
    RecordingDialogs dialogs;
    TfrmGetString strict({"清除数据区", "需要输入口令", "", '*', false});
    EXPECT_EQ(Child<QLineEdit>(strict, "edtInput")->echoMode(), QLineEdit::Password);
    ClickOk(strict);
    EXPECT_EQ(dialogs.Messages, std::vector<std::string>{"不允许输入空值, 请再试一次."});
    EXPECT_NE(strict.result(), QDialog::Accepted);

    TfrmGetString lenient({"标题", "提示", "", 0, true});
    ClickOk(lenient);
    EXPECT_EQ(lenient.result(), QDialog::Accepted);
    EXPECT_EQ(lenient.Text(), "");
}

TEST(SureDialogTest, FirstButtonAnswersYesAndTheBoxFitsItsMessage) {
    const QString message = "此操作将初始化RTU参数(包括地址码), 确认吗? 这是一条相当长的消息, 用来撑宽对话框";
    TdlgSure box(message, "是", "否", "请确认");
    auto* label = Child<QLabel>(box, "lblMessage");
    auto* ok = Child<QPushButton>(box, "btnOk");
    auto* cancel = Child<QPushButton>(box, "btnCancel");
    EXPECT_EQ(box.height(), label->height() + 100);
    EXPECT_GE(box.width(), label->width() + 64);
    EXPECT_EQ(label->y(), 18);
    EXPECT_EQ(ok->y(), box.height() - 38);
    EXPECT_EQ(ok->x(), box.width() / 2 - 80);
    EXPECT_EQ(cancel->x(), box.width() / 2 + 5);
    EXPECT_EQ(ok->text(), "是");

    QTimer::singleShot(0, ok, &QPushButton::click);
    EXPECT_TRUE(box.exec() == QDialog::Accepted);
    QTimer::singleShot(0, cancel, &QPushButton::click);
    EXPECT_FALSE(box.exec() == QDialog::Accepted);
}

}  // namespace
