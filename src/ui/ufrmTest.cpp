#include "ui/ufrmTest.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <exception>

#include "app/Logs.h"
#include "app/Settings.h"
#include "app/SystemInit.h"
#include "app/UserDialogs.h"
#include "comm/Links.h"
#include "comm/ModeTiming.h"
#include "comm/UdpServer.h"
#include "comm/WindowMessages.h"
#include "comm/uthrdSender.h"
#include "platform/Clock.h"
#include "protocol/CurrentData.h"
#include "protocol/Rtu6Class.h"
#include "protocol/Rtu6Parameters.h"
#include "schedules/NightAxis.h"
#include "schedules/Rtu6Action.h"
#include "schedules/SunTimes.h"
#include "stations/Station6Class.h"
#include "ui/FormProperties.h"
#include "ui/MessagePanel.h"
#include "ui/QtMainThread.h"
#include "ui/RtuApplication.h"
#include "ui/RtuPage.h"
#include "ui/UiText.h"
#include "ui/ufrmTest.h"

namespace {

constexpr int kClockMs = 1000;
constexpr int kLowestRtuAddress = 1, kHighestRtuAddress = 254;
constexpr int kItemSwitchParameters = 118;  // "开关灯参数表"
constexpr int kItemRtuParameters = 119;     // "RTU参数表"
constexpr int kItemRtuAddress = 160;
constexpr const char* kFormClass = "TfrmTest";
constexpr const char* kContactLine = "技术支持: 请与您的设备供应商联系";
constexpr const char* kResetPassword = "QWVZ";
constexpr const char* kWeekdays[] = {"一", "二", "三", "四", "五", "六", "日"};

// The items the composite replies hold, in the order their pages show them.
const std::vector<int> kSwitchParameterItems = {65, 66, 82, 168, 169, 180, 56, 57, 81, 67};
const std::vector<int> kRtuParameterItems = {166, 167, 171, 182, 164, 161, 162, 97, 98, 183, 184};

// The buttons that act on every station at once; this program talks to one at a time.
const char* const kAllStationsButtons[] = {
    "btnSendOptionsToAllNew", "btnSendWattMeterCommandToAllNew", "btnSendParametersToAllNew",
    "btnSendWarningParametersToAll", "btnReceiveWattHourOfAll"};

QString RtuAddressText(int address) {
    const bool valid = address >= kLowestRtuAddress && address <= kHighestRtuAddress;
    return QString::number(valid ? address : 0);
}

}  // namespace

TfrmTest::TfrmTest(QWidget* parent) : QMainWindow(parent) {
    setObjectName("frmTest");
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    Prompts_.PortSettings = [this](const TPortSettings& s) {
        return TfrmPortSetting::Execute(s, this);
    };
    Prompts_.Region = [this](const TRegion& r) { return TfrmInputLongitude::Execute(r, this); };
    Prompts_.GetString = [this](const TGetStringRequest& r) {
        return TfrmGetString::Execute(r, this);
    };

    QApplication::setApplicationDisplayName(QString::fromUtf8(kApplicationTitle));
    BuildLayout();
    tmrMain = new QTimer(this);
    tmrMain->setObjectName("tmrMain");
    tmrMain->setInterval(kClockMs);
    connect(tmrMain, &QTimer::timeout, this, [this] { RunGuarded([this] { UpdateClock(); }); });
    tmrMain->start();
    if (auto* label = findChild<QLabel*>("lblTempOnLampsMode"))
        label->setText(Q(LampsModeNames[TempOnLampMode_]));
    FillComboBoxes();
    memMessages->clear();
    SelectedLoop_.reset();
    ConnectHandlers();

    SetCommView(this);
    SetUnexpectedErrorReport([this](const std::string& message) {
        AddMessage(Q(message), Qt::red);
    });
    if (auto* bridge = dynamic_cast<TQtMainThreadBridge*>(&MainThread()))
        bridge->SetMessageTarget(this);
}

TfrmTest::~TfrmTest() {
    if (auto* bridge = dynamic_cast<TQtMainThreadBridge*>(&MainThread()))
        bridge->SetMessageTarget(nullptr);
    SetUnexpectedErrorReport(nullptr);
    SetCommView(nullptr);
    SaveOnDestroy();
}

