// A collage of any type read from arbitrary bytes must survive everything a
// user can then do with it: drawing on screen and for export (text items
// included), the commands every type answers and a mouse gesture. Nothing may
// crash or hang. The object's own "cs" picks the type when it names one this
// build makes; otherwise the input's length does.
#include "fuzz/FuzzApplication.h"
#include "layouts/CollageTypes.h"
#include "model/Collage.h"
#include "platform/events/MouseEvent.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/json/JsonDocument.h"
#include "tests/model/FakeCollage.h"

#include <memory>

namespace {

QStringList makeableTypes()
{
    const qf::CollageTypes registry;
    QStringList types;
    for (const qf::CollageType& row : qf::CollageTypes::all())
        if (registry.canMake(row.type))
            types.append(row.type);
    return types;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qf::fuzz::startGuiApplication("fuzz_collage_types");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto parsed = qf::json::parseObject(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!parsed)
        return 0;
    static const QStringList types = makeableTypes();
    const qf::CollageTypes registry;
    QString type = qf::CollageTypes::typeOfJson(parsed.object());
    if (!registry.canMake(type))
        type = types[qsizetype(size % size_t(types.size()))];

    qf::test::FakeHost host;
    host.store.insert(QStringLiteral("A"), qf::test::FakeHost::solidImage(60, 40));
    host.store.insert(QStringLiteral("B"), qf::test::FakeHost::solidImage(30, 90));
    const std::shared_ptr<qf::Collage> collage = registry.make(type);
    collage->setMyWindowController(&host);
    collage->setMyPropertiesFrom(parsed.object());

    // Small drawings: what matters is the arithmetic, not the pixels.
    QImage out = qf::GraphicsContext::newBitmap(QSize(96, 72));
    for (bool actual : {false, true}) {
        qf::GraphicsContext ctx(out);
        collage->drawYourselfOnCurrentContextInWidth(ctx, 96, 72, actual);
    }
    const qf::MouseEvent e{QPointF(20, 20), 1, Qt::NoModifier};
    collage->mouseDownAt(QPointF(20, 20), 96, 72, e);
    collage->mouseDraggedAt(QPointF(60, 50), 96, 72, e);
    collage->mouseUpAt(QPointF(70, 10), 96, 72, e);
    collage->addPictures({QStringLiteral("A"), QStringLiteral("B")}, host.store, {}, {});
    collage->shuffle();
    collage->setSelectedImagePosition(0);
    collage->removeSelectedPicture();
    if (const auto sort = qf::CollageTypes::find(type)->sortPictures)
        sort(*collage, true, false, true);
    collage->setOrientation(qf::OrientationPortrait);
    collage->removePictures({0, 5});
    // The arranging commands (the piles'; no-ops elsewhere), with the
    // handles of a selected picture pressed and dragged.
    collage->setSelectedImagePosition(0);
    collage->mouseDownAt(collage->positionOfScaleHolder(), 96, 72, e);
    collage->mouseDraggedAt(QPointF(48, 36), 96, 72, e);
    collage->mouseUpAt(QPointF(48, 36), 96, 72, e);
    collage->mouseDownAt(collage->positionOfRotateHolder(), 96, 72, e);
    collage->mouseDraggedAt(QPointF(90, 70), 96, 72, e);
    collage->mouseUpAt(QPointF(90, 70), 96, 72, e);
    // Every command of the type, as its row declares it, where it may run.
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const qf::CollageCommand* command : qf::CollageTypes::commandsOf(type))
        if (command->call && command->isEnabled(*collage))
            (void)command->call(*collage, {qint64(size % 11), text});
    if (const auto nudge = qf::CollageTypes::find(type)->nudge)
        nudge(*collage, qf::Nudge::Left);
    // The text commands on whatever text the file held.
    collage->setSelectedTextPosition(0);
    collage->increaseFontSize();
    collage->rotateTextClockWise();
    collage->setTextAlignment(qint64(size % 5));
    collage->sizeToFitSelected();
    collage->addNewByCopyingSelectedText();
    collage->addNewText();
    collage->mouseDownAt(QPointF(48, 36), 96, 72, e);
    collage->mouseDraggedAt(QPointF(95, 71), 96, 72, e);
    collage->mouseUpAt(QPointF(95, 71), 96, 72, e);
    collage->removeSelectedText();
    qf::GraphicsContext ctx(out);
    collage->drawYourselfOnCurrentContextInWidth(ctx, 96, 72, false);
    return 0;
}
