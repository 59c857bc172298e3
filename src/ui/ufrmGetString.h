#pragma once
// A one-line text prompt (the password of the data-area reset).

#include <QDialog>
#include <optional>
#include <string>

class QLineEdit;
class QPushButton;

struct TGetStringRequest {
    std::string Caption;
    std::string Prompt;
    std::string Initial;
    char Mask = 0;  // 0: the text is shown as typed
    bool AllowEmpty = false;
};

class TfrmGetString : public QDialog {
    Q_OBJECT
public:
    explicit TfrmGetString(const TGetStringRequest& request, QWidget* parent = nullptr);

    // Modal; the text entered, nullopt when cancelled.
    static std::optional<std::string> Execute(const TGetStringRequest& request,
                                              QWidget* parent = nullptr);
    std::string Text() const;

private:
    void OnOk();

    bool AllowEmpty_;
    QLineEdit* edtInput;
    QPushButton* btnOk;
    QPushButton* btnCancel;
};
