#pragma once
// Message boxes, confirmations, the input box and the wait message, as the core asks for
// them. The window layer puts its own implementation in place; without one (tests, the
// headless programs) nothing is shown and questions get their default answer.

#include <optional>
#include <string>

class TUserDialogs {
public:
    virtual ~TUserDialogs() = default;
    virtual void ShowMessage(const std::string& text) = 0;
    // True for the first button.
    virtual bool Confirm(const std::string& message, const std::string& firstButton,
                         const std::string& secondButton, const std::string& title) = 0;
    // The text entered, or nullopt when the user cancels.
    virtual std::optional<std::string> InputBox(const std::string& caption,
                                                const std::string& prompt,
                                                const std::string& initial) = 0;
    virtual void ShowWaitMessage(const std::string& text) = 0;
    virtual void HideWaitMessage() = 0;
};

// The dialogs in force (a silent implementation until one is set).
TUserDialogs& Dialogs();
// nullptr restores the silent implementation. The caller keeps the object alive.
void SetDialogs(TUserDialogs* dialogs);

// Shows the wait message for the lifetime of the object: it is hidden again whatever happens
// meanwhile.
class TWaitMessage {
public:
    explicit TWaitMessage(const std::string& text) { Dialogs().ShowWaitMessage(text); }
    ~TWaitMessage() { Dialogs().HideWaitMessage(); }
    TWaitMessage(const TWaitMessage&) = delete;
    TWaitMessage& operator=(const TWaitMessage&) = delete;
};

// The texts the program puts in its confirmations.
inline constexpr const char* kConfirmTitle = "请确认";
inline constexpr const char* kYes = "是";
inline constexpr const char* kNo = "否";
bool Confirm(const std::string& message, const std::string& firstButton = kYes,
             const std::string& secondButton = kNo, const std::string& title = kConfirmTitle);
