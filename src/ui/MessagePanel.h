#pragma once
// The message panel: every command, reply and result of the run as one line, alarms in red.

#include <QColor>
#include <QTextEdit>

class TMessagePanel : public QTextEdit {
    Q_OBJECT
public:
    // More lines than this empty the panel before the next line.
    static constexpr int kMaxLines = 500;

    explicit TMessagePanel(QWidget* parent = nullptr);

    // Appends a line; a colour other than the text colour shows the line bold in it. The
    // panel scrolls to the new line.
    void AddMessage(const QString& text, const QColor& colour = QColor());
    int LineCount() const;
    // Empties the panel and gives it the focus.
    void ClearMessages();
};
