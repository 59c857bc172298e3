#pragma once
// The checks that fail raise TCheckError; its message is the text the user sees.

#include <stdexcept>
#include <string>

// What a check without a text of its own says.
inline constexpr const char* kGeneralCheckMessage = "发生了意外的情况, 建议您稍后再试一次.";

class TCheckError : public std::runtime_error {
public:
    explicit TCheckError(const std::string& message = kGeneralCheckMessage)
        : std::runtime_error(message) {}
};

// Something that can take the keyboard focus: the failing check hands it to the control
// that holds the wrong value before it raises. The window layer implements it.
class TFocusTarget {
public:
    virtual ~TFocusTarget() = default;
    virtual void TakeFocus() = 0;
};

[[noreturn]] void RaiseError(const std::string& message = kGeneralCheckMessage);
void RaiseIf(bool condition, const std::string& message = kGeneralCheckMessage,
             TFocusTarget* control = nullptr);
void RaiseIfNot(bool condition, const std::string& message = kGeneralCheckMessage,
                TFocusTarget* control = nullptr);
