#include "ui/ReadDataPage.h"

TReadDataPage::TReadDataPage(QWidget* parent) : TRtuPage("tsReadData", "回路状态", parent) {}
