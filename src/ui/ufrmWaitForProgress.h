#pragma once
// The wait form with a progress bar for long jobs. The program creates it at start-up and
// keeps it ready; nothing long enough to need it runs yet.

#include <QDialog>

class QProgressBar;

class TfrmWaitForProgress : public QDialog {
    Q_OBJECT
public:
    explicit TfrmWaitForProgress(QWidget* parent = nullptr);
    // 0..100.
    void SetProgress(int percent);

private:
    QProgressBar* pbProgress;
};
