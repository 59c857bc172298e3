#include "ui/QtMainThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <exception>

TQtMainThreadBridge::TQtMainThreadBridge() {
    SetMainThread(this);
}

TQtMainThreadBridge::~TQtMainThreadBridge() {
    SetMainThread(nullptr);
}

void TQtMainThreadBridge::SetMessageTarget(QObject* target) {
    Target_ = target;
}

void TQtMainThreadBridge::PostMessage(int msg, std::intptr_t wParam, std::intptr_t lParam) {
    // QPointer is not safe across threads; the target is set once on the main thread before
    // any worker runs and cleared only after they have stopped.
    QObject* target = Target_.data();
    if (target) QCoreApplication::postEvent(target, new TWindowMessageEvent(msg, wParam, lParam));
}

void TQtMainThreadBridge::Synchronize(const std::function<void()>& call) {
    if (QThread::currentThread() == thread()) {
        call();
        return;
    }
    std::exception_ptr error;
    QMetaObject::invokeMethod(
        this,
        [&] {
            try {
                call();
            } catch (...) {
                error = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (error) std::rethrow_exception(error);
}

void TQtMainThreadBridge::ProcessMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents();
}

int TQtMainThreadBridge::WatchReadable(int fd, std::function<void()> callback) {
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    const int id = NextWatch_++;
    connect(notifier, &QSocketNotifier::activated, this, [callback = std::move(callback)] {
        callback();
    });
    Watches_[id] = notifier;
    return id;
}

void TQtMainThreadBridge::StopWatching(int id) {
    const auto it = Watches_.find(id);
    if (it == Watches_.end()) return;
    // The watch may be stopped from its own callback: the notifier goes once that returns.
    it->second->setEnabled(false);
    it->second->deleteLater();
    Watches_.erase(it);
}
