// Writes the application's templates into a folder, as the build does:
//   qf_make_templates <templates folder>
// Each template is a project package made through the editor from its design
// (TemplateDesigns): a new collage of its type, its placeholder photographs
// added as the window adds them, arranged, given its backdrop and titles, and
// saved with a preview of the collage, its TemplateInfo.plist, and the
// folder's TemplatesList.plist and TemplateCategoriesList.plist. Pictures and
// the layouts' random choices come from fixed seeds, so every run writes the
// same templates.
#include "TemplateDesigns.h"
#include "SeededRandom.h"

#include "document/CollageDocument.h"
#include "document/QFTemplateCatalogue.h"
#include "editor/FotoloomController.h"
#include "layouts/CollageTypes.h"
#include "layouts/grid/GridCollage.h"
#include "layouts/hexagon/HexagonCollage.h"
#include "layouts/pile/PilePosition.h"
#include "layouts/pile/RegularPileCollage.h"
#include "model/Collage.h"
#include "model/TextPosition.h"
#include "platform/core/Parallel.h"
#include "platform/core/PictureMemory.h"
#include "platform/plist/PropertyList.h"
#include "platform/vision/FaceDetector.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <cmath>
#include <cstdio>

using namespace qf;

namespace {

class NoFaces : public FaceDetector {
public:
    QList<QRectF> detectFaces(const QImage&) override { return {}; }
};

using namespace qf::tools;

FotoloomController& editorOf(CollageDocument& doc)
{
    doc.setHostFactory([](CollageDocument& d) { return std::make_unique<FotoloomController>(d, &d.undoManager()); });
    doc.makeWindowControllers();
    return *static_cast<FotoloomController*>(doc.fotoloomController());
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool writeList(const QString& path, const QStringList& names)
{
    const std::optional<QByteArray> xml = PropertyList::toXml(QVariant(names));
    return xml && writeFile(path, *xml);
}

bool writeJpeg(const QImage& image, const QString& path)
{
    if (!image.save(path, "JPEG", 88))
        return false;
    // The collage keeps each picture's file date: the same one every run.
    QFile file(path);
    return file.open(QIODevice::ReadWrite)
        && file.setFileTime(QDateTime::fromSecsSinceEpoch(1717243200), QFileDevice::FileModificationTime);
}

// The template's pictures, drawn on every core; their paths, or none.
std::optional<QStringList> drawPictures(const TemplateDef& def, int index, const QDir& scratch)
{
    QStringList paths;
    for (int i = 0; i < def.pictures; ++i)
        paths << scratch.filePath(QString::fromLatin1(def.package).toLower().replace(u' ', u'-')
                                  + QStringLiteral("-%1.jpg").arg(i + 1));
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    runOnThreads(QThread::idealThreadCount(), [&] {
        for (int i = next++; i < def.pictures; i = next++) {
            const bool portrait = def.orientation == Orientation::Portrait
                || (def.orientation == Orientation::Mixed && i % 3 == 2);
            if (!writeJpeg(tools::drawPlaceholderPhoto(def.scene, i, portrait, 1000u + quint32(index)), paths[i]))
                failed = true;
        }
    });
    if (failed)
        return std::nullopt;
    return paths;
}

// The type's own arrangement once the pictures are in: the grid's rows and
// columns, a pile's pictures where the design puts them.
void arrange(FotoloomController& editor, const TemplateDef& def)
{
    Collage& collage = *editor.collage();
    if (dynamic_cast<GridCollage*>(&collage) && def.rows > 0) {
        (void)editor.runner().runCommand(QStringLiteral("changeColumnCountCommand"), {def.columns, {}});
        (void)editor.runner().runCommand(QStringLiteral("changeRowCountCommand"), {def.rows, {}});
    }
    if (dynamic_cast<PileCollage*>(&collage)) {
        const QList<PositionPtr>& cells = collage.picturePositions();
        for (qsizetype i = 0; i < cells.size() && i < def.cards.size(); ++i) {
            auto* card = dynamic_cast<PilePosition*>(cells[i].get());
            if (!card)
                continue;
            const Card& place = def.cards[i];
            card->setCenter(QPointF(place.x, place.y));
            card->setRotation(place.degrees * M_PI / 180);
            card->setScale(place.scale);
            if (place.shape >= 0)
                card->setShape(place.shape);
        }
    }
}

bool setBackdrop(FotoloomController& editor, const TemplateDef& def, int index, const QDir& scratch)
{
    const QImage image = drawBackdrop(def.backdrop, def.background, 5000u + quint32(index));
    if (image.isNull())
        return true;
    const QString path = scratch.filePath(QString::fromLatin1(def.package).toLower().replace(u' ', u'-')
                                          + QStringLiteral("-background.jpg"));
    if (!writeJpeg(image, path))
        return false;
    editor.intake().setBackgroundPictureFile(path);
    editor.intake().finishAddingPictures();
    Collage& collage = *editor.collage();
    if (collage.backgroundImagePath().isEmpty())
        return false;
    collage.setBackgroundIsImage(true);
    const bool tile = def.backdrop != Backdrop::Linen;
    collage.setBackgroundImageIsPattern(tile);
    // Tiles about a ninth of the canvas height, as a printed paper would have.
    collage.setBackgroundImagePatternNumberOfRows(tile ? std::max(2, int(def.canvas.height() / 240)) : -1);
    return true;
}

void addTitles(FotoloomController& editor, const TemplateDef& def)
{
    for (const Title& t : def.titles) {
        if (!QFontDatabase::hasFamily(t.family))
            std::fprintf(stderr, "%s: the font %s is not installed\n", def.package, qPrintable(t.family));
        editor.text().addNewText();
        Collage& collage = *editor.collage();
        const std::shared_ptr<TextPosition> text = collage.textPositions().last();
        text->setContent(t.text);
        QFont font(t.family);
        font.setWeight(QFont::Weight(t.weight));
        font.setItalic(t.italic);
        font.setPointSizeF(t.size);
        text->setFont(font);
        text->setColor(Color::fromQColor(t.colour));
        text->setAlignment(2);
        text->setRotation(t.degrees * M_PI / 180);
        text->setDrawShadows(t.shadow);
        if (t.outline.isValid()) {
            text->setStrokeColor(Color::fromQColor(t.outline));
            text->setStrokeWidth(t.outlineWidth);
            text->setStrokeFill(2);
        }
        if (t.box.isValid()) {
            text->setTextBackgroundColor(Color::fromQColor(t.box));
            text->setTextBackgroundOpacity(t.boxOpacity);
        }
        // The box as wide as the text: the natural width, then narrowed to it.
        text->setTextWidth(0.96);
        text->sizeToFit(def.canvas.width(), def.canvas.width(), def.canvas.height());
        text->setCenter(t.centre);
    }
    editor.collage()->removeAllTextSelections();
}

// One template's package in the folder; its file name, or none.
std::optional<QString> makeTemplate(const TemplateDef& def, int index, const QDir& out, const QDir& scratch)
{
    const std::optional<QStringList> paths = drawPictures(def, index, scratch);
    if (!paths)
        return std::nullopt;

    bench::SeededRandom seeded(20240601u + quint32(index));
    const ScopedRandomSource random(seeded);
    CollageDocument doc;
    FotoloomController& editor = editorOf(doc);
    const QString type = QString::fromLatin1(def.type);
    if (!editor.windowDidLoad())
        return std::nullopt;
    if (editor.collage()->collageType() != type)
        editor.changeCollageType(CollageTypes::typeStrings().indexOf(type));
    if (editor.collage()->collageType() != type) {
        std::fprintf(stderr, "a new document cannot become a %s\n", def.type);
        return std::nullopt;
    }
    Collage& collage = *editor.collage();
    collage.setWidth(def.canvas.width());
    collage.setHeight(def.canvas.height());
    collage.setBackgroundColor(Color::fromQColor(def.background));
    if (def.spacing >= 0)
        collage.setSpacing(def.spacing);
    if (def.corners >= 0)
        collage.setCornerRadiusSize(def.corners);
    if (auto* hexagons = dynamic_cast<HexagonCollage*>(&collage); hexagons && def.rows > 0) {
        // Exactly as many cells as pictures, so that none is left empty.
        hexagons->setRowCount(def.rows);
        hexagons->setColumnCount(def.columns);
        hexagons->ensureAllPositionsArePresent();
    }
    if (auto* pile = dynamic_cast<RegularPileCollage*>(&collage)) {
        pile->setBorderStyle(RegularPileCollage::BorderInstantCamera);
        pile->setSpacing(0.08);
    }
    collage.setDrawShadow(true);
    editor.intake().addImagesFromDirectoriesOrFiles(*paths);
    editor.intake().finishAddingPictures();
    if (editor.collage()->images().size() != def.pictures) {
        std::fprintf(stderr, "%s: %lld of %d pictures in the collage\n", def.package,
                     qlonglong(editor.collage()->images().size()), def.pictures);
        return std::nullopt;
    }
    arrange(editor, def);
    if (!setBackdrop(editor, def, index, scratch)) {
        std::fprintf(stderr, "%s: the background picture was not taken\n", def.package);
        return std::nullopt;
    }
    addTitles(editor, def);
    if (!editor.collage()->getAllEmptyPositions().isEmpty()) {
        std::fprintf(stderr, "%s: %lld places left empty\n", def.package,
                     qlonglong(editor.collage()->getAllEmptyPositions().size()));
        return std::nullopt;
    }

    // Where the pictures came from means nothing once the scratch folder is
    // gone: only their file names are kept.
    for (QString& path : editor.collage()->md5ToPathsDictionary())
        path = QFileInfo(path).fileName();

    const QString name = QString::fromLatin1(def.package) + u'.' + CollageDocument::projectExtension();
    const QString package = out.filePath(name);
    if (const Status saved = doc.saveToPath(package, CollageDocument::projectType(), CollageDocument::SaveOperation::SaveTo);
        !saved) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(package), qPrintable(saved.message()));
        return std::nullopt;
    }

