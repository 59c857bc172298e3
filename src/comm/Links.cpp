#include "comm/Links.h"

#include "app/Settings.h"
#include "app/UserDialogs.h"
#include "comm/CommSlots.h"
#include "comm/ModeTiming.h"
#include "comm/ReaderThrd.h"
#include "comm/UdpServer.h"
#include "comm/WriterThrd.h"
#include "comm/uthrdSender.h"

bool StartSerialLink() {
    const TSettings& settings = Settings();
    if (settings.PortName.empty()) {
        Dialogs().ShowMessage("端口参数错误.");
        return false;
    }
    if (!OpenCommPort(1, settings.PortName, settings.BaudRate, settings.ByteSize, settings.StopBits,
                      settings.Parity)) {
        Dialogs().ShowMessage("不能打开端口: " + settings.PortName + ".");
        return false;
    }
    if (!StartReader() || !StartWriter() || !StartSender()) {
        Dialogs().ShowMessage("不能建立读写线程.");
        return false;
    }
    return true;
}

bool StartLink() {
    const bool started = IsRemoteMode() ? StartUdpLink() : StartSerialLink();
    if (!started) StopLinks();
    return started;
}

void StopLinks() {
    TWaitMessage wait("正在关闭 .. .");
    StopReader();
    StopWriter();
    StopSender();
    for (int slot = 1; slot <= kSlotCount; ++slot) CloseCommPort(slot);
    StopUdpServer();
}
