#include "editor/window/SettingsPanel.h"

#include "ui_FotoloomWindow.h"

#include "editor/CollageKeyBinding.h"
#include "editor/FotoloomController.h"
#include "editor/window/ColorPanels.h"
#include "editor/window/CommandActions.h"
#include "layouts/CollageTypes.h"
#include "model/Collage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

#include <cmath>

namespace qf {

namespace {

using Kind = SettingsControl::Kind;

int sliderSteps(double value, double step)
{
    const double steps = value / step;
    if (!std::isfinite(steps))
        return 0;
    return int(std::lround(std::clamp(steps, -1e9, 1e9)));
}

// Scrolls its area to the top when the watched content changes height.
class ScrollToTop : public QObject {
public:
    ScrollToTop(QScrollArea* area)
        : QObject(area)
        , m_area(area)
    {
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize) {
            const auto* resize = static_cast<QResizeEvent*>(event);
            if (resize->size().height() != resize->oldSize().height())
                m_area->verticalScrollBar()->setValue(m_area->verticalScrollBar()->minimum());
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QScrollArea* m_area;
};

// A wheel turned over a slider, popup or stepper while the panel scrolls
// goes on scrolling the panel; the control takes it once it has the focus.
class WheelScrollsPanel : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Wheel && !static_cast<QWidget*>(watched)->hasFocus()) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

SettingsPanel::SettingsPanel(FotoloomController& controller, Ui::FotoloomWindow& ui, ColorPanels& colorPanels,
                             CommandActions& commands, QWidget* window)
    : QObject(window)
    , m_controller(controller)
    , m_ui(ui)
    , m_colorPanels(colorPanels)
    , m_commands(commands)
    , m_window(window)
{
    m_wheelFilter = new WheelScrollsPanel(this);
    scrollToTopOnChange(m_ui.settingsOptionsScrollView);
    showCurrentType();
}

SettingsPanel::~SettingsPanel()
{
    m_bindings.clear();
}

void SettingsPanel::scrollToTopOnChange(QScrollArea* area)
{
    if (QWidget* content = area->widget())
        content->installEventFilter(new ScrollToTop(area));
}

void SettingsPanel::showCurrentType()
{
    const QString type = m_controller.collage()->collageType();
    if (type == m_shownType)
        return;
    m_shownType = type;
    const QList<const SettingsBox*> boxes = CollageTypes::boxesOf(type);
    QStringList shown;
    for (const SettingsBox* box : boxes)
        shown.append(box->name);
    // Another type's boxes let go of their controls and hide.
    for (const QString& name : CollageTypes::allLayoutBoxes())
        if (auto* widget = m_window->findChild<QGroupBox*>(name); widget && !shown.contains(name)) {
            clear(name);
            widget->hide();
        }
    // The type's own boxes are filled anew; those every type shows once.
    for (const SettingsBox* box : boxes)
        if (box == boxes.value(0) || box == boxes.value(1) || !m_bindings.count(box->name))
            fill(*box);
    for (const SettingsBox* box : boxes)
        if (auto* widget = m_window->findChild<QGroupBox*>(box->name))
            widget->show();
    m_ui.settingsOptionsScrollView->verticalScrollBar()->setValue(0);
}

void SettingsPanel::fill(const SettingsBox& rows)
{
    auto* box = m_window->findChild<QGroupBox*>(rows.name);
    auto* form = box ? box->findChild<QFormLayout*>() : nullptr;
    if (!form)
        return;
    clear(rows.name);
    m_bindings[rows.name].clear();

    QHBoxLayout* buttonRow = nullptr;
    QString buttonRowLabel;
    for (const SettingsControl& control : rows.controls) {
        QWidget* widget = makeControl(control, box);
        if (!widget)
            continue;
        widget->setProperty("qfFromRow", true);
        if (control.kind == Kind::Slider || control.kind == Kind::Popup || control.kind == Kind::Stepper) {
            widget->setFocusPolicy(Qt::StrongFocus);
            widget->installEventFilter(m_wheelFilter);
        }
        if (!control.toolTip.isEmpty())
            widget->setToolTip(control.toolTip);
        if (control.kind == Kind::Button) {
            // Buttons with one label share a row.
            if (!buttonRow || buttonRowLabel != control.label) {
                buttonRow = new QHBoxLayout;
                buttonRowLabel = control.label;
                if (control.label.isEmpty())
                    form->addRow(buttonRow);
                else
                    form->addRow(control.label, buttonRow);
            }
            buttonRow->addWidget(widget);
            continue;
        }
        buttonRow = nullptr;
        if (control.kind == Kind::CheckBox || control.kind == Kind::Note || control.label.isEmpty())
            form->addRow(widget);
        else
            form->addRow(control.label, widget);
    }
    if (buttonRow)
        buttonRow->addStretch();
}

void SettingsPanel::clear(const QString& name)
{
    // Bindings go before the controls they show into.
    m_bindings.erase(name);
    auto* box = m_window->findChild<QGroupBox*>(name);
    auto* form = box ? box->findChild<QFormLayout*>() : nullptr;
    if (!form)
        return;
    // Rows of the window layout itself (the type, size and orientation) stay.
    for (int row = form->rowCount() - 1; row >= 0; --row) {
        QLayoutItem* field = form->itemAt(row, QFormLayout::FieldRole);
        if (!field)
            field = form->itemAt(row, QFormLayout::SpanningRole);
        QWidget* widget = field ? field->widget() : nullptr;
        if (!widget || widget->property("qfFromRow").toBool())
            form->removeRow(row);
    }
}

void SettingsPanel::bind(const QString& box, const QString& key, std::function<void(const QVariant&)> shown)
{
    m_bindings[box].push_back(std::make_unique<CollageKeyBinding>(m_controller, key, std::move(shown)));
}

CollageKeyBinding* SettingsPanel::bindWritable(const QString& box, const QString& key,
                                               std::function<void(const QVariant&)> shown)
{
    bind(box, key, std::move(shown));
    return m_bindings[box].back().get();
}

QWidget* SettingsPanel::makeControl(const SettingsControl& control, QWidget* box)
{
    const QString boxName = box->objectName();
    // Enabled by its own key, or while the collage has the control's key.
    const bool ownEnabling = !control.enabledKey.isEmpty();
    const auto enabling = [this, &control, &boxName](QWidget* widget) {
        if (!control.enabledKey.isEmpty())
            bind(boxName, control.enabledKey,
                 [widget](const QVariant& v) { widget->setEnabled(CollageCommand::truthy(v)); });
    };
    switch (control.kind) {
    case Kind::Slider: {
        auto* slider = new QSlider(Qt::Horizontal, box);
        const double step = control.step > 0 ? control.step : 0.001;
        slider->setRange(sliderSteps(control.minimum, step), sliderSteps(control.maximum, step));
        CollageKeyBinding* b = bindWritable(boxName, control.key, [slider, step, ownEnabling](const QVariant& v) {
            if (!ownEnabling)
                slider->setEnabled(v.isValid());
            bool isNumber = false;
            const double value = v.toDouble(&isNumber);
            if (isNumber && std::isfinite(value))
                slider->setValue(sliderSteps(value, step));
        });
        connect(slider, &QSlider::valueChanged, slider, [b, step](int value) { b->write(value * step); });
        // A drag is one undo step; a click on the track or a key is one by itself.
        connect(slider, &QSlider::sliderPressed, slider, [this] { m_controller.beginContinuousChange(); });
        connect(slider, &QSlider::sliderReleased, slider, [this] { m_controller.endContinuousChange(); });
        slider->setObjectName(control.name);
        enabling(slider);
        return slider;
    }
    case Kind::CheckBox: {
        auto* check = new QCheckBox(control.label, box);
        CollageKeyBinding* b = bindWritable(boxName, control.key, [check, ownEnabling](const QVariant& v) {
            if (!ownEnabling)
                check->setEnabled(v.isValid());
            check->setChecked(v.toBool());
        });
        connect(check, &QCheckBox::toggled, check, [b](bool on) { b->write(on); });
        check->setObjectName(control.name);
        enabling(check);
        return check;
    }
    case Kind::Colour: {
        auto* button = new QPushButton(tr("Choose…"), box);
        const QString key = control.key;
        CollageKeyBinding* b = bindWritable(boxName, key, [this, button, key](const QVariant& v) {
            button->setEnabled(v.isValid());
            // An open panel follows the collage (another collage after an undo).
            m_colorPanels.follow(key, v);
        });
        const QString title = control.title.isEmpty() ? control.label : control.title;
        connect(button, &QPushButton::clicked, button, [this, b, key, title] {
            m_colorPanels.open(
                key, title, [b] { return b->value(); }, [b](const QVariant& v) { b->write(v); });
        });
        button->setObjectName(control.name);
        return button;
    }
    case Kind::Stepper: {
        auto* stepper = new QSpinBox(box);
        stepper->setRange(int(control.minimum), int(control.maximum));
        bind(boxName, control.key, [stepper](const QVariant& v) {
            QSignalBlocker block(stepper);
            if (v.isValid())
                stepper->setValue(int(std::clamp<qint64>(v.toLongLong(), stepper->minimum(), stepper->maximum())));
        });
        // A typed count applies once, when the typing ends (Return or leaving
        // the field); the arrows apply at once.
        stepper->setKeyboardTracking(false);
        const QString command = control.command;
        connect(stepper, &QSpinBox::valueChanged, stepper,
                [this, command](int n) { (void)m_controller.runner().runCommand(command, {n, {}}); });
        stepper->setObjectName(control.name);
        enabling(stepper);
        return stepper;
    }
    case Kind::Popup: {
        auto* popup = new QComboBox(box);
        popup->addItems(control.items);
        CollageKeyBinding* b = bindWritable(boxName, control.key, [popup, ownEnabling](const QVariant& v) {
            QSignalBlocker block(popup);
            if (!ownEnabling)
                popup->setEnabled(v.isValid());
            const qint64 index = v.toLongLong();
            popup->setCurrentIndex(index >= 0 && index < popup->count() ? int(index) : -1);
        });
        connect(popup, &QComboBox::activated, popup, [b](int index) { b->write(qint64(index)); });
        popup->setObjectName(control.name);
        enabling(popup);
        return popup;
    }
    case Kind::Button:
        return m_commands.makeButton(control.command, box);
    case Kind::Label: {
        auto* label = new QLabel(box);
        bind(boxName, control.key, [label](const QVariant& v) { label->setText(v.toString()); });
        label->setObjectName(control.name);
        return label;
    }
    case Kind::Note: {
        auto* note = new QLabel(control.label, box);
        note->setWordWrap(true);
        note->setObjectName(control.name);
        return note;
    }
    }
    return nullptr;
}

} // namespace qf
