#pragma once
// A main window started in a fresh program folder, with dialogs that answer as told.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>
#include <memory>
#include <string>

#include "support/RecordingDialogs.h"
#include "support/TempDir.h"
#include "app/Paths.h"
#include "stations/udiTest.h"
#include "ui/ufrmTest.h"

// Runs the event loop until `done` answers true; false when it did not within the limit (a
// guard against a hanging test, not a measurement).
inline bool ProcessEventsUntil(const std::function<bool()>& done, int limitMs = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

inline void ProcessPendingEvents() {
    for (int k = 0; k < 3; ++k) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

class WindowFixture : public testing::Test {
protected:
    WindowFixture() : Folder(Dir.Path()) {
        // Port 0: the system picks a free UDP port, so tests never clash.
        WriteSettings("ServerPort=0\r\n");
    }
    ~WindowFixture() override { StopWindow(); }

    void WriteSettings(const std::string& lines) {
        Dir.Write("rtu-utility.Ini", "[System]\r\n" + lines);
    }
    // Stations stored before the window starts; returns the new station's number.
    int StoreStation(const std::string& name, int kind, int address, const std::string& id = {}) {
        return TIDataTest(Dir.Path()).AddStation(name, kind, 0, id, address);
    }

    void StartWindow() {
        Window = std::make_unique<TfrmTest>();
        Window->SetPrompts(Prompts);
        Window->show();
        ASSERT_TRUE(ProcessEventsUntil([&] { return Window->Started(); }));
        Dialogs.Messages.clear();
    }
    void StopWindow() {
        if (!Window) return;
        Window->close();
        Window.reset();
    }

    template <class T>
    T* Find(const char* name) {
        T* widget = Window->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    std::string LastMessage() const {
        return Dialogs.Messages.empty() ? std::string() : Dialogs.Messages.back();
    }

    TempDir Dir;
    TScopedProgramFolder Folder;
    RecordingDialogs Dialogs;
    TfrmTestPrompts Prompts{
        [](const TPortSettings&) { return std::optional<TPortSettings>(); },
        [](const TRegion&) { return std::optional<TRegion>(); },
        [](const TGetStringRequest&) { return std::optional<std::string>(); }};
    std::unique_ptr<TfrmTest> Window;
};
