#pragma once
// A page of the main window's page control. Each page shows the records of its data items
// when their replies arrive and puts its controls back to their start values at first show.

#include <QWidget>

class TRtuPage : public QWidget {
    Q_OBJECT
public:
    TRtuPage(const char* name, const char* caption, QWidget* parent = nullptr);

    const QString& Caption() const { return Caption_; }

    // The freshly parsed record of the item is shown when it is one of this page's items.
    // True when the page showed it.
    virtual bool ShowDataItem(int item);
    // The state of the page when the window is first shown.
    virtual void ResetForFirstShow();
    // The lamp modes of the current station changed (a page that lists them refills them).
    virtual void RefreshLampModeLists();

private:
    QString Caption_;
};
