#include "ui/AdminToolsNewPage.h"

TAdminToolsNewPage::TAdminToolsNewPage(QWidget* parent) : TRtuPage("tsAdminToolsNew", "控制器设置", parent) {}
