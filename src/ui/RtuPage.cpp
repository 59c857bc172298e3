#include "ui/RtuPage.h"

TRtuPage::TRtuPage(const char* name, const char* caption, QWidget* parent)
    : QWidget(parent), Caption_(QString::fromUtf8(caption)) {
    setObjectName(name);
}

bool TRtuPage::ShowDataItem(int) {
    return false;
}

void TRtuPage::ResetForFirstShow() {}

void TRtuPage::RefreshLampModeLists() {}
