#pragma once
// The main-thread bridge on Qt's event loop: posted window messages become events of their
// own numbers sent to the window, synchronous calls run as blocking queued calls, and watched
// descriptors get a socket notifier.

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <cstdint>
#include <map>

#include "platform/MainThread.h"

// A posted window message; its event type is the message number.
class TWindowMessageEvent : public QEvent {
public:
    TWindowMessageEvent(int msg, std::intptr_t wParam, std::intptr_t lParam)
        : QEvent(static_cast<QEvent::Type>(msg)), WParam(wParam), LParam(lParam) {}
    int Message() const { return static_cast<int>(type()); }
    const std::intptr_t WParam;
    const std::intptr_t LParam;
};

// Created on the main thread, installed with SetMainThread for its lifetime.
class TQtMainThreadBridge : public QObject, public TMainThreadBridge {
    Q_OBJECT
public:
    TQtMainThreadBridge();
    ~TQtMainThreadBridge() override;

    // The window that receives the posted messages; messages without one are dropped.
    void SetMessageTarget(QObject* target);

    void PostMessage(int msg, std::intptr_t wParam, std::intptr_t lParam) override;
    void Synchronize(const std::function<void()>& call) override;
    void ProcessMessages() override;
    int WatchReadable(int fd, std::function<void()> callback) override;
    void StopWatching(int id) override;

private:
    QPointer<QObject> Target_;
    std::map<int, QSocketNotifier*> Watches_;
    int NextWatch_ = 1;
};
