#include "ui/MessagePanel.h"

#include <QTextBlock>
#include <QTextCursor>

TMessagePanel::TMessagePanel(QWidget* parent) : QTextEdit(parent) {
    setObjectName("memMessages");
    setReadOnly(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QTextEdit::NoWrap);
}

int TMessagePanel::LineCount() const {
    return document()->isEmpty() ? 0 : document()->blockCount();
}

void TMessagePanel::AddMessage(const QString& text, const QColor& colour) {
    if (LineCount() > kMaxLines) clear();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (!document()->isEmpty()) cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    QTextCharFormat format;
    if (colour.isValid() && colour != palette().color(QPalette::Text)) {
        format.setForeground(colour);
        format.setFontWeight(QFont::Bold);
    }
    cursor.insertText(text, format);
    setTextCursor(cursor);
    ensureCursorVisible();
}

void TMessagePanel::ClearMessages() {
    clear();
    moveCursor(QTextCursor::Start);
    setFocus();
}
