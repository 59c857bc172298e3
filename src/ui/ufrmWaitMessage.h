#pragma once
// The small wait message shown while commands are queued or the links are closing.

#include <QWidget>

class QLabel;

class TfrmWaitMessage : public QWidget {
    Q_OBJECT
public:
    explicit TfrmWaitMessage(QWidget* parent = nullptr);
    ~TfrmWaitMessage() override;

    // Sized to the text, centred on the screen and painted at once, so that it is seen while
    // the main thread stays busy. An empty text shows nothing.
    void ShowMessage(const QString& text);
    void HideMessage();

private:
    QLabel* lblMessage;
    bool CursorSet_ = false;
};
