#include "ui/SetFixedTimerPage.h"

TSetFixedTimerPage::TSetFixedTimerPage(QWidget* parent) : TRtuPage("tsSetFixedTimer", "定开设置", parent) {}
