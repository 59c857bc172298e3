// The station list and the station editor of remote mode.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>
#include <exception>

#include "app/SystemInit.h"
#include "app/UserDialogs.h"
#include "platform/CheckError.h"
#include "platform/Encoding.h"
#include "protocol/ByteUtils.h"
#include "stations/Station6Class.h"
#include "stations/udiTest.h"
#include "ui/RtuApplication.h"
#include "ui/UiText.h"
#include "ui/ufrmTest.h"

namespace {

constexpr int kNumberRole = Qt::UserRole;
constexpr int kLowestRtuAddress = 1, kHighestRtuAddress = 254;
constexpr int kShortestDeviceId = 6;

// Hands the focus to the field whose check failed.
class TFieldFocus : public TFocusTarget {
public:
    explicit TFieldFocus(QWidget* field) : Field_(field) {}
    void TakeFocus() override { Field_->setFocus(); }

private:
    QWidget* Field_;
};

TIDataTest& Store() {
    TIDataTest* store = LocalStore();
    RaiseIf(store == nullptr, kNoStoreMessage);
    return *store;
}

// The list is in the order the operators know from their other tools: by the names' GBK
// bytes, which puts Chinese names in pinyin order.
bool NameBefore(const std::string& a, const std::string& b) {
    return Utf8ToGbk(a) < Utf8ToGbk(b);
}

}  // namespace

void TfrmTest::ConnectStationHandlers() {
    connect(lbStations, &QListWidget::currentRowChanged, this,
            [this] { RunGuarded([this] { OnStationSelected(); }); });
    connect(btnAddStation, &QPushButton::clicked, this,
            [this] { RunGuarded([this] { OnAddStation(); }); });
    connect(btnModifyStation, &QPushButton::clicked, this,
            [this] { RunGuarded([this] { OnSaveStation(); }); });
    connect(btnDeleteStation, &QPushButton::clicked, this,
            [this] { RunGuarded([this] { OnDeleteStation(); }); });
    for (QLineEdit* edit : {edtName, edtStationRtuAddress, edtStationPhoneNumber, edtIpAddress,
                            edtIpPort}) {
        connect(edit, &QLineEdit::textChanged, this, [this] { MarkStationEdited(true); });
    }
    connect(cmbCommDevice, &QComboBox::currentIndexChanged, this,
            [this] { MarkStationEdited(true); });
    for (QCheckBox* box : cbControlLamps) {
        connect(box, &QCheckBox::toggled, this, [this] { MarkStationEdited(true); });
    }
}

void TfrmTest::MarkStationEdited(bool edited) {
    btnModifyStation->setEnabled(edited && CurrentStation() != nullptr);
}

int TfrmTest::SelectedStationNumber() const {
    const QListWidgetItem* item = lbStations->currentItem();
    return item ? item->data(kNumberRole).toInt() : 0;
}

QListWidgetItem* TfrmTest::StationItem(int number) const {
    for (int row = 0; row < lbStations->count(); ++row) {
        QListWidgetItem* item = lbStations->item(row);
        if (item->data(kNumberRole).toInt() == number) return item;
    }
    return nullptr;
}

void TfrmTest::InsertStationItem(const QString& name, int number) {
    int row = 0;
    while (row < lbStations->count() &&
           !NameBefore(S(name), S(lbStations->item(row)->text())))
        ++row;
    auto* item = new QListWidgetItem(name);
    item->setData(kNumberRole, number);
    lbStations->insertItem(row, item);
}

void TfrmTest::ReloadStationList(std::optional<int> preferredRow) {
    const int remembered = preferredRow.value_or(lbStations->currentRow());
    TIDataTest& store = Store();
    std::vector<TStationEntry> entries = store.ListStations();
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return NameBefore(a.Name, b.Name);
    });
    {
        const QSignalBlocker blocker(lbStations);
        lbStations->clear();
        for (const TStationEntry& entry : entries) {
            auto* item = new QListWidgetItem(Q(entry.Name), lbStations);
            item->setData(kNumberRole, entry.Number);
            // A terminal must register again in this run before it is reached over GPRS.
            TStoredStation stored;
            if (store.ReadStation(entry.Number, stored) &&
                (!stored.IpAddress.empty() || stored.IpPort != 0))
                store.SetIpRoute(entry.Number, "", 0);
        }
        const int count = lbStations->count();
        int row = -1;
        if (remembered >= 0 && remembered < count) {
            row = remembered;
        } else if (preferredRow && count > 0) {
            row = count - 1;
        } else if (count > 0) {
            row = 0;
        }
        lbStations->setCurrentRow(row);
    }
    OnStationSelected();
}

void TfrmTest::OnStationSelected() {
    const int number = SelectedStationNumber();
    TStoredStation stored;
    if (number == 0 || !Store().ReadStation(number, stored)) stored = TStoredStation();
    edtName->setText(Q(stored.Name));
    const int kind = cmbCommDevice->findData(stored.LinkKind);
    cmbCommDevice->setCurrentIndex(kind >= 0 ? kind : 0);
    edtStationRtuAddress->setText(QString::number(stored.RtuAddress));
    // The direct-cable address follows a chosen station only: with an empty list it keeps
    // the address last used on the cable.
    if (number != 0) edtRtuAddress->setText(QString::number(stored.RtuAddress));
    edtStationPhoneNumber->setText(Q(stored.PhoneNumber));
    for (int loop = 1; loop <= 16; ++loop)
        cbControlLamps[loop - 1]->setChecked(stored.LoopsMask & (1u << (loop - 1)));
    edtIpAddress->setText(Q(stored.IpAddress));
    edtIpPort->setText(QString::number(stored.IpPort));
    MarkStationEdited(false);
    btnDeleteStation->setEnabled(lbStations->count() > 0);
    if (number != 0) LoadCurrentStation(number);
}

