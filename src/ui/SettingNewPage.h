#pragma once
// Page "运行参数": the switching parameters of the controller.

#include "ui/RtuPage.h"

class TSettingNewPage : public TRtuPage {
    Q_OBJECT
public:
    explicit TSettingNewPage(QWidget* parent = nullptr);
};
