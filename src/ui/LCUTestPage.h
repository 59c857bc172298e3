#pragma once
// Page "单灯控制": switching single lamps through the single-lamp units.

#include "ui/RtuPage.h"

class TLCUTestPage : public TRtuPage {
    Q_OBJECT
public:
    explicit TLCUTestPage(QWidget* parent = nullptr);
};
