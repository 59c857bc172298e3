#pragma once
// The serial port settings of direct-cable mode.

#include <QDialog>
#include <optional>
#include <string>

class QComboBox;
class QPushButton;

struct TPortSettings {
    std::string PortName;
    int BaudRate = 9600;
    int ByteSize = 8;
    int StopBits = 0;  // 0 one, 1 one and a half, 2 two
    int Parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space

    bool operator==(const TPortSettings&) const = default;
};

class TfrmPortSetting : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPortSetting(const TPortSettings& settings, QWidget* parent = nullptr);

    // Modal; the settings chosen, nullopt when cancelled.
    static std::optional<TPortSettings> Execute(const TPortSettings& settings,
                                                QWidget* parent = nullptr);
    TPortSettings Settings() const;

private:
    void FillLists();
    void OnOk();

    QComboBox* cmbPortName;
    QComboBox* cmbBaudRate;
    QComboBox* cmbByteSize;
    QComboBox* cmbStopBits;
    QComboBox* cmbParity;
    QPushButton* btnOk;
    QPushButton* btnCancel;
};
