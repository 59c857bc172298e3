#include "ui/RtuStatusPage.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>

TRtuStatusPage::TRtuStatusPage(QWidget* parent) : TRtuPage("tsRtuStatus", "控制器状态", parent) {
    lblReset = new QLabel("复位标志:", this);
    lblReset->setObjectName("lblReset");
    lblReset->installEventFilter(this);
    auto* layout = new QGridLayout(this);
    layout->addWidget(lblReset, 0, 0, Qt::AlignLeft | Qt::AlignTop);
    layout->setRowStretch(1, 1);
    layout->setColumnStretch(1, 1);
}

bool TRtuStatusPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblReset && event->type() == QEvent::MouseButtonDblClick) {
        emit ResetRequested();
        return true;
    }
    return TRtuPage::eventFilter(watched, event);
}
