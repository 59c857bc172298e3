#include "ui/ufrmInputLongitude.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "app/UserDialogs.h"
#include "ui/DialogButtons.h"
#include "ui/UiText.h"
#include "ui/ufrmChooseLongLat.h"

namespace {

constexpr int kLowestLongitude = -180, kHighestLongitude = 180;
constexpr int kLowestLatitude = 0, kHighestLatitude = 60;
constexpr int kLowestCorrection = -127, kHighestCorrection = 127;
// The zone list in tenths of an hour.
constexpr int kFirstZone = -120, kLastZone = 140, kZoneStep = 5;
constexpr double kFarZoneHours = 4;
constexpr double kDefaultPlaceZone = 8;

QString TwoDecimals(double value) {
    return QString::asprintf("%.2f", value);
}

std::optional<int> CorrectionIn(const QLineEdit* edit) {
    const auto value = TextToInt(edit->text());
    if (!value || *value < kLowestCorrection || *value > kHighestCorrection) return std::nullopt;
    return value;
}

QString CorrectionMessage(const QString& what) {
    return BoundsText(what + "的校正值应当在", kLowestCorrection, "至", kHighestCorrection,
                      "之间.");
}

}  // namespace

QString TimeZoneText(double hours) {
    const long minutes = std::lround(std::fabs(hours) * 60);
    return QString::asprintf("GMT%c%02ld:%02ld", hours >= 0 ? '+' : '-', minutes / 60,
                             minutes % 60);
}

TfrmInputLongitude::TfrmInputLongitude(const TRegion& region, QWidget* parent)
    : QDialog(parent), Result_(region) {
    setObjectName("frmInputLongitude");
    setWindowTitle("区域设置");
    ChoosePlace_ = [this] { return TfrmChooseLongLat::Execute(this); };

    lblLongitude = new QLabel(this);
    lblLongitude->setObjectName("lblLongitude");
    edtLongitude = new QLineEdit(this);
    edtLongitude->setObjectName("edtLongitude");
    lblLatitude = new QLabel(this);
    lblLatitude->setObjectName("lblLatitude");
    edtLatitude = new QLineEdit(this);
    edtLatitude->setObjectName("edtLatitude");
    cmbTimeZone = new QComboBox(this);
    cmbTimeZone->setObjectName("cmbTimeZone");
    edtAdjustSunSet = new QLineEdit(this);
    edtAdjustSunSet->setObjectName("edtAdjustSunSet");
    edtAdjustSunrise = new QLineEdit(this);
    edtAdjustSunrise->setObjectName("edtAdjustSunrise");
    FillTimeZones();

    auto* fields = new QFormLayout;
    fields->addRow(lblLongitude, edtLongitude);
    fields->addRow(lblLatitude, edtLatitude);
    fields->addRow("请选择你所在的时区:", cmbTimeZone);
    fields->addRow("日落时间校正(-127至127):", edtAdjustSunSet);
    fields->addRow("日出时间校正(-127至127):", edtAdjustSunrise);
    btnBrowse = new QPushButton("浏览...", this);
    btnBrowse->setObjectName("btnBrowse");
    const TDialogButtons buttons = MakeDialogButtons(this, btnBrowse);
    btnOk = buttons.Ok;
    btnCancel = buttons.Cancel;
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons.Row);

    ShowRegion(region);
    connect(btnBrowse, &QPushButton::clicked, this, &TfrmInputLongitude::OnBrowse);
    connect(btnOk, &QPushButton::clicked, this, &TfrmInputLongitude::OnOk);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<TRegion> TfrmInputLongitude::Execute(const TRegion& region, QWidget* parent) {
    TfrmInputLongitude form(region, parent);
    if (form.exec() != QDialog::Accepted) return std::nullopt;
    return form.Region();
}

void TfrmInputLongitude::FillTimeZones() {
    for (int tenths = kFirstZone; tenths <= kLastZone; tenths += kZoneStep) {
        cmbTimeZone->addItem(TimeZoneText(tenths / 10.0), tenths);
    }
}

void TfrmInputLongitude::ShowRegion(const TRegion& region) {
    lblLongitude->setText(BoundsText("经度(", kLowestLongitude, " -- ", kHighestLongitude, "):"));
    lblLatitude->setText(BoundsText("纬度(", kLowestLatitude, " -- ", kHighestLatitude, "):"));
    edtLongitude->setText(TwoDecimals(region.Longitude));
    edtLatitude->setText(TwoDecimals(region.Latitude));
    cmbTimeZone->setCurrentIndex(cmbTimeZone->findText(TimeZoneText(region.TimeZone)));
    edtAdjustSunSet->setText(QString::number(region.AdjustSunSet));
    edtAdjustSunrise->setText(QString::number(region.AdjustSunRise));
}

void TfrmInputLongitude::OnBrowse() {
    const auto place = ChoosePlace_();
    if (!place) return;
    edtLongitude->setText(TwoDecimals(place->first));
    edtLatitude->setText(TwoDecimals(place->second));
    cmbTimeZone->setCurrentIndex(cmbTimeZone->findText(TimeZoneText(kDefaultPlaceZone)));
    edtAdjustSunSet->setText("0");
}

void TfrmInputLongitude::OnOk() {
    if (const auto region = CheckedRegion()) {
        Result_ = *region;
        accept();
    }
}

bool TfrmInputLongitude::ZoneFarFromPlace(double longitude, double zone) const {
    // The zone a place of that longitude would normally keep, counted the operators' way.
    const int expected = static_cast<int>(std::nearbyint(longitude)) / 15 + 1;
    return std::fabs(zone - expected) > kFarZoneHours;
}

std::optional<TRegion> TfrmInputLongitude::CheckedRegion() {
    auto fail = [](const QString& message, QWidget* field) {
        if (field) field->setFocus();
        Dialogs().ShowMessage(S(message));
        return std::nullopt;
    };
    const auto longitude = TextToFloat(edtLongitude->text());
    if (!longitude || *longitude < kLowestLongitude || *longitude > kHighestLongitude)
        return fail(BoundsText("经度数值应在", kLowestLongitude, "至", kHighestLongitude, "之间."),
                    edtLongitude);
    const auto latitude = TextToFloat(edtLatitude->text());
    if (!latitude || *latitude < kLowestLatitude || *latitude > kHighestLatitude)
        return fail(BoundsText("纬度数值应当在", kLowestLatitude, "至", kHighestLatitude, "之间."),
                    edtLatitude);
    if (cmbTimeZone->currentIndex() < 0) return fail("请选择你所在的时区.", cmbTimeZone);
    const double zone = cmbTimeZone->currentData().toInt() / 10.0;
    if (ZoneFarFromPlace(*longitude, zone) &&
        !Confirm("您选择的时区与您所在的位置距离较远, 您确认吗?"))
        return std::nullopt;
    const auto sunset = CorrectionIn(edtAdjustSunSet);
    if (!sunset) return fail(CorrectionMessage("日落时刻"), edtAdjustSunSet);
    const auto sunrise = CorrectionIn(edtAdjustSunrise);
    if (!sunrise) return fail(CorrectionMessage("日出时刻"), edtAdjustSunrise);
    return TRegion{*longitude, *latitude, zone, *sunset, *sunrise};
}
