#include "editor/window/TextPanel.h"

#include "ui_FotoloomWindow.h"

#include "editor/CollageKeyBinding.h"
#include "editor/FotoloomController.h"
#include "editor/TextKeyBinding.h"
#include "editor/window/ColorPanels.h"
#include "editor/window/SettingsPanel.h"
#include "editor/window/FontPanel.h"
#include "editor/window/PanelWindows.h"
#include "model/Collage.h"
#include "model/TextPosition.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleValidator>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace qf {

namespace {

bool lineIsOn(const std::optional<qint64>& style)
{
    return style && (*style & TextAttributes::LineMask) != TextAttributes::LineNone;
}

QString sizeText(double size)
{
    return QString::number(size, 'g', 6);
}

} // namespace

TextPanel::TextPanel(FotoloomController& controller, Ui::FotoloomWindow& ui, ColorPanels& colorPanels,
                     UndoKeys& undoKeys, QWidget* window)
    : m_controller(controller)
    , m_ui(ui)
    , m_colorPanels(colorPanels)
    , m_undoKeys(undoKeys)
{
    buildControls();
    setFontPanel(std::make_unique<QtFontPanel>(window, &undoKeys));
    setUpEditor();
    setUpFont();
    setUpLook();
    // Everything but Add Text waits for a selected item.
    m_selected = std::make_unique<CollageKeyBinding>(
        m_controller, QStringLiteral("textInDrawingViewSelected"),
        [this](const QVariant& v) { m_ui.textOptionsFloatingView->setEnabled(v.toBool()); });
    connect(m_ui.addTextButton, &QPushButton::clicked, this, [this] { m_controller.text().addNewText(); });
    // Said while there is text to click and none is being edited.
    auto* hint = new QLabel(tr("Click a text on the canvas to edit it."), m_ui.textOptionsContainerStackView);
    hint->setObjectName(QStringLiteral("clickOnTextToEditLabel"));
    hint->setWordWrap(true);
    auto* stack = qobject_cast<QVBoxLayout*>(m_ui.textOptionsContainerStackView->layout());
    stack->insertWidget(stack->indexOf(m_ui.addTextButton) + 1, hint);
    m_clickToEdit = std::make_unique<CollageKeyBinding>(
        m_controller, QStringLiteral("showClickOnTextToEditLabel"),
        [hint](const QVariant& v) { hint->setVisible(v.toBool()); });
    SettingsPanel::scrollToTopOnChange(m_ui.textOptionsScrollView);
}

TextPanel::~TextPanel()
{
    m_ui.fontTextView->removeEventFilter(this);
    m_selected.reset();
    m_clickToEdit.reset();
    m_bindings.clear();
}

void TextPanel::focusEditor()
{
    m_editor->setFocus(Qt::MouseFocusReason);
    if (editorShowsHint())
        m_editor->selectAll();
}

QString TextPanel::newTextHint() const
{
    if (m_editor->isRightToLeft())
        return TextPosition::defaultContent();
    return tr("Type your text in the box on the right=>");
}

bool TextPanel::editorShowsHint() const
{
    // Projects keep either: the collage's own, or the one this window gave.
    const QString text = m_editor->toPlainText();
    return text == TextPosition::defaultContent() || text == newTextHint();
}

void TextPanel::setFontPanel(std::unique_ptr<FontPanel> panel)
{
    m_fontPanel = std::move(panel);
    connect(m_fontPanel.get(), &FontPanel::fontChosen, this,
            [this](const QFont& font) { m_controller.text().changeFont(font); });
    connect(m_fontPanel.get(), &FontPanel::attributesChosen, this,
            [this](bool underline, bool strikeOut) { m_controller.text().changeAttributes(underline, strikeOut); });
}

void TextPanel::openFontPanel()
{
    const TextPositionPtr item = m_controller.collage()->selectedText();
    if (!item)
        return;
    m_fontPanel->open(item->font(), lineIsOn(item->attributes().underlineStyle),
                      lineIsOn(item->attributes().strikethroughStyle));
}

