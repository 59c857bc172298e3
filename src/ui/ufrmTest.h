#pragma once
// The main window: connection and region settings, the choice of the controller, the pages,
// the message panel and the status bar. It is the only window that lives from start to end;
// the worker threads reach it through posted messages and the message panel.

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "comm/CommView.h"
#include "ui/ufrmGetString.h"
#include "ui/ufrmInputLongitude.h"
#include "ui/ufrmPortSetting.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QStackedWidget;
class QStatusBar;
class QSystemTrayIcon;
class QTabWidget;
class QTimer;
class QVBoxLayout;
class TMessagePanel;
class TRtuPage;

// The modal questions the window asks through dialogs of its own (tests answer them).
struct TfrmTestPrompts {
    std::function<std::optional<TPortSettings>(const TPortSettings&)> PortSettings;
    std::function<std::optional<TRegion>(const TRegion&)> Region;
    std::function<std::optional<std::string>(const TGetStringRequest&)> GetString;
};

class TfrmTest : public QMainWindow, public TCommView {
    Q_OBJECT
public:
    static constexpr int kControlDirect = 0;
    static constexpr int kControlRemote = 1;

    explicit TfrmTest(QWidget* parent = nullptr);
    ~TfrmTest() override;

    void SetPrompts(const TfrmTestPrompts& prompts) { Prompts_ = prompts; }

    // --- What the pages use -----------------------------------------------------------
    // The guard every controller command runs first: a station chosen and saved (remote) or
    // a valid address (direct cable), and the link open. False: send nothing.
    bool CheckReadyToSend();
    void AddMessage(const QString& text, const QColor& colour = QColor());
    void MarkStationEdited(bool edited);
    void RefreshLampModeLists();
    void ShowRegion();

    // --- TCommView ---------------------------------------------------------------------
    void AddMessage(const std::string& line) override;
    void StationRegistered(int stationNumber) override;

    bool PortOpen() const { return PortOpen_; }
    int ControlMode() const;
    // Whether the deferred start-up has run to its end.
    bool Started() const { return Started_; }

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Layout (ufrmTestLayout.cpp).
    void BuildLayout();
    QGroupBox* BuildPortGroup();
    QGroupBox* BuildRegionGroup();
    QWidget* BuildStationSelection();
    QWidget* BuildStationEditor();
    QWidget* BuildRtuSelection();
    QWidget* BuildControlLampsPanel();
    QWidget* BuildMessageArea();
    void BuildPages();
    void BuildStatusBar();
    void BuildTrayIcon();
    void FillComboBoxes();
    void ConnectHandlers();
    void ConnectStationHandlers();

    // Life (ufrmTest.cpp).
    void FirstShow();
    void StartUp();
    void HandleMessage(int msg, std::intptr_t wParam, std::intptr_t lParam);
    void ShowDataItem(int item);
    void PostDataItems(const std::vector<int>& items);
    void UpdateClock();
    void ResetDataArea();
    void FailStart(const std::string& message);

    // Connection.
    void OnControlModeChanged();
    void OnCommFormatChanged();
    void OnOpenClose();
    bool OpenRemoteLink();
    bool OpenSerialLink();
    void UpdatePortControls(bool open);
    bool ApplyDirectAddress();
    bool EnsurePortOpen();
    void OnModifyRegion();
    void OnReceiveRtuAddress();

    // Stations (ufrmTestStations.cpp).
    void ReloadStationList(std::optional<int> preferredRow = std::nullopt);
    void OnStationSelected();
    void LoadCurrentStation(int number);
    bool ValidateStationFields();
    std::uint16_t StreetLampMaskOfBoxes() const;
    int SelectedStationNumber() const;
    QListWidgetItem* StationItem(int number) const;
    void InsertStationItem(const QString& name, int number);
    void OnAddStation();
    void OnSaveStation();
    void OnDeleteStation();
    void MarkStation(int number, bool answered);
    void CopyLampBoxesToStation();

    // Persistence.
    void SaveOnDestroy();
    static QStringList RememberedControls();

    TfrmTestPrompts Prompts_;
    bool FirstShow_ = true;
    bool Started_ = false;
    bool PortOpen_ = false;
    int TempOnLampMode_ = 1;
    bool TempOnSaving_ = false;
    std::optional<int> SelectedLoop_;

    // Connection controls.
    QGroupBox* gbPortSettings;
    QComboBox* cmbControlMode;
    QPushButton* btnOpenClose;
    QGroupBox* gbLongLat;
    QLabel* lblLongLat;
    QLabel* lblAdjustSunset;
    QLabel* lblTimeZone;
    QPushButton* btnModifyLongitude;
    // The choice of the controller.
    QStackedWidget* nbStationSelection;
    QWidget* pgStationSelection;
    QWidget* pgRtuSelection;
    QListWidget* lbStations;
    QWidget* pnlStationInfo;
    QVBoxLayout* StationLampsPlace_;
    QLineEdit* edtName;
    QLineEdit* edtStationRtuAddress;
    QLabel* lblStationPhoneNumber;
    QLineEdit* edtStationPhoneNumber;
    QComboBox* cmbCommDevice;
    QWidget* pnlGPRS;
    QLineEdit* edtIpAddress;
    QLineEdit* edtIpPort;
    QPushButton* btnAddStation;
    QPushButton* btnModifyStation;
    QPushButton* btnDeleteStation;
    QGroupBox* gbRtuInfo;
    QVBoxLayout* RtuLampsPlace_;
    QLineEdit* edtRtuAddress;
    QPushButton* btnReceiveRtuAddress;
    QPushButton* btnSendRtuAddress;
    QComboBox* cmbCommFormat;
    QWidget* pnlcbControlLamps;
    std::array<QCheckBox*, 16> cbControlLamps{};
    // Pages, messages, status.
    QTabWidget* pcMain;
    std::vector<TRtuPage*> Pages_;
    TMessagePanel* memMessages;
    QPushButton* btnClearMessages;
    QStatusBar* sbMain;
    QLabel* ClockPanel_;
    QLabel* ContactPanel_;
    QSystemTrayIcon* ctiMain;
    QTimer* tmrMain;
};
