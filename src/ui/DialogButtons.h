#pragma once
// The "确  认" / "取  消" buttons of the small dialogs, right-aligned in one row; a widget given
// as `leading` stands at the left end (the region dialog's browse button).

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

struct TDialogButtons {
    QPushButton* Ok;
    QPushButton* Cancel;
    QHBoxLayout* Row;
};

TDialogButtons MakeDialogButtons(QDialog* dialog, QWidget* leading = nullptr);
