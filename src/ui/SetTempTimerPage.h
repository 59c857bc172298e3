#pragma once
// Page "临开设置": the temporary plan and the temporary switch-on.

#include "ui/RtuPage.h"

class TSetTempTimerPage : public TRtuPage {
    Q_OBJECT
public:
    explicit TSetTempTimerPage(QWidget* parent = nullptr);
};
