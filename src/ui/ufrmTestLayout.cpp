// The main window's controls and their arrangement.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/AdminToolsNewPage.h"
#include "ui/LCUSetupPage.h"
#include "ui/LCUTestPage.h"
#include "ui/MessagePanel.h"
#include "ui/ReadDataPage.h"
#include "ui/RtuApplication.h"
#include "ui/RtuStatusPage.h"
#include "ui/SetFixedTimerPage.h"
#include "ui/SetTempTimerPage.h"
#include "ui/SettingNewPage.h"
#include "ui/ufrmTest.h"

namespace {

constexpr int kClockPanelWidth = 350;
constexpr int kPagesWidth = 720;
constexpr int kPagesHeight = 440;
constexpr int kMessagesWidth = 300;

template <class T>
T* Named(T* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

QLineEdit* Edit(QWidget* parent, const char* name) {
    return Named(new QLineEdit(parent), name);
}

QPushButton* Button(const QString& caption, QWidget* parent, const char* name) {
    return Named(new QPushButton(caption, parent), name);
}

// A field with its unit after it, as one row of a form.
QWidget* WithUnit(QWidget* field, const QString& unit) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(field);
    layout->addWidget(new QLabel(unit, row));
    return row;
}

void FillCombo(QComboBox* combo, const QStringList& texts, const QList<int>& values) {
    combo->clear();
    for (int k = 0; k < texts.size(); ++k) combo->addItem(texts[k], values[k]);
}

}  // namespace

void TfrmTest::BuildLayout() {
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* top = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(BuildPortGroup());
    left->addWidget(BuildRegionGroup());
    left->addStretch();
    top->addLayout(left);
    top->addWidget(BuildStationSelection(), 1);

    BuildPages();
    auto* middle = new QHBoxLayout;
    middle->addWidget(pcMain, 1);
    middle->addWidget(BuildMessageArea());

    auto* layout = new QVBoxLayout(central);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    BuildStatusBar();
    BuildTrayIcon();
    // A fixed-size window: the layout decides the size once, the user cannot change it.
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QGroupBox* TfrmTest::BuildPortGroup() {
    gbPortSettings = Named(new QGroupBox(this), "gbPortSettings");
    auto* layout = new QHBoxLayout(gbPortSettings);
    layout->addWidget(new QLabel("模式:", gbPortSettings));
    cmbControlMode = Named(new QComboBox(gbPortSettings), "cmbControlMode");
    layout->addWidget(cmbControlMode);
    btnOpenClose = Button("打开", gbPortSettings, "btnOpenClose");
    layout->addWidget(btnOpenClose);
    return gbPortSettings;
}

QGroupBox* TfrmTest::BuildRegionGroup() {
    gbLongLat = Named(new QGroupBox(" 区域设定: ", this), "gbLongLat");
    auto* layout = new QGridLayout(gbLongLat);
    lblLongLat = Named(new QLabel(gbLongLat), "lblLongLat");
    lblAdjustSunset = Named(new QLabel(gbLongLat), "lblAdjustSunset");
    lblTimeZone = Named(new QLabel(gbLongLat), "lblTimeZone");
    btnModifyLongitude = Button("更改", gbLongLat, "btnModifyLongitude");
    layout->addWidget(lblLongLat, 0, 0);
    layout->addWidget(lblAdjustSunset, 1, 0);
    layout->addWidget(lblTimeZone, 2, 0);
    layout->addWidget(btnModifyLongitude, 2, 1);
    return gbLongLat;
}

QWidget* TfrmTest::BuildStationSelection() {
    nbStationSelection = Named(new QStackedWidget(this), "nbStationSelection");
    BuildControlLampsPanel();

    pgStationSelection = Named(new QWidget, "pgStationSelection");
    auto* stationGroup = new QGroupBox(" 控制柜选择: ", pgStationSelection);
    auto* stationRow = new QHBoxLayout(stationGroup);
    lbStations = Named(new QListWidget(stationGroup), "lbStations");
    lbStations->setSelectionMode(QAbstractItemView::SingleSelection);
    stationRow->addWidget(lbStations);
    stationRow->addWidget(BuildStationEditor(), 1);
    (new QVBoxLayout(pgStationSelection))->addWidget(stationGroup);

    pgRtuSelection = Named(new QWidget, "pgRtuSelection");
    (new QVBoxLayout(pgRtuSelection))->addWidget(BuildRtuSelection());

    nbStationSelection->addWidget(pgStationSelection);
    nbStationSelection->addWidget(pgRtuSelection);
    return nbStationSelection;
}

QWidget* TfrmTest::BuildStationEditor() {
    pnlStationInfo = Named(new QWidget, "pnlStationInfo");
    edtName = Edit(pnlStationInfo, "edtName");
    edtStationRtuAddress = Edit(pnlStationInfo, "edtStationRtuAddress");
    lblStationPhoneNumber = Named(new QLabel(pnlStationInfo), "lblStationPhoneNumber");
    edtStationPhoneNumber = Edit(pnlStationInfo, "edtStationPhoneNumber");
    cmbCommDevice = Named(new QComboBox(pnlStationInfo), "cmbCommDevice");

    pnlGPRS = Named(new QWidget(pnlStationInfo), "pnlGPRS");
    edtIpAddress = Edit(pnlGPRS, "edtIpAddress");
    edtIpPort = Edit(pnlGPRS, "edtIpPort");
    edtIpAddress->setEnabled(false);
    edtIpPort->setEnabled(false);
    auto* gprs = new QHBoxLayout(pnlGPRS);
    gprs->setContentsMargins(0, 0, 0, 0);
    gprs->addWidget(new QLabel("Ip地址:", pnlGPRS));
    gprs->addWidget(edtIpAddress, 2);
    gprs->addWidget(new QLabel("端口号码:", pnlGPRS));
    gprs->addWidget(edtIpPort, 1);

    auto* fields = new QFormLayout;
    fields->addRow("名  称:", edtName);
    fields->addRow("地址码:", WithUnit(edtStationRtuAddress, "(10进制)"));
    fields->addRow(lblStationPhoneNumber, edtStationPhoneNumber);
    fields->addRow("通讯设备:", cmbCommDevice);
    fields->addRow(pnlGPRS);

    btnAddStation = Button("新增(&A)", pnlStationInfo, "btnAddStation");
    btnModifyStation = Button("保存(&S)", pnlStationInfo, "btnModifyStation");
    btnDeleteStation = Button("删除(&D)", pnlStationInfo, "btnDeleteStation");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnAddStation);
    buttons->addWidget(btnModifyStation);
    buttons->addWidget(btnDeleteStation);

    auto* layout = new QVBoxLayout(pnlStationInfo);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(fields);
    StationLampsPlace_ = new QVBoxLayout;
    layout->addLayout(StationLampsPlace_);
    layout->addLayout(buttons);
    return pnlStationInfo;
}

