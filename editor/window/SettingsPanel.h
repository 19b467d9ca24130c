#pragma once

#include <QObject>
#include <QString>

#include <map>
#include <memory>
#include <vector>

class QScrollArea;
class QWidget;

namespace Ui {
class FotoloomWindow;
}

namespace qf {

class CollageKeyBinding;
class ColorPanels;
class CommandActions;
class FotoloomController;
struct SettingsBox;
struct SettingsControl;

// The settings tab: the boxes of the current collage type and those every
// type shows, each filled with the controls its rows declare and bound to
// the collage's keys. It scrolls back to the top when its content changes.
class SettingsPanel : public QObject {
    Q_OBJECT
public:
    SettingsPanel(FotoloomController& controller, Ui::FotoloomWindow& ui, ColorPanels& colorPanels,
                  CommandActions& commands, QWidget* window);
    ~SettingsPanel() override;

    // Shows the current collage's type: its boxes, filled again when the
    // type differs from the one shown.
    void showCurrentType();

    // Scrolls the area back to the top whenever its content's height changes.
    static void scrollToTopOnChange(QScrollArea* area);

private:
    void fill(const SettingsBox& box);
    // The box's controls made from rows go, with their bindings.
    void clear(const QString& box);
    QWidget* makeControl(const SettingsControl& control, QWidget* box);
    void bind(const QString& box, const QString& key, std::function<void(const QVariant&)> shown);
    CollageKeyBinding* bindWritable(const QString& box, const QString& key, std::function<void(const QVariant&)> shown);

    FotoloomController& m_controller;
    Ui::FotoloomWindow& m_ui;
    ColorPanels& m_colorPanels;
    CommandActions& m_commands;
    QWidget* m_window;
    QString m_shownType;
    QObject* m_wheelFilter = nullptr;
    // The bindings of each box's controls, by box name.
    std::map<QString, std::vector<std::unique_ptr<CollageKeyBinding>>> m_bindings;
};

} // namespace qf
