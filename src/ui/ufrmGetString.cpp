#include "ui/ufrmGetString.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/UserDialogs.h"
#include "ui/DialogButtons.h"
#include "ui/UiText.h"

TfrmGetString::TfrmGetString(const TGetStringRequest& request, QWidget* parent)
    : QDialog(parent), AllowEmpty_(request.AllowEmpty) {
    setObjectName("frmGetString");
    setWindowTitle(Q(request.Caption));
    auto* group = new QGroupBox(" " + Q(request.Prompt) + " ", this);
    auto* row = new QHBoxLayout(group);
    row->addWidget(new QLabel("请输入:", group));
    edtInput = new QLineEdit(Q(request.Initial), group);
    edtInput->setObjectName("edtInput");
    // The toolkit draws its own masking character; any mask means a hidden entry.
    if (request.Mask != 0) edtInput->setEchoMode(QLineEdit::Password);
    row->addWidget(edtInput);

    const TDialogButtons buttons = MakeDialogButtons(this);
    btnOk = buttons.Ok;
    btnCancel = buttons.Cancel;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons.Row);

    connect(btnOk, &QPushButton::clicked, this, &TfrmGetString::OnOk);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<std::string> TfrmGetString::Execute(const TGetStringRequest& request,
                                                  QWidget* parent) {
    TfrmGetString form(request, parent);
    if (form.exec() != QDialog::Accepted) return std::nullopt;
    return form.Text();
}

std::string TfrmGetString::Text() const {
    return S(edtInput->text());
}

void TfrmGetString::OnOk() {
    if (edtInput->text().isEmpty() && !AllowEmpty_) {
        Dialogs().ShowMessage("不允许输入空值, 请再试一次.");
        edtInput->setFocus();
        return;
    }
    accept();
}
