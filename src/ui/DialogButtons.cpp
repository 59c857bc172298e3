#include "ui/DialogButtons.h"

TDialogButtons MakeDialogButtons(QDialog* dialog, QWidget* leading) {
    auto* ok = new QPushButton("确  认", dialog);
    ok->setObjectName("btnOk");
    ok->setDefault(true);
    auto* cancel = new QPushButton("取  消", dialog);
    cancel->setObjectName("btnCancel");
    auto* row = new QHBoxLayout;
    if (leading) row->addWidget(leading);
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return {ok, cancel, row};
}
