#pragma once
// The program's message boxes, questions, input box and wait message as Qt dialogs. Created
// on the main thread, in force (SetDialogs) for its lifetime.

#include <memory>

#include "app/UserDialogs.h"

class TfrmWaitMessage;
class TfrmWaitForProgress;

class TQtUserDialogs : public TUserDialogs {
public:
    TQtUserDialogs();
    ~TQtUserDialogs() override;

    void ShowMessage(const std::string& text) override;
    bool Confirm(const std::string& message, const std::string& firstButton,
                 const std::string& secondButton, const std::string& title) override;
    std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                        const std::string& initial) override;
    void ShowWaitMessage(const std::string& text) override;
    void HideWaitMessage() override;

    TfrmWaitForProgress& ProgressForm() { return *Progress_; }

private:
    std::unique_ptr<TfrmWaitMessage> Wait_;
    std::unique_ptr<TfrmWaitForProgress> Progress_;
};
