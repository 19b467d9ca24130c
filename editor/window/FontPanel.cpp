#include "editor/window/FontPanel.h"

#include "editor/window/PanelWindows.h"

#include <QFontDialog>
#include <QScopedValueRollback>

namespace qf {

QtFontPanel::QtFontPanel(QWidget* window, UndoKeys* undoKeys)
    : m_window(window)
    , m_undoKeys(undoKeys)
{
}

QtFontPanel::~QtFontPanel()
{
    delete m_dialog.data();
}

QFontDialog* QtFontPanel::dialog() const
{
    return m_dialog;
}

bool QtFontPanel::isOpen() const
{
    return m_dialog && m_dialog->isVisible();
}

void QtFontPanel::open(const QFont& font, bool underline, bool strikeOut)
{
    if (!m_dialog) {
        m_dialog = new QFontDialog(m_window);
        m_dialog->setObjectName(QStringLiteral("fontPanel"));
        m_dialog->setWindowTitle(tr("Fonts"));
        // The platform's own dialog may report only when it closes.
        m_dialog->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
        m_dialog->setModal(false);
        connect(m_dialog, &QFontDialog::currentFontChanged, this, &QtFontPanel::dialogChanged);
        if (m_undoKeys)
            m_undoKeys->watch(m_dialog);
        placeBesideWindow(m_dialog, m_window);
    }
    show(font, underline, strikeOut);
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

void QtFontPanel::follow(const QFont& font, bool underline, bool strikeOut)
{
    // The dialog's own change coming back is shown already.
    if (!isOpen() || m_reporting)
        return;
    if (font == m_given && underline == m_givenUnderline && strikeOut == m_givenStrikeOut)
        return;
    show(font, underline, strikeOut);
}

void QtFontPanel::show(const QFont& font, bool underline, bool strikeOut)
{
    m_given = font;
    m_givenUnderline = underline;
    m_givenStrikeOut = strikeOut;
    QFont shown = font;
    shown.setUnderline(underline);
    shown.setStrikeOut(strikeOut);
    const QSignalBlocker block(m_dialog.data());
    m_dialog->setCurrentFont(shown);
    m_shown = m_dialog->currentFont();
}

void QtFontPanel::dialogChanged(const QFont& font)
{
    // The dialog sizes in whole points.
    const bool sizeChanged = font.pointSize() != m_shown.pointSize();
    const bool fontChanged = sizeChanged || font.family() != m_shown.family()
                             || font.styleName() != m_shown.styleName() || font.weight() != m_shown.weight()
                             || font.style() != m_shown.style();
    const bool linesChanged = font.underline() != m_shown.underline() || font.strikeOut() != m_shown.strikeOut();
    m_shown = font;
    const QScopedValueRollback reporting(m_reporting, true);
    if (fontChanged) {
        QFont chosen = font;
        chosen.setUnderline(false);
        chosen.setStrikeOut(false);
        if (!sizeChanged && m_given.pointSizeF() > 0)
            chosen.setPointSizeF(m_given.pointSizeF());
        m_given = chosen;
        emit fontChosen(chosen);
    }
    if (linesChanged) {
        m_givenUnderline = font.underline();
        m_givenStrikeOut = font.strikeOut();
        emit attributesChosen(font.underline(), font.strikeOut());
    }
}

} // namespace qf