void TextPanel::followFontPanel()
{
    if (!m_fontPanel || !m_fontPanel->isOpen())
        return;
    if (const TextPositionPtr item = m_controller.collage()->selectedText())
        m_fontPanel->follow(item->font(), lineIsOn(item->attributes().underlineStyle),
                            lineIsOn(item->attributes().strikethroughStyle));
}

TextKeyBinding& TextPanel::bind(const QString& key, std::function<void(const QVariant&)> shown)
{
    m_bindings.push_back(std::make_unique<TextKeyBinding>(m_controller, key, std::move(shown)));
    return *m_bindings.back();
}

// ---- the controls ------------------------------------------------------------------------

void TextPanel::buildControls()
{
    QWidget* floating = m_ui.textOptionsFloatingView;
    auto* column = qobject_cast<QVBoxLayout*>(floating->layout());
    m_editor = m_ui.fontTextView;
    m_family = m_ui.fontFamilyPopUpButton;

    const auto button = [floating](const char* name, const QString& text) {
        auto* b = new QPushButton(text, floating);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    const auto row = [](std::initializer_list<QWidget*> widgets) {
        auto* layout = new QHBoxLayout;
        for (QWidget* w : widgets)
            layout->addWidget(w);
        return layout;
    };
    const auto slider = [floating](const char* name) {
        auto* s = new QSlider(Qt::Horizontal, floating);
        s->setObjectName(QLatin1String(name));
        return s;
    };
    const auto popup = [floating](const char* name) {
        auto* c = new QComboBox(floating);
        c->setObjectName(QLatin1String(name));
        return c;
    };

    // Copy and remove belong with the item being edited.
    QPushButton* copy = button("copyTextButton", tr("Copy Text"));
    QPushButton* remove = button("removeTextButton", tr("Remove Text"));
    connect(copy, &QPushButton::clicked, this, [this] { m_controller.text().addNewByCopyingSelectedText(); });
    connect(remove, &QPushButton::clicked, this, [this] { m_controller.text().removeSelectedText(); });
    column->insertLayout(column->indexOf(m_editor) + 1, row({copy, remove}));

    // Labels above their controls: the side panel is narrow.
    auto* form = new QFormLayout;
    form->setRowWrapPolicy(QFormLayout::WrapAllRows);
    m_typeface = popup("fontTypefacePopUpButton");
    form->addRow(tr("Typeface"), m_typeface);

    m_size = popup("fontSizeComboBox");
    m_size->setEditable(true);
    m_size->setInsertPolicy(QComboBox::NoInsert);
    // Sizes are typed whole: completing "1" to "10" would change what was meant.
    m_size->setCompleter(nullptr);
    m_size->setValidator(
        new QDoubleValidator(TextPosition::minFontSize(), TextPosition::maxFontSize(), 2, m_size));
    QPushButton* smaller = button("decreaseFontSizeButton", QStringLiteral("−"));
    QPushButton* bigger = button("increaseFontSizeButton", QStringLiteral("+"));
    for (QPushButton* b : {smaller, bigger})
        b->setMaximumWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("MM")) + 16);
    connect(smaller, &QPushButton::clicked, this, [this] { m_controller.text().decreaseFontSize(); });
    connect(bigger, &QPushButton::clicked, this, [this] { m_controller.text().increaseFontSize(); });
    form->addRow(tr("Size"), row({smaller, m_size, bigger}));

    QPushButton* fonts = button("showFontPanelButton", tr("Font…"));
    connect(fonts, &QPushButton::clicked, this, &TextPanel::openFontPanel);
    form->addRow(QString(), fonts);

    // Left, centre, right, justified: the collage's alignment indexes.
    m_alignment = new QButtonGroup(this);
    m_alignment->setObjectName(QStringLiteral("textAlignmentControl"));
    auto* alignRow = new QHBoxLayout;
    const std::pair<const char*, QString> alignments[] = {{"alignLeftButton", tr("Left")},
                                                           {"alignCenterButton", tr("Centre")},
                                                           {"alignRightButton", tr("Right")},
                                                           {"alignJustifyButton", tr("Justify")}};
    int id = 0;
    for (const auto& [name, title] : alignments) {
        auto* b = new QToolButton(floating);
        b->setObjectName(QLatin1String(name));
        b->setText(title);
        b->setCheckable(true);
        m_alignment->addButton(b, id++);
        alignRow->addWidget(b);
    }
    connect(m_alignment, &QButtonGroup::idClicked, this, [this](int index) {
        m_controller.text().changeTextAlignment(index);
        // A change the collage refused leaves the control as the item is.
        showAlignment(m_controller.collage()->selectedText() != nullptr);
    });
    form->addRow(tr("Alignment"), alignRow);

    QPushButton* anticlockwise = button("rotateTextAntiClockWiseButton", QStringLiteral("↺ 1°"));
    QPushButton* clockwise = button("rotateTextClockWiseButton", QStringLiteral("↻ 1°"));
    QPushButton* upright = button("rotateTextTo0Button", tr("Upright"));
    m_rotation = new QLabel(floating);
    m_rotation->setObjectName(QStringLiteral("rotationLabel"));
    connect(anticlockwise, &QPushButton::clicked, this, [this] { m_controller.text().rotateTextAntiClockWise(); });
    connect(clockwise, &QPushButton::clicked, this, [this] { m_controller.text().rotateTextClockWise(); });
    connect(upright, &QPushButton::clicked, this, [this] { m_controller.text().rotateTextTo0(); });
    form->addRow(tr("Rotation"), row({anticlockwise, clockwise, upright, m_rotation}));

    QPushButton* fit = button("sizeToFitButton", tr("Size to Fit"));
    connect(fit, &QPushButton::clicked, this, [this] { m_controller.text().sizeToFitSelected(); });
    form->addRow(QString(), fit);

    m_textColor = button("textColorButton", tr("Colour…"));
    form->addRow(tr("Colour"), m_textColor);
    form->addRow(tr("Opacity"), slider("textOpacitySlider"));
    m_strokeFill = popup("strokeFillPopUpButton");
    m_strokeFill->addItems({tr("Fill"), tr("Outline"), tr("Outline and Fill")});
    form->addRow(tr("Outline"), m_strokeFill);
    m_strokeColor = button("strokeColorButton", tr("Outline Colour…"));
    form->addRow(QString(), m_strokeColor);
    m_strokeWidth = slider("textStrokeWidthSlider");
    form->addRow(tr("Outline Width"), m_strokeWidth);
    auto* shadow = new QCheckBox(tr("Shadow"), floating);
    shadow->setObjectName(QStringLiteral("drawShadowsCheckBox"));
    form->addRow(QString(), shadow);
    form->addRow(tr("Background"), button("textBackgroundColorButton", tr("Background Colour…")));
    form->addRow(tr("Background Opacity"), slider("textBackgroundOpacitySlider"));
    column->addLayout(form);
}

