#include "ui/ufrmChooseLongLat.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <exception>

#include "app/SystemInit.h"
#include "app/UserDialogs.h"
#include "protocol/ByteUtils.h"
#include "stations/udiTest.h"
#include "ui/DialogButtons.h"
#include "ui/FormProperties.h"
#include "ui/UiText.h"

namespace {

constexpr int kNumberRole = Qt::UserRole;
constexpr const char* kFormClass = "TfrmChooseLongLat";

double FieldValue(const std::string& text) {
    const auto value = TextToFloat(Q(text));
    if (!value) throw std::runtime_error("not a number: " + text);
    return *value;
}

}  // namespace

TfrmChooseLongLat::TfrmChooseLongLat(QWidget* parent) : QDialog(parent) {
    setObjectName("frmChooseLongLat");
    setWindowTitle("请选择您所在的地区");
    tvLongLat = new QTreeWidget(this);
    tvLongLat->setObjectName("tvLongLat");
    tvLongLat->setHeaderHidden(true);
    tvLongLat->setEditTriggers(QAbstractItemView::NoEditTriggers);
    const TDialogButtons buttons = MakeDialogButtons(this);
    btnOk = buttons.Ok;
    btnCancel = buttons.Cancel;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tvLongLat);
    layout->addLayout(buttons.Row);

    connect(btnOk, &QPushButton::clicked, this, &TfrmChooseLongLat::OnOk);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(tvLongLat, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (item->parent() != nullptr) OnOk();
    });
    TFormProperties(kFormClass).RestoreLayout(*this);
}

TfrmChooseLongLat::~TfrmChooseLongLat() {
    TFormProperties(kFormClass).SaveLayout(*this);
}

std::optional<std::pair<double, double>> TfrmChooseLongLat::Execute(QWidget* parent) {
    TfrmChooseLongLat form(parent);
    if (form.exec() != QDialog::Accepted) return std::nullopt;
    return form.Place();
}

void TfrmChooseLongLat::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (tvLongLat->topLevelItemCount() == 0 && !LoadPlaces()) {
        QTimer::singleShot(0, this, &QDialog::reject);
    }
}

bool TfrmChooseLongLat::LoadPlaces() {
    tvLongLat->clear();
    try {
        const TIDataTest* store = LocalStore();
        if (!store) throw std::runtime_error("no store");
        for (const std::string& line : store->ListPlaces()) AddPlace(line);
        return true;
    } catch (const std::exception&) {
        tvLongLat->clear();
        Dialogs().ShowMessage("数据错误.");
        return false;
    }
}

void TfrmChooseLongLat::AddPlace(const std::string& line) {
    const size_t equals = line.find('=');
    const std::string entry = equals == std::string::npos ? line : line.substr(equals + 1);
    const std::string number = GetField(entry, 1, ',');
    const std::string region = GetField(entry, 2, ',');
    const std::string name = GetField(entry, 3, ',');
    double longitude = 0, latitude = 0;
    if (!region.empty() && !name.empty()) {
        longitude = FieldValue(GetField(entry, 4, ','));
        latitude = FieldValue(GetField(entry, 5, ','));
    }
    const int count = tvLongLat->topLevelItemCount();
    QTreeWidgetItem* top = count > 0 ? tvLongLat->topLevelItem(count - 1) : nullptr;
    if (!top || top->text(0) != Q(region)) {
        top = new QTreeWidgetItem(tvLongLat, QStringList{Q(region)});
    }
    auto* place = new QTreeWidgetItem(
        top, QStringList{Q(name) + QString::asprintf(" %.2f %.2f", longitude, latitude)});
    place->setData(0, kNumberRole, Q(number));
}

void TfrmChooseLongLat::OnOk() {
    const QTreeWidgetItem* item = tvLongLat->currentItem();
    if (!item) return;
    if (!item->parent()) {
        Dialogs().ShowMessage("请选择一个子节点.");
        return;
    }
    double longitude = 0, latitude = 0;
    const TIDataTest* store = LocalStore();
    if (!store ||
        !store->ReadPlace(S(item->data(0, kNumberRole).toString()), longitude, latitude)) {
        Dialogs().ShowMessage("未找到该地区的经纬度信息.");
        return;
    }
    Place_ = {longitude, latitude};
    accept();
}
