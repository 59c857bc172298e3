#include "ui/SetTempTimerPage.h"

TSetTempTimerPage::TSetTempTimerPage(QWidget* parent) : TRtuPage("tsSetTempTimer", "临开设置", parent) {}
