#include "ui/LCUTestPage.h"

TLCUTestPage::TLCUTestPage(QWidget* parent) : TRtuPage("tsLCUTest", "单灯控制", parent) {}
