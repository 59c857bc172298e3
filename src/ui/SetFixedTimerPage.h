#pragma once
// Page "定开设置": the schedules of the four editable plans.

#include "ui/RtuPage.h"

class TSetFixedTimerPage : public TRtuPage {
    Q_OBJECT
public:
    explicit TSetFixedTimerPage(QWidget* parent = nullptr);
};
