#include "ui/LCUSetupPage.h"

TLCUSetupPage::TLCUSetupPage(QWidget* parent) : TRtuPage("tsLCUSetup", "单灯设置", parent) {}
