#pragma once
// The daily error log and the data log of status readings, both in LogFolder().
//
// Error-log lines go to "Sr" + yyyymmdd + ".txt" for the day of writing, as
// "yyyy-mm-dd hh:nn:ss category action detail result". Like every file the program shares
// with the controller tools they are GBK with CRLF line ends.

#include <string>

// The error-log file for the given moment.
std::string ErrorLogFile(double moment);
std::string DataLogFile();

// Appends one line to the error log. Callable from any thread; a line that cannot be written
// is lost without a word (the log is where errors go, it has nowhere to report its own).
void LogError(const std::string& category, const std::string& action, const std::string& detail,
              const std::string& result);

// An unexpected error: LogError("System", "Show Error", message, detail).
void ShowError(const std::string& message, const std::string& detail);

// Appends the text as one line to the data log (main thread). A failure goes to the error log
// as ShowError("DataRecord", what went wrong).
void AppendDataLog(const std::string& text);
