// rtu-utility: the service engineers' window on the street-lamp controllers.

#include <memory>

#include "app/SystemInit.h"
#include "ui/QtMainThread.h"
#include "ui/QtUserDialogs.h"
#include "ui/RtuApplication.h"
#include "ui/ufrmTest.h"

int main(int argc, char** argv) {
    TRtuApplication app(argc, argv);
    TQtMainThreadBridge bridge;
    TQtUserDialogs dialogs;
    if (!InitApplication(argc, argv)) return 1;
    int result = 0;
    {
        // The window goes before the bridge and the dialogs it uses while it closes.
        auto window = std::make_unique<TfrmTest>();
        window->show();
        result = app.exec();
    }
    DoneApplication();
    return result;
}