void TextPanel::setUpEditor()
{
    // The document's history is the only one: the editor keeps none of its own.
    m_editor->setUndoRedoEnabled(false);
    m_editor->installEventFilter(this);
    // Undo and redo in the editor are the document's.
    m_undoKeys.watch(m_editor);
    bind(QStringLiteral("content"), [this](const QVariant& v) {
        const QString text = v.toString();
        // Its own writes come back unchanged; rewriting would move the cursor.
        if (text == m_editor->toPlainText())
            return;
        const QSignalBlocker block(m_editor);
        m_editor->setPlainText(text);
        if (editorShowsHint())
            m_editor->selectAll();
        else
            m_editor->moveCursor(QTextCursor::End);
    });
    connect(m_editor, &QPlainTextEdit::textChanged, this, [this] {
        m_controller.setValue(m_editor->toPlainText(), QStringLiteral("currentSelectedText"));
    });
}

bool TextPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_editor)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
        m_controller.beginTypingText();
        break;
    case QEvent::FocusOut:
        m_controller.endTypingText();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void TextPanel::setUpFont()
{
    for (const TextCommands::FontFamilyItem& item : TextCommands::fontFamilyMenuItems()) {
        m_family->addItem(item.title, QVariant::fromValue(item.familyIndex));
        m_family->setItemData(m_family->count() - 1, item.font, Qt::FontRole);
    }
    m_family->setMaxVisibleItems(20);
    TextKeyBinding& family = bind(QStringLiteral("selectedFontFamilyIndex"), [this](const QVariant& v) {
        m_family->setCurrentIndex(v.isValid() ? m_family->findData(QVariant::fromValue(v.toLongLong())) : -1);
    });
    connect(m_family, &QComboBox::activated, this, [this, &family](int row) { family.write(m_family->itemData(row)); });

    m_typefaces = &bind(QStringLiteral("availableFontTypefaces"), [this](const QVariant&) { showTypefaces(); });
    m_typefaceIndex = &bind(QStringLiteral("selectedFontTypefaceIndex"), [this](const QVariant&) { showTypefaces(); });
    showTypefaces();
    connect(m_typeface, &QComboBox::activated, this, [this](int row) { m_typefaceIndex->write(qint64(row)); });

    for (double size : TextPosition::availableStandardSizes())
        m_size->addItem(sizeText(size), size);
    TextKeyBinding& size = bind(QStringLiteral("fontSize"), [this](const QVariant& v) {
        m_size->setCurrentIndex(-1);
        m_size->setEditText(v.isValid() ? sizeText(v.toDouble()) : QString());
    });
    const auto chooseSize = [&size](const QString& text) {
        bool ok = false;
        const double value = QLocale().toDouble(text, &ok);
        const double typed = ok ? value : text.toDouble(&ok);
        // Leaving the field unchanged changes nothing.
        if (ok && typed > 0 && typed != size.value().toDouble())
            size.write(typed);
    };
    connect(m_size, &QComboBox::activated, this, [this, chooseSize](int row) { chooseSize(m_size->itemText(row)); });
    connect(m_size->lineEdit(), &QLineEdit::editingFinished, this,
            [this, chooseSize] { chooseSize(m_size->currentText()); });

    bind(QStringLiteral("alignment"), [this](const QVariant& v) { showAlignment(v.isValid()); });
    bind(QStringLiteral("rotationInDegree"), [this](const QVariant& v) { m_rotation->setText(v.toString()); });
    // An open font panel follows the selected item.
    bind(QStringLiteral("font"), [this](const QVariant&) { followFontPanel(); });
    bind(QStringLiteral("attributes"), [this](const QVariant&) { followFontPanel(); });
}

