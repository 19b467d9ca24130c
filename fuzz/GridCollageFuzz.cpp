// A grid collage read from arbitrary bytes must survive everything a user can
// then do with it: drawing on screen and for export (text items included),
// the grid's commands and a mouse gesture. Nothing may crash or hang.
#include "layouts/grid_mosaic/GridCollage.h"
#include "platform/events/MouseEvent.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/json/JsonDocument.h"
#include "tests/model/FakeCollage.h"

#include <QGuiApplication>
#include <QStandardPaths>

#include <memory>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    static int argc = 1;
    static char name[] = "fuzz_grid_json";
    static char* argv[] = {name, nullptr};
    static auto app = std::make_unique<QGuiApplication>(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto parsed = qf::json::parseObject(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!parsed)
        return 0;
    qf::test::FakeHost host;
    host.store.insert(QStringLiteral("A"), qf::test::FakeHost::solidImage(60, 40));
    host.store.insert(QStringLiteral("B"), qf::test::FakeHost::solidImage(30, 90));
    qf::GridCollage grid;
    grid.setMyWindowController(&host);
    grid.setMyPropertiesFrom(parsed.object());

    // Small drawings: what matters is the arithmetic, not the pixels.
    QImage out = qf::GraphicsContext::newBitmap(QSize(96, 72));
    for (bool actual : {false, true}) {
        qf::GraphicsContext ctx(out);
        grid.drawYourselfOnCurrentContextInWidth(ctx, 96, 72, actual);
    }
    const qf::MouseEvent e{QPointF(20, 20), 1, Qt::NoModifier};
    grid.mouseDownAt(QPointF(20, 20), 96, 72, e);
    grid.mouseDraggedAt(QPointF(60, 50), 96, 72, e);
    grid.mouseUpAt(QPointF(70, 10), 96, 72, e);
    grid.addPictures({QStringLiteral("A"), QStringLiteral("B")}, host.store, {}, {});
    grid.changeRowCount(3);
    grid.changeColumnCount(1);
    grid.shuffle();
    grid.setSelectedImagePosition(0);
    grid.removeSelectedPicture();
    grid.sortPicturesByName(true, false, true);
    grid.setOrientation(qf::OrientationPortrait);
    qf::GraphicsContext ctx(out);
    grid.drawYourselfOnCurrentContextInWidth(ctx, 96, 72, false);
    return 0;
}
