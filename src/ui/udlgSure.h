#pragma once
// The yes/no box every question of the program goes through.

#include <QDialog>

class QLabel;
class QPushButton;

class TdlgSure : public QDialog {
    Q_OBJECT
public:
    TdlgSure(const QString& message, const QString& firstButton, const QString& secondButton,
             const QString& caption, QWidget* parent = nullptr);

    // Modal; true when the first button closed the box.
    static bool Ask(const QString& message, const QString& firstButton,
                    const QString& secondButton, const QString& caption,
                    QWidget* parent = nullptr);

    // Sizes the box around its message and places the message and the buttons; a box that
    // changes size keeps its centre where it was.
    void ArrangeForMessage();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* lblMessage;
    QPushButton* btnOk;
    QPushButton* btnCancel;
};