void TfrmTest::LoadCurrentStation(int number) {
    if (SelectStoredStation(number)) RefreshLampModeLists();
}

bool TfrmTest::ValidateStationFields() {
    try {
        const QString name = edtName->text().trimmed();
        TFieldFocus nameFocus(edtName);
        RaiseIf(name.isEmpty(), "请输入控制柜的名称.", &nameFocus);

        TFieldFocus addressFocus(edtStationRtuAddress);
        const auto parsed = TextToInt(edtStationRtuAddress->text());
        RaiseIf(!parsed, ConversionMessage(edtStationRtuAddress->text()), &addressFocus);
        const int address = *parsed;
        RaiseIf(address < kLowestRtuAddress || address > kHighestRtuAddress,
                "RTU的地址码应在1到254之间.", &addressFocus);
        edtStationRtuAddress->setText(QString::number(address));

        const std::string deviceId = S(edtStationPhoneNumber->text().trimmed());
        const int kind = cmbCommDevice->currentData().toInt();
        const bool wrongId = deviceId.empty()
                                 ? (kind == kLinkSms || kind == kLinkGprs)
                                 : (deviceId.size() < kShortestDeviceId || !IsDigits(deviceId));
        TFieldFocus idFocus(edtStationPhoneNumber);
        RaiseIf(wrongId, "SIM卡号码错误.", &idFocus);

        edtName->setText(name);
        edtStationPhoneNumber->setText(Q(deviceId));
        return true;
    } catch (const std::exception& e) {
        Dialogs().ShowMessage(e.what());
        return false;
    }
}

std::uint16_t TfrmTest::StreetLampMaskOfBoxes() const {
    std::uint16_t mask = 0;
    for (int loop = 1; loop <= 16; ++loop) {
        if (cbControlLamps[loop - 1]->isChecked()) mask |= static_cast<std::uint16_t>(1u << (loop - 1));
    }
    return mask;
}

void TfrmTest::OnAddStation() {
    if (!ValidateStationFields()) return;
    const QString name = edtName->text();
    const int number = Store().AddStation(S(name), cmbCommDevice->currentData().toInt(),
                                          StreetLampMaskOfBoxes(),
                                          S(edtStationPhoneNumber->text()),
                                          edtStationRtuAddress->text().toInt());
    if (number == 0) {
        Dialogs().ShowMessage("添加失败: 控制柜名称, 地址或SIM卡号已经存在.");
        return;
    }
    {
        const QSignalBlocker blocker(lbStations);
        InsertStationItem(name, number);
        lbStations->setCurrentItem(StationItem(number));
    }
    OnStationSelected();
}

void TfrmTest::OnSaveStation() {
    if (!ValidateStationFields()) return;
    const int number = SelectedStationNumber();
    if (number == 0) {
        Dialogs().ShowMessage("请先选择要更新的控制柜.");
        return;
    }
    const QString name = edtName->text();
    if (!Store().UpdateStation(number, S(name), StreetLampMaskOfBoxes(),
                               S(edtStationPhoneNumber->text()),
                               edtStationRtuAddress->text().toInt(),
                               cmbCommDevice->currentData().toInt())) {
        Dialogs().ShowMessage("更新失败: 名称, 地址或SIM卡号已被其他控制柜使用.");
        return;
    }
    OnStationSelected();
    lbStations->currentItem()->setText(name);
}

void TfrmTest::OnDeleteStation() {
    const int number = SelectedStationNumber();
    if (number == 0) {
        Dialogs().ShowMessage("请先选择要删除的控制柜.");
        return;
    }
    if (!Confirm("确认删除该控制柜?")) return;
    if (!Store().DeleteStation(number)) {
        Dialogs().ShowMessage("删除控制柜失败.");
        return;
    }
    ReloadStationList(lbStations->currentRow());
}

void TfrmTest::MarkStation(int number, bool answered) {
    QListWidgetItem* item = StationItem(number);
    TStoredStation stored;
    TIDataTest* store = LocalStore();
    if (!item || !store || !store->ReadStation(number, stored)) return;
    item->setText(Q(stored.Name) + (answered ? "**" : "*"));
}

void TfrmTest::StationRegistered(int stationNumber) {
    RunGuarded([&] {
        MarkStation(stationNumber, false);
        // Its route changed: the current station takes the new one.
        if (SelectedStationNumber() == stationNumber) OnStationSelected();
    });
}

void TfrmTest::CopyLampBoxesToStation() {
    TStation6Test* station = CurrentStation();
    if (!station) return;
    for (int loop = 1; loop <= 16; ++loop) {
        if (TLoop* l = station->Loop(loop)) l->IsStreetLamp = cbControlLamps[loop - 1]->isChecked();
    }
}
