#pragma once
// Page "控制器状态": the controller's state, and the reset flag whose label opens the
// data-area reset.

#include "ui/RtuPage.h"

class QLabel;

class TRtuStatusPage : public TRtuPage {
    Q_OBJECT
public:
    explicit TRtuStatusPage(QWidget* parent = nullptr);

signals:
    // The label "复位标志:" was double-clicked.
    void ResetRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* lblReset;
};
