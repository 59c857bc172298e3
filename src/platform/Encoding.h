#pragma once
// Texts are UTF-8 inside the program and GBK in the files it shares with the controller
// tools (INI files, logs) and in the controller's own texts. Conversion happens at those
// boundaries only.

#include <string>
#include <string_view>

// Bytes that have no counterpart become '?'; the conversion never fails.
std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8);

// Width of a UTF-8 text as the screens and reports count it: a Chinese character counts as
// two, an ASCII character as one (the length of its GBK form).
int GbkWidth(std::string_view utf8);

// The text padded on the right with blanks to the given GBK width (never cut).
std::string PadToGbkWidth(std::string_view utf8, int width);
