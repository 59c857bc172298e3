#pragma once
// Page "控制器设置": the controller's own settings (address, clock, place, alarms).

#include "ui/RtuPage.h"

class TAdminToolsNewPage : public TRtuPage {
    Q_OBJECT
public:
    explicit TAdminToolsNewPage(QWidget* parent = nullptr);
};
