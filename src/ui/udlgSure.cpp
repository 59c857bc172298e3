#include "ui/udlgSure.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

namespace {
constexpr int kStartWidth = 240;
constexpr int kSideMargin = 64;      // message width + this is the least box width
constexpr int kExtraHeight = 100;    // message height + this is the box height
constexpr int kScreenHeightGap = 124;
constexpr int kMessageTop = 18;
constexpr int kButtonsFromBottom = 38;
constexpr int kFirstButtonLeft = 80;  // left of the centre line
constexpr int kSecondButtonLeft = 5;  // right of the centre line
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
}  // namespace

TdlgSure::TdlgSure(const QString& message, const QString& firstButton,
                   const QString& secondButton, const QString& caption, QWidget* parent)
    : QDialog(parent) {
    setObjectName("dlgSure");
    setWindowTitle(caption);
    lblMessage = new QLabel(message, this);
    lblMessage->setObjectName("lblMessage");
    lblMessage->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblMessage->setWordWrap(false);
    btnOk = new QPushButton(firstButton, this);
    btnOk->setObjectName("btnOk");
    btnOk->setDefault(true);
    btnCancel = new QPushButton(secondButton, this);
    btnCancel->setObjectName("btnCancel");
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(kStartWidth, kStartWidth / 2);
    ArrangeForMessage();
}

bool TdlgSure::Ask(const QString& message, const QString& firstButton,
                   const QString& secondButton, const QString& caption, QWidget* parent) {
    TdlgSure box(message, firstButton, secondButton, caption, parent);
    return box.exec() == QDialog::Accepted;
}

void TdlgSure::ArrangeForMessage() {
    const QSize screen = QGuiApplication::primaryScreen()->availableSize();
    const QSize text = lblMessage->sizeHint();
    const int messageWidth = std::min(text.width(), screen.width() - kSideMargin);
    const int messageHeight = std::min(text.height(), screen.height() - kScreenHeightGap);

    const QRect before = geometry();
    const int width = std::max(before.width(), messageWidth + kSideMargin);
    const int height = messageHeight + kExtraHeight;
    if (width != before.width() || height != before.height()) {
        setGeometry(before.x() - (width - before.width()) / 2,
                    before.y() - (height - before.height()) / 2, width, height);
    }
    const int centre = width / 2;
    lblMessage->setGeometry(centre - messageWidth / 2, kMessageTop, messageWidth, messageHeight);
    const int buttonsTop = height - kButtonsFromBottom;
    btnOk->setGeometry(centre - kFirstButtonLeft, buttonsTop, kButtonWidth, kButtonHeight);
    btnCancel->setGeometry(centre + kSecondButtonLeft, buttonsTop, kButtonWidth, kButtonHeight);
}

void TdlgSure::showEvent(QShowEvent* event) {
    ArrangeForMessage();
    QDialog::showEvent(event);
}
