#pragma once
// Texts between the core (UTF-8 std::string) and the widgets (QString), and the number
// conversions of the input fields.

#include <QString>
#include <optional>
#include <string>

inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}
inline std::string S(const QString& text) {
    return text.toStdString();
}

// The whole trimmed text as a decimal integer (an optional sign, digits only); nullopt else.
std::optional<int> TextToInt(const QString& text);
// What the user is told of a text that is not an integer.
std::string ConversionMessage(const QString& text);
// The whole trimmed text as a decimal number with '.' as the separator; nullopt else.
std::optional<double> TextToFloat(const QString& text);

// "经度(" + -180 + "-" + 180 + "):" and the like: a caption around two bound numbers.
QString BoundsText(const QString& head, int low, const QString& between, int high,
                   const QString& tail);
