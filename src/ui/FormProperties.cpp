#include "ui/FormProperties.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>
#include <exception>

#include "app/Logs.h"
#include "app/Paths.h"
#include "platform/Clock.h"
#include "platform/ProfileFile.h"
#include "ui/UiText.h"

namespace {

constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;
constexpr int kLeastWidth = 30;
constexpr int kLeastHeight = 20;

QSize ScreenSize() {
    return QGuiApplication::primaryScreen()->size();
}

// The place read back, or (0, 0) when it lies off the screen.
QPoint CheckedPosition(const TProfileData& data, const std::string& section) {
    const int left = data.ReadInteger(section, "FormLeft", 0);
    const int top = data.ReadInteger(section, "FormTop", 0);
    const QSize screen = ScreenSize();
    if (left < 0 || left > screen.width() || top < 0 || top > screen.height()) return {0, 0};
    return {left, top};
}

void WritePosition(TProfileEdit& edit, const std::string& section, const QWidget& form) {
    edit.WriteInteger(section, "FormLeft", form.x());
    edit.WriteInteger(section, "FormTop", form.y());
}

// Saving happens while forms close: a settings file that cannot be written is logged, and
// the form still closes.
void UpdateSettingsFile(const std::function<void(TProfileEdit&)>& edits) {
    const std::string file = SettingsFile();
    if (file.empty()) return;
    try {
        TProfileFile(file).Update(edits);
    } catch (const std::exception& e) {
        ShowError("FormProperties", e.what());
    }
}

std::shared_ptr<const TProfileData> ReadSettingsFile() {
    const std::string file = SettingsFile();
    if (file.empty()) return std::make_shared<TProfileData>();
    try {
        return TProfileFile(file).Read();
    } catch (const std::exception& e) {
        ShowError("FormProperties", e.what());
        return std::make_shared<TProfileData>();
    }
}

std::string Key(const QWidget& control, const char* suffix) {
    return S(control.objectName()) + suffix;
}

QDateTime ToQDateTime(TDateTime t) {
    const TDateParts d = DecodeDate(t);
    const TTimeParts h = DecodeTime(t);
    return QDateTime(QDate(d.Year, d.Month, d.Day), QTime(h.Hour, h.Minute, h.Second));
}

TDateTime FromQDateTime(const QDateTime& t) {
    return EncodeDateTime(t.date().year(), t.date().month(), t.date().day(), t.time().hour(),
                          t.time().minute(), t.time().second());
}

}  // namespace

TFormProperties::TFormProperties(const std::string& formClass)
    : Section_("PropertyOf" + formClass + "_0") {}

void TFormProperties::RestorePosition(QWidget& form) const {
    form.move(CheckedPosition(*ReadSettingsFile(), Section_));
}

void TFormProperties::SavePosition(const QWidget& form) const {
    UpdateSettingsFile([&](TProfileEdit& edit) { WritePosition(edit, Section_, form); });
}

void TFormProperties::RestoreLayout(QWidget& form) const {
    const auto data = ReadSettingsFile();
    if (data->ReadBool(Section_, "FormMaximized", false)) {
        QTimer::singleShot(0, &form, [&form] { form.showMaximized(); });
        return;
    }
    const QSize screen = ScreenSize();
    int width = data->ReadInteger(Section_, "FormWidth", kDefaultWidth);
    int height = data->ReadInteger(Section_, "FormHeight", kDefaultHeight);
    if (width < kLeastWidth || width > screen.width() || height < kLeastHeight ||
        height > screen.height()) {
        width = screen.width();
        height = screen.height();
    }
    form.move(CheckedPosition(*data, Section_));
    form.resize(width, height);
}

void TFormProperties::SaveLayout(const QWidget& form) const {
    UpdateSettingsFile([&](TProfileEdit& edit) {
        edit.WriteBool(Section_, "FormMaximized", form.isMaximized());
        if (form.isMaximized()) return;
        WritePosition(edit, Section_, form);
        edit.WriteInteger(Section_, "FormWidth", form.width());
        edit.WriteInteger(Section_, "FormHeight", form.height());
    });
}

void TFormProperties::LoadControlValues(QWidget& form, const QStringList& names) const {
    const auto data = ReadSettingsFile();
    for (const QString& name : names) {
        if (auto* control = form.findChild<QWidget*>(name)) {
            RestoreControlValue(*data, Section_, *control);
        }
    }
}

void TFormProperties::SaveControlValues(const QWidget& form, const QStringList& names) const {
    UpdateSettingsFile([&](TProfileEdit& edit) {
        for (const QString& name : names) {
            if (const auto* control = form.findChild<const QWidget*>(name)) {
                SaveControlValue(edit, Section_, *control);
            }
        }
    });
}

void RestoreControlValue(const TProfileData& data, const std::string& section, QWidget& control) {
    if (auto* box = qobject_cast<QCheckBox*>(&control)) {
        box->setChecked(data.ReadBool(section, Key(control, ".Checked"), false));
    } else if (auto* radio = qobject_cast<QRadioButton*>(&control)) {
        radio->setChecked(data.ReadBool(section, Key(control, ".Checked"), false));
    } else if (auto* combo = qobject_cast<QComboBox*>(&control)) {
        const int index = data.ReadInteger(section, Key(control, ".ItemIndex"), 0);
        if (index >= -1 && index <= combo->count() - 1) combo->setCurrentIndex(index);
    } else if (auto* edit = qobject_cast<QLineEdit*>(&control)) {
        edit->setText(Q(data.ReadString(section, Key(control, ".Text"))));
    } else if (auto* label = qobject_cast<QLabel*>(&control)) {
        label->setText(Q(data.ReadString(section, Key(control, ".Caption"))));
    } else if (auto* picker = qobject_cast<QDateTimeEdit*>(&control)) {
        picker->setDateTime(ToQDateTime(data.ReadDateTime(section, Key(control, ".DateTime"), Now())));
    } else if (auto* pages = qobject_cast<QTabWidget*>(&control)) {
        pages->setCurrentIndex(data.ReadInteger(section, Key(control, ".TabIndex"), 0));
    }
}

void SaveControlValue(TProfileEdit& edit, const std::string& section, const QWidget& control) {
    if (const auto* box = qobject_cast<const QCheckBox*>(&control)) {
        edit.WriteBool(section, Key(control, ".Checked"), box->isChecked());
    } else if (const auto* radio = qobject_cast<const QRadioButton*>(&control)) {
        edit.WriteBool(section, Key(control, ".Checked"), radio->isChecked());
    } else if (const auto* combo = qobject_cast<const QComboBox*>(&control)) {
        edit.WriteInteger(section, Key(control, ".ItemIndex"), combo->currentIndex());
    } else if (const auto* line = qobject_cast<const QLineEdit*>(&control)) {
        edit.WriteString(section, Key(control, ".Text"), S(line->text()));
    } else if (const auto* label = qobject_cast<const QLabel*>(&control)) {
        edit.WriteString(section, Key(control, ".Caption"), S(label->text()));
    } else if (const auto* picker = qobject_cast<const QDateTimeEdit*>(&control)) {
        edit.WriteDateTime(section, Key(control, ".DateTime"), FromQDateTime(picker->dateTime()));
    } else if (const auto* pages = qobject_cast<const QTabWidget*>(&control)) {
        edit.WriteInteger(section, Key(control, ".TabIndex"), pages->currentIndex());
    }
}
