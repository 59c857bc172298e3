#include "ui/ufrmWaitMessage.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {
constexpr int kExtraWidth = 120;
constexpr int kLeastHeight = 40;
}  // namespace

TfrmWaitMessage::TfrmWaitMessage(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("frmWaitMessage");
    setWindowTitle("正在进行中,请稍候...");
    lblMessage = new QLabel(this);
    lblMessage->setObjectName("pnlMessage");
    lblMessage->setAlignment(Qt::AlignCenter);
    lblMessage->setFrameShape(QFrame::Panel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lblMessage);
}

TfrmWaitMessage::~TfrmWaitMessage() {
    HideMessage();
}

void TfrmWaitMessage::ShowMessage(const QString& text) {
    if (text.isEmpty()) return;
    lblMessage->setText(text);
    const int width = QFontMetrics(font()).horizontalAdvance(text) + kExtraWidth;
    const int height = std::max(kLeastHeight, static_cast<int>(std::lround(width / 4.0)));
    setFixedSize(width, height);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    move(screen.center() - QPoint(width / 2, height / 2));
    show();
    raise();
    repaint();
    if (!CursorSet_) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        CursorSet_ = true;
    }
}

void TfrmWaitMessage::HideMessage() {
    hide();
    if (CursorSet_) {
        QApplication::restoreOverrideCursor();
        CursorSet_ = false;
    }
}