    const int previewWidth = 800;
    const int previewHeight = int(std::lround(previewWidth * double(def.canvas.height()) / def.canvas.width()));
    const QImage preview = editor.exporter().getImageBitmapRepForWidth(previewWidth, previewHeight);
    if (preview.isNull()
        || !preview.convertToFormat(QImage::Format_RGB32)
                .save(QDir(package).filePath(QString::fromLatin1(QFTemplateCatalogue::previewName)), "JPEG", 90))
        return std::nullopt;

    QVariantMap info{{QStringLiteral("Description"), QString::fromLatin1(def.package)}};
    for (qsizetype i = 0; i < def.categories.size(); ++i)
        info.insert(QStringLiteral("Category%1").arg(i + 1), def.categories[i]);
    const std::optional<QByteArray> xml = PropertyList::toXml(info);
    if (!xml || !writeFile(QDir(package).filePath(QString::fromLatin1(QFTemplateCatalogue::templateInfoName)), *xml))
        return std::nullopt;
    std::printf("%s: %s, %d pictures, %s\n", qPrintable(name), def.type, def.pictures,
                qPrintable(def.categories.join(QStringLiteral(", "))));
    return name;
}

// Every scene's first variants, landscape and portrait, as JPEG files to look
// at while drawing them.
int writeSamplePhotos(const QDir& out, int variants)
{
    if (!QDir().mkpath(out.path()))
        return 1;
    for (int scene = 0; scene <= int(tools::PhotoScene::Family); ++scene)
        for (int variant = 0; variant < variants; ++variant) {
            const bool portrait = variant % 3 == 2;
            const QImage photo = tools::drawPlaceholderPhoto(tools::PhotoScene(scene), variant, portrait, 1u);
            if (!photo.save(out.filePath(QStringLiteral("scene%1-%2.jpg").arg(scene, 2, 10, QLatin1Char('0')).arg(variant)),
                            "JPEG", 88))
                return 1;
        }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    setUpPictureMemory();
    QGuiApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    NoFaces noFaces;
    ScopedFaceDetector faces(noFaces);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QStringLiteral("--photos"))
        return writeSamplePhotos(QDir(args[2]), args[3].toInt());
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: qf_make_templates <templates folder>\n"
                             "       qf_make_templates --photos <folder> <variants per scene>\n");
        return 2;
    }
    const QDir out(args[1]);
    QTemporaryDir scratch;
    if (!QDir().mkpath(out.path()) || !scratch.isValid())
        return 1;
    // Packages of an earlier build whose design has gone or been renamed
    // would otherwise stay in the folder, and be installed with it.
    for (const QString& old : out.entryList({QStringLiteral("*.") + CollageDocument::projectExtension()},
                                            QDir::Dirs | QDir::NoDotAndDotDot))
        if (!QDir(out.filePath(old)).removeRecursively())
            return 1;

    QStringList names;
    const QList<TemplateDef> defs = templateDesigns();
    for (int i = 0; i < defs.size(); ++i) {
        const std::optional<QString> name = makeTemplate(defs[i], i, out, QDir(scratch.path()));
        if (!name) {
            std::fprintf(stderr, "could not make the template %s\n", defs[i].package);
            return 1;
        }
        names << *name;
    }
    if (!writeList(out.filePath(QString::fromLatin1(QFTemplateCatalogue::categoriesListName)), templateCategories())
        || !writeList(out.filePath(QString::fromLatin1(QFTemplateCatalogue::templatesListName)), names))
        return 1;
    return 0;
}