QWidget* TfrmTest::BuildRtuSelection() {
    gbRtuInfo = Named(new QGroupBox(" 控制器信息: "), "gbRtuInfo");
    edtRtuAddress = Edit(gbRtuInfo, "edtRtuAddress");
    btnReceiveRtuAddress = Button("读取", gbRtuInfo, "btnReceiveRtuAddress");
    btnSendRtuAddress = Button("写入", gbRtuInfo, "btnSendRtuAddress");
    cmbCommFormat = Named(new QComboBox(gbRtuInfo), "cmbCommFormat");
    auto* address = new QHBoxLayout;
    address->addWidget(new QLabel("地址码:", gbRtuInfo));
    address->addWidget(edtRtuAddress);
    address->addWidget(new QLabel("(10进制)", gbRtuInfo));
    address->addWidget(btnReceiveRtuAddress);
    address->addWidget(btnSendRtuAddress);
    address->addStretch();
    auto* format = new QHBoxLayout;
    format->addWidget(new QLabel("指令格式:", gbRtuInfo));
    format->addWidget(cmbCommFormat);
    format->addStretch();
    auto* layout = new QVBoxLayout(gbRtuInfo);
    layout->addLayout(address);
    layout->addLayout(format);
    RtuLampsPlace_ = new QVBoxLayout;
    layout->addLayout(RtuLampsPlace_);
    layout->addStretch();
    return gbRtuInfo;
}

QWidget* TfrmTest::BuildControlLampsPanel() {
    pnlcbControlLamps = Named(new QWidget, "pnlcbControlLamps");
    auto* layout = new QGridLayout(pnlcbControlLamps);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel("单灯回路:", pnlcbControlLamps), 0, 0, 2, 1);
    for (int loop = 1; loop <= 16; ++loop) {
        auto* box = new QCheckBox(QString::number(loop), pnlcbControlLamps);
        box->setObjectName(QString("cbControlLamps%1").arg(loop));
        cbControlLamps[loop - 1] = box;
        layout->addWidget(box, (loop - 1) / 8, 1 + (loop - 1) % 8);
    }
    return pnlcbControlLamps;
}

