// Writes the application's templates into a folder, as the build does:
//   qf_make_templates <templates folder>
// Each template is a project package made through the editor (a new collage
// of its type, pictures drawn here added as the window adds them, saved),
// with a preview of the collage, its TemplateInfo.plist, and the folder's
// TemplatesList.plist and TemplateCategoriesList.plist. The pictures are
// simple scenes painted with QPainter; the random choices of the layouts come
// from a fixed seed, so every run writes the same templates.
#include "PlaceholderPhotos.h"
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
#include <QPainter>
#include <QPainterPath>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <cmath>
#include <cstdio>
#include <atomic>

using namespace qf;

namespace {

class NoFaces : public FaceDetector {
public:
    QList<QRectF> detectFaces(const QImage&) override { return {}; }
};

using tools::PhotoScene;

// What lies under the pictures besides the background colour: a texture
// filling the canvas, or a small tile repeated over it.
enum class Backdrop { Colour, Linen, Confetti, Gingham, Snowflakes, Hearts };

// A text item of a template: a title or a line under it.
struct Title {
    QString text;
    QString family;
    int weight = QFont::Normal;
    bool italic = false;
    double size = 160;        // canvas pixels
    QPointF centre{0.5, 0.5}; // fractions of the canvas, y up
    double degrees = 0;       // anticlockwise
    QColor colour = Qt::white;
    QColor outline = {};      // when valid, outlined as well as filled
    double outlineWidth = 4;  // percent of the font size
    bool shadow = false;
    QColor box = {};          // when valid, a box behind the text
    double boxOpacity = 0.88;
};

// Where a pile's picture lies: its centre (fractions, y up), tilt and width
// (a fraction of the canvas width), and for the shape pile its outline.
struct Card {
    double x, y, degrees, scale;
    qint64 shape = -1;
};

enum class Orientation { Landscape, Portrait, Mixed };

struct TemplateDef {
    const char* package; // its file name and its name in the chooser
    QStringList categories;
    const char* type;
    PhotoScene scene;
    int pictures;
    QSize canvas;
    QColor background;
    Backdrop backdrop = Backdrop::Colour;
    Orientation orientation = Orientation::Mixed;
    QList<Title> titles;
    QList<Card> cards;                  // piles
    int rows = 0, columns = 0;          // grids and hexagons
    double spacing = -1, corners = -1;  // the type's own when negative
};

const QString kTravel = QStringLiteral("Travel"), kFamily = QStringLiteral("Family"),
              kParty = QStringLiteral("Celebrations"), kWedding = QStringLiteral("Weddings"),
              kSeasons = QStringLiteral("Seasons"), kNature = QStringLiteral("Nature");
const QStringList kCategories{kTravel, kFamily, kParty, kWedding, kSeasons, kNature};

Title title(const char* text, const char* family, double size, QPointF centre, QColor colour)
{
    Title t;
    t.text = QString::fromUtf8(text);
    t.family = QString::fromLatin1(family);
    t.size = size;
    t.centre = centre;
    t.colour = colour;
    return t;
}

Title boxed(Title t, QColor box, double opacity = 0.88)
{
    t.box = box;
    t.boxOpacity = opacity;
    return t;
}

Title outlined(Title t, QColor outline, double width = 4)
{
    t.outline = outline;
    t.outlineWidth = width;
    return t;
}

Title styled(Title t, int weight, bool italic = false, bool shadow = false, double degrees = 0)
{
    t.weight = weight;
    t.italic = italic;
    t.shadow = shadow;
    t.degrees = degrees;
    return t;
}

QList<TemplateDef> templates()
{
    const QColor white(255, 255, 255), ink(38, 40, 46);
    return {
        // ---- grids
        {"Beach Holiday", {kTravel, kSeasons}, "grid", PhotoScene::Beach, 6, {3000, 2000}, QColor(247, 241, 228),
         Backdrop::Linen, Orientation::Landscape,
         {boxed(styled(title("Summer by the Sea", "URW Gothic", 230, {0.5, 0.5}, QColor(22, 96, 122)),
                       QFont::DemiBold), QColor(252, 250, 244), 0.92)},
         {}, 2, 3, 0.025, 0.02},
        {"Wedding Day", {kWedding, kParty}, "grid", PhotoScene::Wedding, 4, {2400, 3000}, QColor(252, 249, 246),
         Backdrop::Colour, Orientation::Portrait,
         {boxed(title("Just Married", "Z003", 330, {0.5, 0.5}, QColor(150, 112, 84)), white, 0.9)},
         {}, 2, 2, 0.03, 0.0},
        // ---- mosaics
        {"City Weekend", {kTravel}, "mosaic", PhotoScene::City, 7, {3000, 2000}, QColor(30, 32, 38),
         Backdrop::Colour, Orientation::Mixed,
         {boxed(styled(title("CITY LIGHTS", "URW Gothic", 230, {0.5, 0.5}, white), QFont::DemiBold, false, true),
                QColor(20, 22, 28), 0.72)},
         {}, 0, 0, 0.012, 0.0},
        {"Autumn Walk", {kSeasons, kNature}, "mosaic", PhotoScene::Autumn, 9, {3000, 2000}, QColor(84, 52, 32),
         Backdrop::Colour, Orientation::Landscape,
         {boxed(styled(title("Autumn Walk", "URW Bookman", 250, {0.5, 0.5}, QColor(255, 244, 226)),
                       QFont::Light, true, true),
                QColor(84, 44, 22), 0.7)},
         {}, 0, 0, 0.015, 0.01},
        // ---- centre frames
        {"Happy Birthday", {kParty, kFamily}, "centerframe", PhotoScene::Balloons, 7, {2400, 2400},
         QColor(255, 240, 232), Backdrop::Confetti, Orientation::Mixed,
         {boxed(outlined(styled(title("Happy Birthday!", "URW Gothic", 220, {0.5, 0.5}, QColor(236, 72, 120)),
                                QFont::DemiBold, false, true),
                         white, 6),
                QColor(255, 250, 240), 0.9)},
         {}, 0, 0, 0.03, 0.03},
        {"Our Wedding", {kWedding}, "centerframe", PhotoScene::Wedding, 7, {3000, 2000}, QColor(246, 238, 232),
         Backdrop::Hearts, Orientation::Mixed,
         {boxed(title("Forever & Always", "Z003", 260, {0.5, 0.5}, QColor(140, 86, 96)), white, 0.88)},
         {}, 0, 0, 0.02, 0.015},
        // ---- zig mosaics
        {"Mountain Trail", {kTravel, kNature}, "zigmosaic", PhotoScene::Mountains, 7, {3000, 2000},
         QColor(236, 240, 236), Backdrop::Colour, Orientation::Landscape,
         {styled(title("INTO THE MOUNTAINS", "Nimbus Sans", 190, {0.5, 0.5}, white), QFont::Bold, false, true)},
         {}, 0, 0, 0.012, 0.0},
        {"In Bloom", {kNature, kSeasons}, "zigmosaic", PhotoScene::Flowers, 6, {2400, 3000},
         QColor(252, 246, 246), Backdrop::Colour, Orientation::Mixed,
         {boxed(title("in bloom", "Z003", 380, {0.5, 0.5}, QColor(170, 52, 92)), white, 0.86)},
         {}, 0, 0, 0.015, 0.0},
        // ---- hexagons
        {"Family Portraits", {kFamily}, "hexagon", PhotoScene::Family, 8, {2400, 2600}, QColor(245, 238, 228),
         Backdrop::Linen, Orientation::Mixed,
         {boxed(styled(title("Our Family", "P052", 210, {0.5, 0.5}, QColor(92, 62, 40)), QFont::Bold, true),
                QColor(250, 246, 238), 0.9)},
         {}, 5, 3, 0.02, 0.0},
        {"Winter Snow", {kSeasons, kTravel}, "hexagon", PhotoScene::Snow, 13, {3000, 2400}, QColor(220, 232, 244),
         Backdrop::Snowflakes, Orientation::Mixed,
         {outlined(styled(title("Winter Wonderland", "URW Bookman", 190, {0.5, 0.5}, white), QFont::DemiBold,
                          false, true),
                   QColor(40, 86, 140), 7)},
         {}, 5, 5, 0.025, 0.0},
        // ---- piles
        {"Road Trip", {kTravel}, "pile", PhotoScene::Road, 6, {3000, 2000}, QColor(214, 196, 170),
         Backdrop::Linen, Orientation::Mixed,
         {boxed(styled(title("ROAD TRIP", "URW Gothic", 240, {0.5, 0.5}, ink), QFont::DemiBold, false, true, 4),
                QColor(255, 214, 92), 0.95)},
         {{0.19, 0.73, 6, 0.27}, {0.5, 0.79, -3, 0.25}, {0.81, 0.7, -7, 0.2},
          {0.2, 0.26, -5, 0.27}, {0.5, 0.21, 2, 0.24}, {0.8, 0.28, 6, 0.2}}},
        {"Birthday Party", {kParty, kFamily}, "pile", PhotoScene::Balloons, 6, {3000, 2000}, QColor(255, 236, 242),
         Backdrop::Confetti, Orientation::Mixed,
         {outlined(styled(title("Let's Party!", "URW Gothic", 260, {0.5, 0.5}, QColor(255, 200, 40)),
                          QFont::DemiBold, false, true, -4),
                   QColor(120, 40, 140), 10)},
         {{0.18, 0.72, -8, 0.26}, {0.5, 0.8, 2, 0.24}, {0.82, 0.7, 7, 0.2},
          {0.19, 0.27, 5, 0.26}, {0.5, 0.2, -3, 0.24}, {0.81, 0.29, -6, 0.2}}},
        // ---- shape piles
        {"Family Picnic", {kFamily, kSeasons}, "circlepile", PhotoScene::Meadow, 6, {3000, 2000},
         QColor(255, 255, 255), Backdrop::Gingham, Orientation::Mixed,
         {boxed(styled(title("Picnic Day", "Z003", 280, {0.5, 0.5}, QColor(178, 34, 44)), QFont::Normal), white,
                0.94)},
         {{0.17, 0.7, 0, 0.24, 0}, {0.5, 0.78, 0, 0.22, 0}, {0.83, 0.7, 0, 0.24, 0},
          {0.17, 0.29, 0, 0.24, 0}, {0.5, 0.21, 0, 0.22, 0}, {0.83, 0.29, 0, 0.24, 0}}},
        {"Summer Fair", {kParty, kSeasons}, "circlepile", PhotoScene::Fair, 6, {3000, 2000}, QColor(28, 34, 64),
         Backdrop::Colour, Orientation::Mixed,
         {outlined(styled(title("Summer Fair", "URW Bookman", 230, {0.5, 0.5}, QColor(255, 222, 120)),
                          QFont::DemiBold, false, true),
                   QColor(190, 40, 60), 6)},
         {{0.16, 0.7, -6, 0.23, 5}, {0.5, 0.78, 0, 0.2, 0}, {0.84, 0.7, 6, 0.23, 5},
          {0.16, 0.3, 0, 0.23, 0}, {0.5, 0.21, 0, 0.2, 5}, {0.84, 0.3, 0, 0.23, 0}}},
    };
}

// A texture or tile for the backdrop, drawn like the pictures from a fixed seed.
QImage drawBackdrop(Backdrop backdrop, QColor base, quint32 seed)
{
    tools::PhotoRandom random(seed);
    const auto fibres = [&random](QImage& image, int count, int alpha) {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        for (int i = 0; i < count; ++i) {
            const bool dark = random.chance(0.5);
            p.setPen(QPen(dark ? QColor(90, 70, 50, alpha) : QColor(255, 255, 255, alpha), random(0.6, 1.6)));
            const QPointF a(random(0, image.width()), random(0, image.height()));
            const bool across = random.chance(0.5);
            const double length = random(8, 40);
            p.drawLine(a, a + (across ? QPointF(length, random(-1, 1)) : QPointF(random(-1, 1), length)));
        }
    };
    switch (backdrop) {
    case Backdrop::Colour:
        return {};
    case Backdrop::Linen: {
        QImage image(1500, 1000, QImage::Format_RGB32);
        image.fill(base);
        fibres(image, 26000, 22);
        tools::finishLikeAPhoto(image, random, 2.5, 0.18);
        return image;
    }
    case Backdrop::Confetti: {
        QImage image(600, 600, QImage::Format_RGB32);
        image.fill(base);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        const QList<QColor> colours{QColor(255, 120, 150), QColor(255, 196, 60), QColor(90, 190, 220),
                                    QColor(150, 110, 220), QColor(110, 200, 140)};
        for (int i = 0; i < 70; ++i) {
            p.save();
            // Pieces near an edge are drawn again on the far side, so the tile repeats without seams.
            const QPointF at(random(0, 600), random(0, 600));
            p.setBrush(colours[random.integer(0, int(colours.size()) - 1)]);
            const double angle = random(0, 180), length = random(10, 26);
            const bool dot = random.chance(0.4);
            for (int dx : {-600, 0, 600})
                for (int dy : {-600, 0, 600}) {
                    p.save();
                    p.translate(at + QPointF(dx, dy));
                    p.rotate(angle);
                    if (dot)
                        p.drawEllipse(QPointF(0, 0), length * 0.35, length * 0.35);
                    else
                        p.drawRoundedRect(QRectF(-length / 2, -4, length, 8), 3, 3);
                    p.restore();
                }
            p.restore();
        }
        return image;
    }
    case Backdrop::Gingham: {
        QImage image(240, 240, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        const QColor red(200, 44, 52);
        p.fillRect(QRectF(0, 0, 120, 240), QColor(red.red(), red.green(), red.blue(), 120));
        p.fillRect(QRectF(0, 0, 240, 120), QColor(red.red(), red.green(), red.blue(), 120));
        p.end();
        fibres(image, 500, 26);
        return image;
    }
    case Backdrop::Snowflakes:
    case Backdrop::Hearts: {
        QImage image(500, 500, QImage::Format_RGB32);
        image.fill(base);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        const bool snow = backdrop == Backdrop::Snowflakes;
        // Five motifs on a jittered grid, away from the edges so the tile repeats cleanly.
        for (int i = 0; i < 5; ++i) {
            const QPointF at(60 + (i % 3) * 160 + random(-20, 20) + (i >= 3 ? 80 : 0),
                             90 + (i / 3) * 250 + random(-25, 25));
            const double r = random(26, 42);
            p.save();
            p.translate(at);
            p.rotate(random(-25, 25));
            if (snow) {
                p.setPen(QPen(QColor(255, 255, 255, 210), 4, Qt::SolidLine, Qt::RoundCap));
                for (int arm = 0; arm < 6; ++arm) {
                    p.drawLine(QPointF(0, 0), QPointF(0, -r));
                    p.drawLine(QPointF(0, -r * 0.6), QPointF(-r * 0.25, -r * 0.8));
                    p.drawLine(QPointF(0, -r * 0.6), QPointF(r * 0.25, -r * 0.8));
                    p.rotate(60);
                }
            } else {
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(232, 160, 168, 150));
                QPainterPath heart;
                heart.moveTo(0, r * 0.9);
                heart.cubicTo(-r * 1.4, 0, -r * 0.7, -r * 1.1, 0, -r * 0.4);
                heart.cubicTo(r * 0.7, -r * 1.1, r * 1.4, 0, 0, r * 0.9);
                p.drawPath(heart);
            }
            p.restore();
        }
        return image;
    }
    }
    return {};
}

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
    QGuiApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    setUpPictureMemory();
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

    QStringList names;
    const QList<TemplateDef> defs = templates();
    for (int i = 0; i < defs.size(); ++i) {
        const std::optional<QString> name = makeTemplate(defs[i], i, out, QDir(scratch.path()));
        if (!name) {
            std::fprintf(stderr, "could not make the template %s\n", defs[i].package);
            return 1;
        }
        names << *name;
    }
    if (!writeList(out.filePath(QString::fromLatin1(QFTemplateCatalogue::categoriesListName)), kCategories)
        || !writeList(out.filePath(QString::fromLatin1(QFTemplateCatalogue::templatesListName)), names))
        return 1;
    return 0;
}
