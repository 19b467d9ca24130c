#include "editor/TextCommands.h"

#include "editor/EditorSession.h"
#include "editor/EditorWindow.h"
#include "model/Collage.h"
#include "model/TextPosition.h"
#include "platform/graphics/FontCatalogue.h"

#include <QGuiApplication>
#include <QLoggingCategory>

#include <algorithm>
#include <cmath>

Q_LOGGING_CATEGORY(lcText, "qf.editor.text")

namespace qf {

TextCommands::TextCommands(EditorSession& session)
    : m_session(session)
{
}

void TextCommands::addNewText()
{
    const QString hint = m_session.window() ? m_session.window()->newTextHint() : QString();
    m_session.change(
        [&hint](Collage& c) {
            c.addNewText();
            if (!hint.isEmpty() && !c.textPositions().isEmpty())
                c.textPositions().last()->setContent(hint);
        },
        undoActionName(UndoAction::AddText));
    if (EditorWindow* window = m_session.window()) {
        window->selectTab(2);
        window->focusTextEditor();
    }
}

void TextCommands::addNewByCopyingSelectedText()
{
    if (!m_session.collage()->selectedText())
        return;
    m_session.change([](Collage& c) { c.addNewByCopyingSelectedText(); }, undoActionName(UndoAction::AddText));
    if (EditorWindow* window = m_session.window())
        window->focusTextEditor();
}

void TextCommands::changeTextAlignment(qint64 index)
{
    m_session.makeDocumentDirty();
    if (index < 0)
        return;
    m_session.change([index](Collage& c) { c.setTextAlignment(index); });
}

void TextCommands::increaseFontSize()
{
    m_session.change([](Collage& c) { c.increaseFontSize(); });
}

void TextCommands::decreaseFontSize()
{
    m_session.change([](Collage& c) { c.decreaseFontSize(); });
}

void TextCommands::rotateTextClockWise()
{
    m_session.change([](Collage& c) { c.rotateTextClockWise(); });
}

void TextCommands::rotateTextAntiClockWise()
{
    m_session.change([](Collage& c) { c.rotateTextAntiClockWise(); });
}

void TextCommands::rotateTextTo0()
{
    m_session.change([](Collage& c) { c.rotateTextTo0(); });
}

void TextCommands::sizeToFitSelected()
{
    m_session.change([](Collage& c) { c.sizeToFitSelected(); });
}

bool TextCommands::removeSelectedText()
{
    if (!m_session.collage()->selectedText())
        return false;
    bool removed = false;
    m_session.change([&removed](Collage& c) { removed = c.removeSelectedText(); });
    return removed;
}

void TextCommands::changeFont(const QFont& chosen)
{
    const TextPositionPtr item = m_session.collage()->selectedText();
    if (!item)
        return;
    m_session.makeDocumentDirty(UndoAction::FontChange);
    // Family, then the face Qt would draw for the chosen font, then the size:
    // what the panel does not name stays as the item has it. Underline and
    // strikethrough travel as attributes, never in the font.
    QFont font = item->font();
    font = FontCatalogue::convertFontToFamily(font, chosen.family());
    if (const QString face = FontCatalogue::postScriptName(chosen); !face.isEmpty())
        font = FontCatalogue::convertFontToFace(font, face);
    const double size = chosen.pointSizeF();
    if (std::isfinite(size) && size > 0.0)
        font = FontCatalogue::convertFontToSize(
            font, std::clamp(size, TextPosition::minFontSize(), TextPosition::maxFontSize()));
    item->setFont(font);
    m_session.setOnscreenDrawingViewNeedsDisplay();
}

void TextCommands::changeAttributes(bool underline, bool strikethrough)
{
    const TextPositionPtr item = m_session.collage()->selectedText();
    if (!item)
        return;
    m_session.makeDocumentDirty();
    // A line that stays keeps its style and colour; a new one is single and
    // takes the text's colour.
    const auto on = [](const std::optional<qint64>& style) {
        return style && (*style & TextAttributes::LineMask) != TextAttributes::LineNone;
    };
    TextAttributes attributes = item->attributes();
    if (!underline) {
        attributes.underlineStyle.reset();
        attributes.underlineColor.reset();
    } else if (!on(attributes.underlineStyle)) {
        attributes.underlineStyle = TextAttributes::LineSingle;
    }
    if (!strikethrough) {
        attributes.strikethroughStyle.reset();
        attributes.strikethroughColor.reset();
    } else if (!on(attributes.strikethroughStyle)) {
        attributes.strikethroughStyle = TextAttributes::LineSingle;
    }
    item->setAttributes(attributes);
    m_session.setOnscreenDrawingViewNeedsDisplay();
}

void TextCommands::setValueOfSelectedText(const QVariant& value, const QString& key)
{
    const TextPositionPtr item = m_session.collage()->selectedText();
    if (!item)
        return;
    m_session.makeDocumentDirty();
    try {
        item->setValue(value, key);
    } catch (const UndefinedKeyError&) {
        qCWarning(lcText) << "a text item has no key" << key;
    }
    m_session.setOnscreenDrawingViewNeedsDisplay();
}

QList<TextCommands::FontFamilyItem> TextCommands::fontFamilyMenuItems()
{
    const double size = QGuiApplication::font().pointSizeF();
    QList<FontFamilyItem> items;
    const QStringList& families = FontCatalogue::families();
    for (qsizetype i = 0; i < families.size(); ++i) {
        if (families[i].trimmed().isEmpty())
            continue;
        const QList<FontMember> members = FontCatalogue::membersOfFamily(families[i]);
        if (members.isEmpty())
            continue;
        // Drawn in the family's regular face (upright, normal width, the
        // weight nearest 400), named by the family so that the entry reads
        // as what it selects: a family's first face may be a light one that
        // looks disabled.
        const double pointSize = size > 0 ? size : 12.0;
        const QFont plain = FontCatalogue::font(families[i], QString(), pointSize);
        const QString style = FontCatalogue::styleName(plain);
        if (style.isEmpty() || !FontCatalogue::isPostScriptNameInstalled(FontCatalogue::postScriptName(plain)))
            continue;
        items.append({families[i], FontCatalogue::font(families[i], style, pointSize), i});
    }
    return items;
}

} // namespace qf
