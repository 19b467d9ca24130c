// Types arbitrary text into the cell positions of each collage type that
// takes typed cells, the way the positions sheet hands it to the editor's
// command runner, on a collage that holds three pictures. The first byte
// picks the type; the rest is the text. Nothing may crash or hang. Text the
// collage refuses changes nothing and records no step; text it takes is one
// step that undoes to the collage as it was and redoes to the new cells,
// which then take pictures, draw, and answer the mouse and the type's
// commands. Taken text has every corner on the canvas.
#include "document/CollageDocument.h"
#include "editor/CommandRunner.h"
#include "editor/FotoloomController.h"
#include "fuzz/FuzzApplication.h"
#include "layouts/CollageTypes.h"
#include "model/Collage.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/events/MouseEvent.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/undo/UndoManager.h"
#include "platform/vision/FaceDetector.h"
#include "tests/editor/RecordingWindow.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace qf;

namespace {

void requireAt(bool ok, int line)
{
    if (ok)
        return;
    std::fprintf(stderr, "fuzz_positions: check on line %d failed\n", line);
    std::abort();
}
#define require(ok) requireAt((ok), __LINE__)

class NoFaces : public FaceDetector {
public:
    QList<QRectF> detectFaces(const QImage&) override { return {}; }
};

// The types whose cells can be typed, each with its typed-cells command.
struct Typed {
    QString type;
    QString command;
};

const QList<Typed>& typedTypes()
{
    static const QList<Typed> types = [] {
        QList<Typed> found;
        for (const CollageType& row : CollageTypes::all())
            for (const CollageCommand* command : CollageTypes::commandsOf(row.type))
                if (command->input == CommandInput::CellText)
                    found.append({row.type, command->name});
        require(!found.isEmpty());
        return found;
    }();
    return types;
}

// A folder with the pictures the collages take and the user defaults.
const QString& workFolder()
{
    static const QString folder = [] {
        QByteArray templ = QDir::tempPath().toUtf8() + "/qf-fuzz-positions-XXXXXX";
        require(::mkdtemp(templ.data()) != nullptr);
        std::atexit([] { QDir(workFolder()).removeRecursively(); });
        const QString made = QString::fromUtf8(templ);
        const QList<std::pair<QColor, QSize>> pictures{
            {Qt::red, {40, 30}}, {Qt::blue, {20, 50}}, {Qt::green, {30, 30}}};
        for (qsizetype i = 0; i < pictures.size(); ++i) {
            QImage image(pictures[i].second, QImage::Format_RGB32);
            image.fill(pictures[i].first);
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            require(image.save(&buffer, "PNG"));
            QFile f(made + QStringLiteral("/p%1.png").arg(i));
            require(f.open(QIODevice::WriteOnly) && f.write(png) == png.size());
        }
        return made;
    }();
    return folder;
}

struct Editor {
    CollageDocument doc;
    UndoManager& undo = doc.undoManager();
    test::RecordingWindow window;
    FotoloomController* c = nullptr;

    Editor()
    {
        doc.setHostFactory([](CollageDocument& d) { return std::make_unique<FotoloomController>(d, &d.undoManager()); });
        doc.makeWindowControllers();
        c = static_cast<FotoloomController*>(doc.fotoloomController());
        c->setWindow(&window);
    }
    Collage& collage() const { return *c->collage(); }
    QJsonObject snapshot() const { return collage().dictionaryRepresentationActual(false); }
    void endEvent()
    {
        for (int i = 0; i < 20 && undo.groupingLevel() > 0; ++i)
            QCoreApplication::processEvents();
    }
    void addPictures()
    {
        QStringList ids;
        QHash<QString, QImage> images;
        for (int i = 0; i < 3; ++i) {
            const std::optional<QString> id = c->importPicture(workFolder() + QStringLiteral("/p%1.png").arg(i));
            require(id.has_value());
            ids.append(*id);
            images.insert(*id, c->drawingSizeImage(*id));
        }
        collage().addPictures(ids, images, {}, {});
        endEvent();
    }
};

// Whether every [x, y] corner of typed cells lies between 0 and 1.
bool cornersOnTheCanvas(const QString& text)
{
    for (const QJsonValue& cell : QJsonDocument::fromJson(text.toUtf8()).array())
        for (const QJsonValue& corner : cell.toArray()) {
            const QJsonArray xy = corner.toArray();
            for (qsizetype i = 0; i < std::min<qsizetype>(xy.size(), 2); ++i)
                if (!(xy[i].toDouble(-1) >= 0.0 && xy[i].toDouble(-1) <= 1.0))
                    return false;
        }
    return true;
}

void draw(Collage& collage)
{
    QImage out = GraphicsContext::newBitmap(QSize(96, 72));
    for (bool actual : {false, true}) {
        GraphicsContext ctx(out);
        collage.drawYourselfOnCurrentContextInWidth(ctx, 96, 72, actual);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::startGuiApplication("fuzz_positions");
    // A refusal is logged with the whole text; that would drown the output.
    QLoggingCategory::setFilterRules(QStringLiteral("qf.*=false\nqt.*=false"));
    UserDefaults::standard().useFile(workFolder() + QStringLiteral("/defaults.ini"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    static NoFaces noFaces;
    const ScopedFaceDetector faces(noFaces);
    const Typed& typed = typedTypes()[data[0] % typedTypes().size()];
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));

    Editor e;
    require(e.c->windowDidLoad().ok());
    e.c->changeCollageType(CollageTypes::indexOf(typed.type));
    e.endEvent();
    require(e.collage().collageType() == typed.type);
    e.addPictures();
    e.collage().setSelectedImagePosition(1);
    e.endEvent();

    const QJsonObject before = e.snapshot();
    const qint64 steps = e.undo.changeCount();
    const Status status = e.c->runner().runCommand(typed.command, {0, text});
    e.endEvent();
    if (!status) {
        require(e.snapshot() == before && e.undo.changeCount() == steps);
        return 0;
    }
    require(cornersOnTheCanvas(text));
    const QJsonObject after = e.snapshot();
    require(!e.collage().picturePositions().isEmpty());
    require(e.collage().selectedImagePosition() == -1);
    e.undo.undo();
    require(e.snapshot() == before);
    e.undo.redo();
    require(e.snapshot() == after);

    // The new cells in use.
    Collage& collage = e.collage();
    draw(collage);
    e.addPictures();
    draw(collage);
    const MouseEvent m{QPointF(30, 30), 1, Qt::NoModifier};
    collage.mouseDownAt(QPointF(30, 30), 96, 72, m);
    collage.mouseDraggedAt(QPointF(50, 40), 96, 72, m);
    collage.mouseUpAt(QPointF(50, 40), 96, 72, m);
    e.endEvent();
    collage.setSelectedImagePosition(0);
    for (const CollageCommand* command : e.c->runner().commands())
        if (command->input == CommandInput::None && e.c->runner().isCommandEnabled(command->name))
            (void)e.c->runner().runCommand(command->name);
    e.endEvent();
    draw(e.collage());
    return 0;
}
