#include "ui/SettingNewPage.h"

TSettingNewPage::TSettingNewPage(QWidget* parent) : TRtuPage("tsSettingNew", "运行参数", parent) {}
