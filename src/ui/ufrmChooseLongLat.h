#pragma once
// The place list: regions with their places, each with its longitude and latitude.

#include <QDialog>
#include <optional>
#include <utility>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class TfrmChooseLongLat : public QDialog {
    Q_OBJECT
public:
    explicit TfrmChooseLongLat(QWidget* parent = nullptr);
    ~TfrmChooseLongLat() override;

    // Modal; longitude and latitude of the chosen place, nullopt when cancelled.
    static std::optional<std::pair<double, double>> Execute(QWidget* parent = nullptr);
    // Valid once the dialog was accepted.
    std::pair<double, double> Place() const { return Place_; }
    // Fills the tree from the store's place list; false (after "数据错误.") when the list
    // cannot be read.
    bool LoadPlaces();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnOk();
    void AddPlace(const std::string& entry);

    std::pair<double, double> Place_{0, 0};
    QTreeWidget* tvLongLat;
    QPushButton* btnOk;
    QPushButton* btnCancel;
};
