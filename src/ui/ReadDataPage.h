#pragma once
// Page "回路状态": loop status, voltages, currents and meters.

#include "ui/RtuPage.h"

class TReadDataPage : public TRtuPage {
    Q_OBJECT
public:
    explicit TReadDataPage(QWidget* parent = nullptr);
};
