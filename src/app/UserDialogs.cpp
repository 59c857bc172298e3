#include "app/UserDialogs.h"

#include <atomic>

namespace {

// With no one to ask, nothing is shown, every question is declined and every input
// cancelled: an unattended run never does what it would have had to confirm.
class TSilentDialogs : public TUserDialogs {
public:
    void ShowMessage(const std::string&) override {}
    bool Confirm(const std::string&, const std::string&, const std::string&,
                 const std::string&) override {
        return false;
    }
    std::optional<std::string> InputBox(const std::string&, const std::string&,
                                        const std::string&) override {
        return std::nullopt;
    }
    void ShowWaitMessage(const std::string&) override {}
    void HideWaitMessage() override {}
};

TSilentDialogs& SilentDialogs() {
    static TSilentDialogs dialogs;
    return dialogs;
}

std::atomic<TUserDialogs*> DialogsInForce{nullptr};

}  // namespace

TUserDialogs& Dialogs() {
    TUserDialogs* dialogs = DialogsInForce.load(std::memory_order_acquire);
    return dialogs ? *dialogs : SilentDialogs();
}

void SetDialogs(TUserDialogs* dialogs) {
    DialogsInForce.store(dialogs, std::memory_order_release);
}

bool Confirm(const std::string& message, const std::string& firstButton,
             const std::string& secondButton, const std::string& title) {
    return Dialogs().Confirm(message, firstButton, secondButton, title);
}
