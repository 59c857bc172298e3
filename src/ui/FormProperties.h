#pragma once
// Window positions and remembered control values in the settings file, one section per form
// ("PropertyOf" + form class + "_" + user number; the user number is always 0).

#include <QStringList>
#include <string>

class QWidget;
class TProfileData;
class TProfileEdit;

class TFormProperties {
public:
    explicit TFormProperties(const std::string& formClass);

    const std::string& Section() const { return Section_; }

    // "FormLeft" and "FormTop"; a place off the screen puts the form at (0, 0).
    void RestorePosition(QWidget& form) const;
    void SavePosition(const QWidget& form) const;
    // Resizable forms: also "FormMaximized", "FormWidth" and "FormHeight".
    void RestoreLayout(QWidget& form) const;
    void SaveLayout(const QWidget& form) const;
    // The named controls of the form, each by its kind; names the form does not hold are
    // passed over.
    void LoadControlValues(QWidget& form, const QStringList& names) const;
    void SaveControlValues(const QWidget& form, const QStringList& names) const;

private:
    std::string Section_;
};

// One control by its kind: check boxes and radio buttons (".Checked"), combo boxes
// (".ItemIndex"), edits (".Text"), labels (".Caption"), date-time pickers (".DateTime"), page
// controls (".TabIndex"). Other kinds are passed over.
void RestoreControlValue(const TProfileData& data, const std::string& section, QWidget& control);
void SaveControlValue(TProfileEdit& edit, const std::string& section, const QWidget& control);