QWidget* TfrmTest::BuildMessageArea() {
    auto* area = new QWidget(this);
    area->setFixedWidth(kMessagesWidth);
    btnClearMessages = Button("清空(&C)", area, "btnClearMessages");
    memMessages = new TMessagePanel(area);
    auto* title = new QHBoxLayout;
    title->addWidget(new QLabel("  数据监视窗:", area));
    title->addStretch();
    title->addWidget(btnClearMessages);
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(title);
    layout->addWidget(memMessages, 1);
    return area;
}

void TfrmTest::BuildPages() {
    pcMain = Named(new QTabWidget(this), "pcMain");
    pcMain->setMinimumSize(kPagesWidth, kPagesHeight);
    auto* status = new TRtuStatusPage;
    connect(status, &TRtuStatusPage::ResetRequested, this,
            [this] { RunGuarded([this] { ResetDataArea(); }); });
    Pages_ = {new TSetFixedTimerPage, new TSetTempTimerPage, new TSettingNewPage,
              new TAdminToolsNewPage, status,                 new TReadDataPage,
              new TLCUSetupPage,      new TLCUTestPage};
    for (TRtuPage* page : Pages_) pcMain->addTab(page, page->Caption());
}

void TfrmTest::BuildStatusBar() {
    sbMain = Named(new QStatusBar(this), "sbMain");
    setStatusBar(sbMain);
    sbMain->setSizeGripEnabled(false);
    ClockPanel_ = Named(new QLabel(sbMain), "sbMainPanel0");
    ClockPanel_->setAlignment(Qt::AlignCenter);
    ClockPanel_->setFixedWidth(kClockPanelWidth);
    ContactPanel_ = Named(new QLabel(sbMain), "sbMainPanel1");
    ContactPanel_->setAlignment(Qt::AlignCenter);
    sbMain->addWidget(ClockPanel_);
    sbMain->addWidget(ContactPanel_, 1);
}

void TfrmTest::BuildTrayIcon() {
    ctiMain = Named(new QSystemTrayIcon(this), "ctiMain");
    ctiMain->setIcon(style()->standardIcon(QStyle::SP_ComputerIcon));
    ctiMain->setToolTip(QString::fromUtf8(kApplicationTitle));
    connect(ctiMain, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason != QSystemTrayIcon::DoubleClick) return;
                showNormal();
                raise();
                activateWindow();
                ctiMain->hide();
            });
}

void TfrmTest::FillComboBoxes() {
    FillCombo(cmbControlMode, {"直接电缆", "远程遥控"}, {0, 1});
    const QStringList devices{"数传电台", "短信息", "GPRS网络"};
    FillCombo(cmbCommDevice, devices, {0, 1, 2});
    FillCombo(cmbCommFormat, {"数传电台", "短信息"}, {0, 1});
    // The lists of the pages, for the pages that hold them.
    if (auto* combo = findChild<QComboBox*>("cmbRtuCommDevice")) {
        FillCombo(combo, devices, {0, 1, 2});
        combo->setCurrentIndex(0);
    }
    if (auto* combo = findChild<QComboBox*>("cmbPerformMode"))
        FillCombo(combo, {"总是执行普通方案", "周末->普通", "节日->普通", "节日->周末->普通"},
                  {0, 1, 2, 3});
    if (auto* combo = findChild<QComboBox*>("cmbStatusListFlagNew"))
        FillCombo(combo, {"禁止自动保存数据", "10 分钟", "30 分钟", "60 分钟", "120 分钟", "240 分钟"},
                  {0, 1, 2, 3, 4, 5});
    if (auto* combo = findChild<QComboBox*>("cmbAutoReportWarningsType"))
        FillCombo(combo, {"每10分钟1次", "每小时1次", "每天1次", "每周1次"}, {1, 2, 3, 4});
    if (auto* combo = findChild<QComboBox*>("cmbWattMetersInUse"))
        FillCombo(combo, {"0", "1", "2", "3", "4", "5", "6", "7", "8"}, {0, 1, 2, 3, 4, 5, 6, 7, 8});
    if (auto* tabs = findChild<QTabWidget*>("tcThemes")) {
        const QStringList themes{"普通方案", "周末方案", "节日方案", "临时方案"};
        for (int k = 0; k < tabs->count() && k < themes.size(); ++k) tabs->setTabText(k, themes[k]);
    }
    cmbCommDevice->setCurrentIndex(0);
    cmbCommFormat->setCurrentIndex(0);
    lblStationPhoneNumber->setText("设备ID  :");
}