void TfrmTest::ConnectHandlers() {
    connect(cmbControlMode, &QComboBox::currentIndexChanged, this,
            [this] { RunGuarded([this] { OnControlModeChanged(); }); });
    connect(cmbCommFormat, &QComboBox::currentIndexChanged, this,
            [this] { RunGuarded([this] { OnCommFormatChanged(); }); });
    connect(btnOpenClose, &QPushButton::clicked, this,
            [this] { RunGuarded([this] { OnOpenClose(); }); });
    connect(btnModifyLongitude, &QPushButton::clicked, this,
            [this] { RunGuarded([this] { OnModifyRegion(); }); });
    connect(btnReceiveRtuAddress, &QPushButton::clicked, this,
            [this] { RunGuarded([this] { OnReceiveRtuAddress(); }); });
    connect(btnClearMessages, &QPushButton::clicked, memMessages, &TMessagePanel::ClearMessages);
    ConnectStationHandlers();
}

// --- Life ------------------------------------------------------------------------------

void TfrmTest::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!FirstShow_) return;
    FirstShow_ = false;
    try {
        FirstShow();
    } catch (const std::exception& e) {
        FailStart(e.what());
    }
}

void TfrmTest::FirstShow() {
    setWindowTitle(QString::fromUtf8(kApplicationTitle));
    ContactPanel_->setText(QString::fromUtf8(kContactLine));
    for (TRtuPage* page : Pages_) page->ResetForFirstShow();
    pcMain->setCurrentIndex(0);
    PortOpen_ = false;
    UpdatePortControls(false);
    cmbCommDevice->setCurrentIndex(0);
    memMessages->clear();
    // The controller's address is written by no button of this program.
    btnSendRtuAddress->setEnabled(false);
    if (auto* button = findChild<QPushButton*>("btnReceiveThemesCRC")) button->setEnabled(false);
    TFormProperties(kFormClass).RestorePosition(*this);
    PostMessage(WM_START_UP, 0, 0);
}

void TfrmTest::StartUp() {
    InitSystem();
    Started_ = true;
    ShowRegion();
    UpdateClock();
    TFormProperties(kFormClass).LoadControlValues(*this, RememberedControls());
    edtRtuAddress->setText(RtuAddressText(Settings().RtuAddress));
    Settings().ControlMode = kControlRemote;
    {
        const QSignalBlocker blocker(cmbControlMode);
        const int index = cmbControlMode->findData(kControlRemote);
        cmbControlMode->setCurrentIndex(index >= 0 ? index : 0);
    }
    OnControlModeChanged();
    ReloadStationList();
    if (ControlMode() == kControlRemote) {
        PortOpen_ = StartLink();
        UpdatePortControls(PortOpen_);
    }
    CopyLampBoxesToStation();
    RefreshLampModeLists();
    memMessages->clear();
}

void TfrmTest::FailStart(const std::string& message) {
    Dialogs().ShowMessage(message);
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

bool TfrmTest::event(QEvent* event) {
    if (auto* message = dynamic_cast<TWindowMessageEvent*>(event)) {
        const int msg = message->Message();
        if (msg == WM_START_UP) {
            try {
                StartUp();
            } catch (const std::exception& e) {
                FailStart(e.what());
            }
        } else {
            RunGuarded([&] { HandleMessage(msg, message->WParam, message->LParam); });
        }
        return true;
    }
    return QMainWindow::event(event);
}

void TfrmTest::HandleMessage(int msg, std::intptr_t wParam, std::intptr_t lParam) {
    if (msg == WM_DATA_ITEM) {
        ShowDataItem(static_cast<int>(wParam));
    } else if (msg == WM_STATION_MARK) {
        MarkStation(static_cast<int>(wParam), lParam == 1);
    }
}

void TfrmTest::ShowDataItem(int item) {
    switch (item) {
        case kItemSwitchParameters:
            PostDataItems(kSwitchParameterItems);
            return;
        case kItemRtuParameters:
            PostDataItems(kRtuParameterItems);
            return;
        case kItemRtuAddress:
            edtRtuAddress->setText(QString::number(CurrentParameters().RtuAddress));
            return;
        default:
            for (TRtuPage* page : Pages_) page->ShowDataItem(item);
    }
}

void TfrmTest::PostDataItems(const std::vector<int>& items) {
    for (int item : items) PostMessage(WM_DATA_ITEM, item, 0);
}

void TfrmTest::UpdateClock() {
    const TDateTime now = Now();
    const TSunTimes sun = TodaySunTimes();
    ClockPanel_->setText(Q(DateTimeToText(now) + " (星期" + kWeekdays[IsoDayOfWeek(now) - 1] +
                           ")  日落: " + FormatDateTime("hh:nn", sun.Sunset) +
                           " 日出: " + FormatDateTime("hh:nn", sun.Sunrise)));
}

void TfrmTest::closeEvent(QCloseEvent* event) {
    if (!Confirm("确认要退出系统吗?")) {
        event->ignore();
        return;
    }
    StopLinks();
    PortOpen_ = false;
    event->accept();
}

void TfrmTest::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized()) return;
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
    ctiMain->show();
    QTimer::singleShot(0, this, &QWidget::hide);
}

