#include "ui/ufrmPortSetting.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>
#include <vector>

#include "app/UserDialogs.h"
#include "comm/CommSlots.h"
#include "ui/DialogButtons.h"
#include "ui/UiText.h"

namespace {

using TChoices = std::vector<std::pair<QString, int>>;

const TChoices kBaudRates = {
    {"300", 300},     {"600", 600},       {"1200", 1200},   {"2400", 2400},   {"4800", 4800},
    {"9600", 9600},   {"14400", 14400},   {"19200", 19200}, {"38400", 38400}, {"56k", 56000},
    {"57600", 57600}, {"115200", 115200}, {"128k", 128000}, {"256k", 256000},
};
const TChoices kByteSizes = {{"5", 5}, {"6", 6}, {"7", 7}, {"8", 8}};
const TChoices kStopBits = {{"1", 0}, {"1.5", 1}, {"2", 2}};
const TChoices kParities = {{"NO", 0}, {"ODD", 1}, {"EVEN", 2}, {"MARK", 3}, {"SPACE", 4}};

QComboBox* ChoiceList(QWidget* parent, const char* name, const TChoices& choices) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    for (const auto& [text, value] : choices) combo->addItem(text, value);
    return combo;
}

// The item of the value, else the first.
void SelectValue(QComboBox* combo, int value) {
    const int index = combo->findData(value);
    combo->setCurrentIndex(index >= 0 ? index : 0);
}

}  // namespace

TfrmPortSetting::TfrmPortSetting(const TPortSettings& settings, QWidget* parent) : QDialog(parent) {
    setObjectName("frmPortSetting");
    setWindowTitle("打开端口");
    cmbPortName = new QComboBox(this);
    cmbPortName->setObjectName("cmbPortName");
    cmbPortName->setEditable(true);
    cmbBaudRate = ChoiceList(this, "cmbBaudRate", kBaudRates);
    cmbByteSize = ChoiceList(this, "cmbByteSize", kByteSizes);
    cmbStopBits = ChoiceList(this, "cmbStopBits", kStopBits);
    cmbParity = ChoiceList(this, "cmbParity", kParities);
    FillLists();

    auto* fields = new QFormLayout;
    fields->addRow("端  口:", cmbPortName);
    fields->addRow("波特率:", cmbBaudRate);
    fields->addRow("数据位:", cmbByteSize);
    fields->addRow("停止位:", cmbStopBits);
    fields->addRow("校  验:", cmbParity);
    const TDialogButtons buttons = MakeDialogButtons(this);
    btnOk = buttons.Ok;
    btnCancel = buttons.Cancel;
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons.Row);

    cmbPortName->setEditText(Q(settings.PortName));
    SelectValue(cmbBaudRate, settings.BaudRate);
    SelectValue(cmbByteSize, settings.ByteSize);
    SelectValue(cmbStopBits, settings.StopBits);
    SelectValue(cmbParity, settings.Parity);

    connect(btnOk, &QPushButton::clicked, this, &TfrmPortSetting::OnOk);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmPortSetting::FillLists() {
    std::vector<std::string> ports;
    ListComPorts(ports);
    for (const auto& port : ports) cmbPortName->addItem(Q(port));
}

std::optional<TPortSettings> TfrmPortSetting::Execute(const TPortSettings& settings,
                                                      QWidget* parent) {
    TfrmPortSetting form(settings, parent);
    if (form.exec() != QDialog::Accepted) return std::nullopt;
    return form.Settings();
}

TPortSettings TfrmPortSetting::Settings() const {
    return {S(cmbPortName->currentText()), cmbBaudRate->currentData().toInt(),
            cmbByteSize->currentData().toInt(), cmbStopBits->currentData().toInt(),
            cmbParity->currentData().toInt()};
}

void TfrmPortSetting::OnOk() {
    if (cmbPortName->currentText().isEmpty()) {
        Dialogs().ShowMessage("请输入端口名称.");
        return;
    }
    accept();
}
