#include "ui/ufrmWaitForProgress.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

TfrmWaitForProgress::TfrmWaitForProgress(QWidget* parent) : QDialog(parent) {
    setObjectName("frmWaitForProgress");
    setWindowTitle("正在处理,请稍候");
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("正在处理,请稍候", this));
    pbProgress = new QProgressBar(this);
    pbProgress->setObjectName("pbProgress");
    pbProgress->setRange(0, 100);
    layout->addWidget(pbProgress);
}

void TfrmWaitForProgress::SetProgress(int percent) {
    pbProgress->setValue(percent);
}
