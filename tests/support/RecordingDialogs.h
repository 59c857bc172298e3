#pragma once
// Dialogs that answer as told and remember what they were asked, in place for the lifetime
// of the object.

#include <string>
#include <vector>

#include "app/UserDialogs.h"

class RecordingDialogs : public TUserDialogs {
public:
    RecordingDialogs() { SetDialogs(this); }
    ~RecordingDialogs() override { SetDialogs(nullptr); }

    void ShowMessage(const std::string& text) override { Messages.push_back(text); }
    bool Confirm(const std::string& message, const std::string&, const std::string&,
                 const std::string&) override {
        Questions.push_back(message);
        return ConfirmAnswer;
    }
    std::optional<std::string> InputBox(const std::string&, const std::string& prompt,
                                        const std::string&) override {
        Questions.push_back(prompt);
        return InputAnswer;
    }
    void ShowWaitMessage(const std::string& text) override { Waits.push_back("show " + text); }
    void HideWaitMessage() override { Waits.push_back("hide"); }

    bool ConfirmAnswer = true;
    std::optional<std::string> InputAnswer;
    std::vector<std::string> Messages, Questions, Waits;
};