void TextPanel::showTypefaces()
{
    const QStringList faces = m_typefaces ? m_typefaces->value().toStringList() : QStringList();
    QStringList shown;
    for (int i = 0; i < m_typeface->count(); ++i)
        shown.append(m_typeface->itemText(i));
    if (shown != faces) {
        m_typeface->clear();
        m_typeface->addItems(faces);
    }
    const QVariant index = m_typefaceIndex ? m_typefaceIndex->value() : QVariant();
    m_typeface->setCurrentIndex(index.isValid() ? int(index.toLongLong()) : -1);
}

void TextPanel::showAlignment(bool selected)
{
    const qint64 index = selected ? m_controller.collage()->getIndexOfAlignment() : -1;
    // With nothing selected no segment is.
    m_alignment->setExclusive(false);
    for (QAbstractButton* b : m_alignment->buttons())
        b->setChecked(m_alignment->id(b) == index);
    m_alignment->setExclusive(true);
}

void TextPanel::setUpLook()
{
    QWidget* floating = m_ui.textOptionsFloatingView;
    bindColorButton(m_textColor, QStringLiteral("color"), QStringLiteral("textColor"), tr("Text Colour"));
    bindSlider(floating->findChild<QSlider*>(QStringLiteral("textOpacitySlider")), QStringLiteral("opacity"),
               TextPosition::minTextOpacity(), TextPosition::maxTextOpacity(), 100);

    TextKeyBinding& strokeFill = bind(QStringLiteral("strokeFill"), [this](const QVariant& v) {
        // Values outside the three draw as a fill.
        const qint64 fill = v.toLongLong();
        m_strokeFill->setCurrentIndex(!v.isValid() ? -1 : (fill >= 0 && fill <= 2 ? int(fill) : 0));
    });
    connect(m_strokeFill, &QComboBox::activated, this, [&strokeFill](int row) { strokeFill.write(qint64(row)); });
    bindColorButton(m_strokeColor, QStringLiteral("strokeColor"), QStringLiteral("textStrokeColor"),
                    tr("Outline Colour"));
    bindSlider(m_strokeWidth, QStringLiteral("strokeWidth"), TextPosition::minStrokeWidth(),
               TextPosition::maxStrokeWidth(), 100);
    // Made after the controls' own bindings, so they have the last word.
    bind(QStringLiteral("enableFillColor"), [this](const QVariant& v) { m_textColor->setEnabled(v.toBool()); });
    bind(QStringLiteral("enableStrokeColor"), [this](const QVariant& v) { m_strokeColor->setEnabled(v.toBool()); });
    bind(QStringLiteral("enableStrokeWidth"), [this](const QVariant& v) { m_strokeWidth->setEnabled(v.toBool()); });

    auto* shadow = floating->findChild<QCheckBox*>(QStringLiteral("drawShadowsCheckBox"));
    TextKeyBinding& shadows =
        bind(QStringLiteral("drawShadows"), [shadow](const QVariant& v) { shadow->setChecked(v.toBool()); });
    connect(shadow, &QCheckBox::toggled, this, [&shadows](bool on) { shadows.write(on); });

    bindColorButton(floating->findChild<QPushButton*>(QStringLiteral("textBackgroundColorButton")),
                    QStringLiteral("textBackgroundColor"), QStringLiteral("textBackgroundColor"),
                    tr("Text Background Colour"));
    bindSlider(floating->findChild<QSlider*>(QStringLiteral("textBackgroundOpacitySlider")),
               QStringLiteral("textBackgroundOpacity"), TextPosition::minTextBackgroundOpacity(),
               TextPosition::maxTextBackgroundOpacity(), 100);
}

