#include "ui/RtuApplication.h"

#include <exception>

#include "app/Logs.h"
#include "app/UserDialogs.h"
#include "platform/CheckError.h"

namespace {
std::function<void(const std::string&)> gReport;
}  // namespace

TRtuApplication::TRtuApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName("rtu-utility");
    setApplicationDisplayName(QString::fromUtf8(kApplicationTitle));
}

bool TRtuApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ReportUnexpectedError(e.what());
    } catch (...) {
        ReportUnexpectedError("unknown exception");
    }
    return false;
}

void SetUnexpectedErrorReport(std::function<void(const std::string&)> report) {
    gReport = std::move(report);
}

void ReportUnexpectedError(const std::string& message) {
    ShowError("AppException:", message);
    if (gReport) gReport(message);
}

void RunGuarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const TCheckError& e) {
        Dialogs().ShowMessage(e.what());
    } catch (const std::exception& e) {
        ReportUnexpectedError(e.what());
    }
}
