#include "editor/CanvasSizes.h"

#include "editor/CollageExporter.h"
#include "editor/EditorSession.h"
#include "editor/EditorWindow.h"
#include "model/Collage.h"
#include "platform/services/UrlOpener.h"
#include "platform/services/WebSites.h"

namespace qf {

CanvasSizes::CanvasSizes(EditorSession& session, CollageExporter& exporter, std::function<void(bool)> announce)
    : m_session(session)
    , m_exporter(exporter)
    , m_announce(std::move(announce))
{
}

qint64 CanvasSizes::indexOfSize(const Collage& collage) const
{
    const qint64 w = collage.width();
    const qint64 h = collage.height();
    for (qsizetype i = 0; i < m_collageSizesArray.size(); ++i) {
        const QFCollageSize& size = m_collageSizesArray[i];
        const qint64 pw = size.pixelWidth();
        const qint64 ph = size.pixelHeight();
        if (((pw == w && ph == h) || (pw == h && ph == w)) && size.resolution() == collage.resolution())
            return i;
    }
    return -1;
}

void CanvasSizes::updateCollageSizes()
{
    m_announce(true);
    m_collageSizesArray.clear();
    for (const QFCollageSize& size : QFCollageSize::allSizes()) {
        if (CustomSizeForm::isOffered(size))
            m_collageSizesArray.append(size);
    }
    // A canvas of no listed size (its custom size deleted meanwhile) is
    // still named: its own size joins the list, before the command entry.
    const std::shared_ptr<Collage>& collage = m_session.collage();
    if (collage && indexOfSize(*collage) < 0) {
        const QFCollageSize own(double(collage->width()), double(collage->height()), SizeUnitPixels,
                                collage->resolution(), true);
        const qsizetype at = !m_collageSizesArray.isEmpty() && m_collageSizesArray.last().customSizeCommand()
                                 ? m_collageSizesArray.size() - 1
                                 : m_collageSizesArray.size();
        m_collageSizesArray.insert(at, own);
    }
    m_announce(false);
}

void CanvasSizes::addCustomSize(const QFCollageSize& size)
{
    QFCollageSize userSize = size;
    userSize.setUserDefined(true);
    QFCollageSize::addCustomSize(userSize);
    updateCollageSizes();
}

namespace {

// A pattern background keeps the height of its rows when the canvas height changes.
void scalePatternRows(Collage& collage, qint64 newHeight, qint64 oldHeight)
{
    const qint64 rows = collage.backgroundImagePatternNumberOfRows();
    if (rows >= 1 && collage.backgroundImageIsPattern())
        collage.setBackgroundImagePatternNumberOfRows(CustomSizeForm::scaledPatternRows(rows, newHeight, oldHeight));
}

} // namespace

void CanvasSizes::reshape(const std::function<void(Collage&)>& change, UndoAction action)
{
    m_session.change(
        [&change](Collage& c) {
            const qint64 oldHeight = c.height();
            change(c);
            scalePatternRows(c, c.height(), oldHeight);
        },
        undoActionName(action));
    if (EditorWindow* window = m_session.window())
        window->updateDrawingViewFrame();
}

void CanvasSizes::changeCollageSizeTo(const QFCollageSize& size)
{
    // A stored size out of bounds, or a screen size without a screen, never
    // reaches the canvas.
    if (size.customSizeCommand() || !CustomSizeForm::isOffered(size))
        return;
    reshape([&size](Collage& c) { c.setCollageSizeTo(size); }, UndoAction::SizeChange);
}

bool CanvasSizes::setCustomSize(const CustomSizeFields& fields, QString* why)
{
    const std::optional<QFCollageSize> size = CustomSizeForm::sizeFrom(fields);
    if (!size) {
        if (why)
            *why = CustomSizeForm::validate(fields).text;
        return false;
    }
    addCustomSize(*size);
    changeCollageSizeTo(*size);
    return true;
}

void CanvasSizes::changeOrientation(qint64 index)
{
    m_session.makeDocumentDirty(UndoAction::OrientationChange);
    if (index != OrientationLandscape && index != OrientationPortrait)
        return;
    // Rows follow the height the canvas had, so the orientation it has
    // already changes nothing.
    reshape([index](Collage& c) { c.setOrientation(index); }, UndoAction::OrientationChange);
    m_exporter.setPrintInfoOrientation();
}

void CanvasSizes::openSizeHelp()
{
    UrlOpener::current().openUrl(sizeHelpAddress());
}

QUrl CanvasSizes::sizeHelpAddress()
{
    return QUrl(productWebSiteAddress() + QStringLiteral("/custom-sizes.html"));
}

} // namespace qf
