// The window tests run without a display, on one application object for the whole run.

#include <gtest/gtest.h>

#include <QtGlobal>

#include "ui/QtMainThread.h"
#include "ui/RtuApplication.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    TRtuApplication app(argc, argv);
    TQtMainThreadBridge bridge;
    return RUN_ALL_TESTS();
}
