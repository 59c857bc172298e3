#pragma once
// The application object: an exception that escapes an event handler ends here, in the
// error log and in the report function the main window puts in place.

#include <QApplication>
#include <functional>
#include <string>

inline constexpr const char* kApplicationTitle = "澄岚智能化可编程路灯控制器实用工具 14.04.01";

class TRtuApplication : public QApplication {
    Q_OBJECT
public:
    TRtuApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

// What an unexpected exception's message is shown with (besides the error log); none: only
// the log.
void SetUnexpectedErrorReport(std::function<void(const std::string&)> report);
// ShowError("AppException:", message) and the report.
void ReportUnexpectedError(const std::string& message);

// Runs a handler; a failed check shows its message, anything else is reported as
// unexpected. Every handler of a control runs through it, so a failing button never fails
// silently.
void RunGuarded(const std::function<void()>& handler);
