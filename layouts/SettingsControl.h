#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace qf {

class Collage;

// One control of a settings box, declared once: the editor makes the widget
// and binds it to a key of the collage from this row.
struct SettingsControl {
    enum class Kind {
        Slider,   // a number between `minimum` and `maximum`, in steps of `step`
        CheckBox, // a flag; `label` is the box's text
        Colour,   // a colour; the button opens a colour panel titled `title`
        Stepper,  // an integer shown from `key`; a change runs `command` with it
        Popup,    // an integer: the index of one of `items`
        Button,   // runs `command`; buttons sharing a label share a row
        Label,    // shows the key's value after `label`
        Note,     // `label` as a note to the user
    };

    Kind kind = Kind::Note;
    // The widget's object name.
    QString name;
    QString label;
    QString key;
    QString toolTip;
    double minimum = 0.0;
    double maximum = 1.0;
    double step = 0.001;
    QStringList items;
    QString command;
    // The colour panel's title.
    QString title;
    // The key that enables the control, read as a flag; empty: enabled while
    // the collage has `key`.
    QString enabledKey;
    // Run after the key changed through its control (a layout that has to
    // follow the new value).
    std::function<void(Collage&)> followUp;

    // Rows of the common kinds; texts are translated.
    static SettingsControl checkBox(const char* name, const char* key, const char* label, const char* toolTip = "");
    static SettingsControl slider(const char* name, const char* key, const char* label, double minimum,
                                  double maximum, const char* toolTip = "");
    static SettingsControl colour(const char* name, const char* key, const char* label, const char* title);
    // A button running `command`; buttons sharing a label share a row.
    static SettingsControl button(const char* command, const char* label = "");
    static SettingsControl value(const char* name, const char* key, const char* label);
};

// A settings box of the window and the controls it holds for a type.
struct SettingsBox {
    QString name;
    QList<SettingsControl> controls;
};

} // namespace qf