void TextPanel::bindSlider(QSlider* slider, const QString& key, double min, double max, double scale)
{
    slider->setRange(int(std::lround(min * scale)), int(std::lround(max * scale)));
    TextKeyBinding& binding = bind(key, [slider, scale](const QVariant& v) {
        const double value = v.toDouble();
        if (v.isValid() && std::isfinite(value))
            slider->setValue(int(std::lround(value * scale)));
    });
    connect(slider, &QSlider::valueChanged, this, [&binding, scale](int value) { binding.write(value / scale); });
    // A drag is one undo step; a click on the track or a key is one by itself.
    connect(slider, &QSlider::sliderPressed, this, [this] { m_controller.beginContinuousChange(); });
    connect(slider, &QSlider::sliderReleased, this, [this] { m_controller.endContinuousChange(); });
}

void TextPanel::bindColorButton(QAbstractButton* button, const QString& key, const QString& panelName,
                                const QString& title)
{
    TextKeyBinding& binding =
        bind(key, [this, panelName](const QVariant& v) { m_colorPanels.follow(panelName, v); });
    connect(button, &QAbstractButton::clicked, this, [this, &binding, panelName, title] {
        m_colorPanels.open(
            panelName, title, [&binding] { return binding.value(); },
            [&binding](const QVariant& v) { binding.write(v); });
    });
}

} // namespace qf