void TfrmTest::SaveOnDestroy() {
    try {
        if (PortOpen_) StopLinks();
        Settings().LastCommDevice = static_cast<std::uint8_t>(cmbCommDevice->currentData().toInt());
        const TFormProperties properties(kFormClass);
        properties.SavePosition(*this);
        properties.SaveControlValues(*this, RememberedControls());
        if (Started_) DoneSystem();
    } catch (const std::exception& e) {
        ShowError("TfrmTest", e.what());
    }
}

QStringList TfrmTest::RememberedControls() {
    static const QStringList names = [] {
        const QStringList days{"Monday", "Tuesday", "Wednesday", "Thursday",
                               "Friday", "Saturday", "Sunday"};
        QStringList list;
        for (const QString& day : days) list << "cb" + day;
        for (int loop = 1; loop <= 16; ++loop) list << QString("cbControlLamps%1").arg(loop);
        for (const QString& day : days) list << "cb" + day + "New";
        list << "cmbCommFormat" << "edtAutoReadStatus" << "edtAutoReadLCUStatus";
        return list;
    }();
    return names;
}

// --- Pages' services -------------------------------------------------------------------

void TfrmTest::AddMessage(const QString& text, const QColor& colour) {
    memMessages->AddMessage(text, colour);
}

void TfrmTest::AddMessage(const std::string& line) {
    AddMessage(Q(line));
}

void TfrmTest::RefreshLampModeLists() {
    for (TRtuPage* page : Pages_) page->RefreshLampModeLists();
}

void TfrmTest::ShowRegion() {
    const TSettings& s = Settings();
    lblLongLat->setText(QString::asprintf("经度纬度: %.2f, %.2f", s.Longitude, s.Latitude));
    lblTimeZone->setText("本地时区: " + TimeZoneText(s.TimeZone));
    lblAdjustSunset->setText(
        QString("日落日出校正: %1/%2").arg(s.AdjustSunSet).arg(s.AdjustSunRise));
    UpdateSunTimes(ScheduleDate(Now()));
}

int TfrmTest::ControlMode() const {
    return Settings().ControlMode;
}

// --- Connection ------------------------------------------------------------------------

void TfrmTest::OnControlModeChanged() {
    if (PortOpen_) {
        StopLinks();
        PortOpen_ = false;
        UpdatePortControls(false);
    }
    Settings().ControlMode = static_cast<std::uint8_t>(cmbControlMode->currentData().toInt());
    for (const char* name : kAllStationsButtons) {
        if (auto* button = findChild<QWidget*>(name)) button->hide();
    }
    TStation6Test* station = CurrentStation();
    if (ControlMode() == kControlRemote) {
        nbStationSelection->setCurrentWidget(pgStationSelection);
        UseRemoteModeTiming();
        ReloadStationList();
        StationLampsPlace_->addWidget(pnlcbControlLamps);
        return;
    }
    nbStationSelection->setCurrentWidget(pgRtuSelection);
    UseDirectModeTiming();
    RtuLampsPlace_->addWidget(pnlcbControlLamps);
    if (!station) return;
    station->SetPhoneNumber("");
    OnCommFormatChanged();
    station->SetStationId(1);
    station->LampsMask().Clear();
    RefreshLampModeLists();
}

void TfrmTest::OnCommFormatChanged() {
    TStation6Test* station = CurrentStation();
    if (station && ControlMode() == kControlDirect)
        station->SetLinkKind(cmbCommFormat->currentData().toInt());
}

void TfrmTest::OnOpenClose() {
    if (PortOpen_) {
        StopLinks();
        PortOpen_ = false;
    } else if (ControlMode() == kControlRemote) {
        PortOpen_ = OpenRemoteLink();
    } else {
        PortOpen_ = OpenSerialLink();
    }
    UpdatePortControls(PortOpen_);
}

