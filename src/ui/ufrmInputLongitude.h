#pragma once
// The region of the sunset and sunrise computation: place, time zone and the two corrections.

#include <QDialog>
#include <functional>
#include <optional>
#include <utility>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

struct TRegion {
    double Longitude = 0;
    double Latitude = 0;
    double TimeZone = 0;  // hours, multiples of 0.5
    int AdjustSunSet = 0;
    int AdjustSunRise = 0;

    bool operator==(const TRegion&) const = default;
};

// "GMT+08:00", "GMT-05:30": the zone's offset in hours and minutes.
QString TimeZoneText(double hours);

class TfrmInputLongitude : public QDialog {
    Q_OBJECT
public:
    // Longitude and latitude of a place picked from the list; nullopt when none was.
    using TPlaceChooser = std::function<std::optional<std::pair<double, double>>()>;

    explicit TfrmInputLongitude(const TRegion& region, QWidget* parent = nullptr);

    // Modal; the region entered, nullopt when cancelled.
    static std::optional<TRegion> Execute(const TRegion& region, QWidget* parent = nullptr);
    // Valid once the dialog was accepted.
    const TRegion& Region() const { return Result_; }
    // "浏览..." asks this (the place list dialog unless replaced).
    void SetPlaceChooser(TPlaceChooser chooser) { ChoosePlace_ = std::move(chooser); }

private:
    void FillTimeZones();
    void ShowRegion(const TRegion& region);
    void OnBrowse();
    void OnOk();
    // The region entered, or nullopt after the message of the first failing check.
    std::optional<TRegion> CheckedRegion();
    bool ZoneFarFromPlace(double longitude, double zone) const;

    TRegion Result_;
    TPlaceChooser ChoosePlace_;
    QLabel* lblLongitude;
    QLineEdit* edtLongitude;
    QLabel* lblLatitude;
    QLineEdit* edtLatitude;
    QComboBox* cmbTimeZone;
    QLineEdit* edtAdjustSunSet;
    QLineEdit* edtAdjustSunrise;
    QPushButton* btnOk;
    QPushButton* btnCancel;
    QPushButton* btnBrowse;
};
