#pragma once
// Page "单灯设置": the tables of the single-lamp units.

#include "ui/RtuPage.h"

class TLCUSetupPage : public TRtuPage {
    Q_OBJECT
public:
    explicit TLCUSetupPage(QWidget* parent = nullptr);
};
