// rtu-utility: the service engineers' window on the street-lamp controllers.
//
// "--screenshot FILE" saves a picture of the started window as PNG and ends the program
// (the picture of the manual).

#include <QTimer>
#include <memory>
#include <string>

#include "app/SystemInit.h"
#include "ui/QtMainThread.h"
#include "ui/QtUserDialogs.h"
#include "ui/RtuApplication.h"
#include "ui/ufrmTest.h"

namespace {

QString ScreenshotArgument(int argc, char** argv) {
    for (int k = 1; k + 1 < argc; ++k) {
        if (std::string(argv[k]) == "--screenshot") return QString::fromLocal8Bit(argv[k + 1]);
    }
    return {};
}

// Once the window has started, saves its picture and ends the program.
void TakeScreenshotWhenStarted(TfrmTest& window, const QString& file) {
    auto* timer = new QTimer(&window);
    QObject::connect(timer, &QTimer::timeout, &window, [&window, timer, file] {
        if (!window.Started()) return;
        timer->stop();
        window.grab().save(file, "PNG");
        QCoreApplication::exit(0);
    });
    timer->start(200);
}

}  // namespace

int main(int argc, char** argv) {
    TRtuApplication app(argc, argv);
    TQtMainThreadBridge bridge;
    TQtUserDialogs dialogs;
    if (!InitApplication(argc, argv)) return 1;
    int result = 0;
    {
        // The window goes before the bridge and the dialogs it uses while it closes.
        auto window = std::make_unique<TfrmTest>();
        const QString screenshot = ScreenshotArgument(argc, argv);
        if (!screenshot.isEmpty()) TakeScreenshotWhenStarted(*window, screenshot);
        window->show();
        result = app.exec();
    }
    DoneApplication();
    return result;
}
