#include "platform/CheckError.h"

void RaiseError(const std::string& message) {
    throw TCheckError(message);
}

void RaiseIf(bool condition, const std::string& message, TFocusTarget* control) {
    if (!condition) return;
    // The user corrects the value where it is wrong.
    if (control) control->TakeFocus();
    RaiseError(message);
}

void RaiseIfNot(bool condition, const std::string& message, TFocusTarget* control) {
    RaiseIf(!condition, message, control);
}
