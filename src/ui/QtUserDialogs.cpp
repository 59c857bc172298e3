#include "ui/QtUserDialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

#include "ui/UiText.h"
#include "ui/udlgSure.h"
#include "ui/ufrmWaitForProgress.h"
#include "ui/ufrmWaitMessage.h"

TQtUserDialogs::TQtUserDialogs()
    : Wait_(std::make_unique<TfrmWaitMessage>()),
      Progress_(std::make_unique<TfrmWaitForProgress>()) {
    SetDialogs(this);
}

TQtUserDialogs::~TQtUserDialogs() {
    SetDialogs(nullptr);
}

void TQtUserDialogs::ShowMessage(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), Q(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

bool TQtUserDialogs::Confirm(const std::string& message, const std::string& firstButton,
                             const std::string& secondButton, const std::string& title) {
    return TdlgSure::Ask(Q(message), Q(firstButton), Q(secondButton), Q(title),
                         QApplication::activeWindow());
}

std::optional<std::string> TQtUserDialogs::InputBox(const std::string& caption,
                                                    const std::string& prompt,
                                                    const std::string& initial) {
    bool ok = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), Q(caption),
                                               Q(prompt), QLineEdit::Normal, Q(initial), &ok);
    if (!ok) return std::nullopt;
    return S(text);
}

void TQtUserDialogs::ShowWaitMessage(const std::string& text) {
    Wait_->ShowMessage(Q(text));
}

void TQtUserDialogs::HideWaitMessage() {
    Wait_->HideMessage();
}