bool TfrmTest::OpenRemoteLink() {
    const auto text = Dialogs().InputBox("准备启动UDP服务器", "请输入监听端口号(1024-65535):",
                                         std::to_string(Settings().ServerPort));
    if (!text) return false;
    const auto port = TextToInt(Q(*text));
    if (!port) {
        Dialogs().ShowMessage("输入错误.");
        return false;
    }
    Settings().ServerPort = *port;
    return StartLink();
}

bool TfrmTest::OpenSerialLink() {
    TSettings& s = Settings();
    const auto chosen = Prompts_.PortSettings({s.PortName, s.BaudRate, s.ByteSize, s.StopBits,
                                               s.Parity});
    if (!chosen) return false;
    s.PortName = chosen->PortName;
    s.BaudRate = chosen->BaudRate;
    s.ByteSize = static_cast<std::uint8_t>(chosen->ByteSize);
    s.StopBits = static_cast<std::uint8_t>(chosen->StopBits);
    s.Parity = static_cast<std::uint8_t>(chosen->Parity);
    return StartLink();
}

void TfrmTest::UpdatePortControls(bool open) {
    if (!open) {
        gbPortSettings->setTitle(" 端口(尚未打开): ");
        btnOpenClose->setText("打开");
        btnOpenClose->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
        return;
    }
    const QString port = ControlMode() == kControlRemote
                             ? QString::number(Settings().ServerPort)
                             : Q(Settings().PortName);
    gbPortSettings->setTitle(" 端口(" + port + "): ");
    btnOpenClose->setText("关闭");
    btnOpenClose->setIcon(style()->standardIcon(QStyle::SP_DirClosedIcon));
}

bool TfrmTest::CheckReadyToSend() {
    if (ControlMode() == kControlRemote) {
        if (lbStations->currentRow() < 0) {
            Dialogs().ShowMessage("请先添加一个控制柜.");
            return false;
        }
        if (btnModifyStation->isEnabled()) {
            OnSaveStation();
            if (btnModifyStation->isEnabled()) return false;
        }
    } else if (!ApplyDirectAddress()) {
        return false;
    }
    return EnsurePortOpen();
}

bool TfrmTest::ApplyDirectAddress() {
    const auto address = TextToInt(edtRtuAddress->text());
    if (!address) {
        Dialogs().ShowMessage(ConversionMessage(edtRtuAddress->text()));
        return false;
    }
    if (*address < kLowestRtuAddress || *address > kHighestRtuAddress) {
        Dialogs().ShowMessage("RTU的地址码应在1到254之间.");
        return false;
    }
    edtRtuAddress->setText(QString::number(*address));
    Settings().RtuAddress = *address;
    if (TStation6Test* station = CurrentStation()) {
        station->SetRtuAddress(1, *address);
        station->SetName("Rtu(" + std::to_string(*address) + ")");
        station->SetLinkKind(cmbCommFormat->currentData().toInt());
    }
    return true;
}

bool TfrmTest::EnsurePortOpen() {
    if (!PortOpen_) OnOpenClose();
    return PortOpen_;
}

void TfrmTest::OnModifyRegion() {
    TSettings& s = Settings();
    const auto region =
        Prompts_.Region({s.Longitude, s.Latitude, s.TimeZone, s.AdjustSunSet, s.AdjustSunRise});
    if (region) {
        s.Longitude = region->Longitude;
        s.Latitude = region->Latitude;
        s.TimeZone = region->TimeZone;
        s.AdjustSunSet = region->AdjustSunSet;
        s.AdjustSunRise = region->AdjustSunRise;
        // The sender keeps its own copy for the daily sun refresh.
        if (TthrdSender* sender = Sender()) sender->UpdateSettings(s);
    }
    ShowRegion();
}

void TfrmTest::OnReceiveRtuAddress() {
    if (!CheckReadyToSend()) return;
    if (TRtu6* rtu = CurrentRtu()) rtu->ReadItemNow(kItemRtuAddress);
}

void TfrmTest::ResetDataArea() {
    const auto entry = Prompts_.GetString({"清除数据区", "需要输入口令", "", '*', false});
    if (!entry) return;
    if (Q(*entry).toUpper() != kResetPassword) {
        Dialogs().ShowMessage("密码错误.");
        return;
    }
    if (!Confirm("此操作将初始化RTU参数(包括地址码), 确认吗?")) return;
    if (!CheckReadyToSend()) return;
    if (TRtu6* rtu = CurrentRtu()) rtu->SendClearFlag("CLEAR");
}
