#include "ui/UiText.h"

std::optional<int> TextToInt(const QString& text) {
    const QString trimmed = text.trimmed();
    bool ok = false;
    const int value = trimmed.toInt(&ok, 10);
    if (!ok) return std::nullopt;
    return value;
}

std::string ConversionMessage(const QString& text) {
    return "\"" + S(text.trimmed()) + "\" 不是有效的整数.";
}

std::optional<double> TextToFloat(const QString& text) {
    const QString trimmed = text.trimmed();
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    // toDouble also takes "inf" and "nan"; a place or a correction is never one of them.
    if (!ok || !qIsFinite(value)) return std::nullopt;
    return value;
}

QString BoundsText(const QString& head, int low, const QString& between, int high,
                   const QString& tail) {
    return head + QString::number(low) + between + QString::number(high) + tail;
}
