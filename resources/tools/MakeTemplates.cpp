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
#include "layouts/pile/RegularPileCollage.h"
#include "model/Collage.h"
#include "platform/core/PictureMemory.h"
#include "platform/plist/PropertyList.h"
#include "platform/vision/FaceDetector.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <random>

using namespace qf;

namespace {

class NoFaces : public FaceDetector {
public:
    QList<QRectF> detectFaces(const QImage&) override { return {}; }
};

enum class Scene { Beach, City, Mountains, Garden, Portrait, Balloons, Flowers, Leaves, Snow, Fair };

struct TemplateDef {
    const char* package; // file name, without the project extension
    const char* description;
    QStringList categories;
    const char* type;
    Scene scene;
    int pictures;
    QSize canvas;
    QColor background;
};

const QStringList kCategories{QStringLiteral("Travel"), QStringLiteral("Family"), QStringLiteral("Celebrations"),
                              QStringLiteral("Seasons")};

QList<TemplateDef> templates()
{
    const QString travel = kCategories[0], family = kCategories[1], party = kCategories[2], seasons = kCategories[3];
    return {
        {"Beach Holiday", "Beach Holiday", {travel}, "grid", Scene::Beach, 6, {3000, 2000}, QColor(250, 246, 236)},
        {"City Weekend", "City Weekend", {travel}, "mosaic", Scene::City, 7, {3000, 2000}, QColor(40, 44, 52)},
        {"Mountain Trail", "Mountain Trail", {travel, seasons}, "pile", Scene::Mountains, 6, {3000, 2000},
         QColor(214, 226, 214)},
        {"Family Picnic", "Family Picnic", {family}, "circlepile", Scene::Garden, 6, {3000, 2000},
         QColor(236, 244, 226)},
        {"Family Portraits", "Family Portraits", {family}, "hexagon", Scene::Portrait, 7, {2400, 2400},
         QColor(245, 240, 232)},
        {"Birthday Party", "Birthday Party", {party, family}, "pile", Scene::Balloons, 7, {3000, 2000},
         QColor(255, 228, 236)},
        {"Wedding Day", "Wedding Day", {party}, "grid", Scene::Flowers, 4, {2000, 2500}, QColor(255, 255, 255)},
        {"Autumn Leaves", "Autumn Leaves", {seasons}, "mosaic", Scene::Leaves, 8, {3000, 2000}, QColor(92, 56, 34)},
        {"Winter Snow", "Winter Snow", {seasons}, "hexagon", Scene::Snow, 7, {3000, 2000}, QColor(224, 236, 248)},
        {"Summer Fair", "Summer Fair", {party, seasons}, "circlepile", Scene::Fair, 6, {3000, 2000},
         QColor(255, 244, 214)},
    };
}

// A scene's picture: its own palette, shifted a little for each variant so
// that no two pictures are the same file.
QImage drawPicture(Scene scene, int variant, std::mt19937& rng)
{
    const bool portrait = variant % 3 == 2;
    const QSize size = portrait ? QSize(900, 1200) : QSize(1200, 900);
    const double w = size.width(), h = size.height();
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const auto rnd = [&](double lo, double hi) { return lo + (hi - lo) * unit(rng); };
    const int hueShift = variant * 11;
    const auto hue = [hueShift](int base, int s, int v) { return QColor::fromHsv((base + hueShift) % 360, s, v); };

    const auto sky = [&](QColor top, QColor bottom, double horizon) {
        QLinearGradient g(0, 0, 0, h * horizon);
        g.setColorAt(0, top);
        g.setColorAt(1, bottom);
        p.fillRect(QRectF(0, 0, w, h), g);
    };
    const auto sun = [&](QPointF c, double r, QColor colour) {
        QRadialGradient g(c, r * 2);
        g.setColorAt(0, colour);
        g.setColorAt(0.5, QColor(colour.red(), colour.green(), colour.blue(), 90));
        g.setColorAt(1, Qt::transparent);
        p.setBrush(g);
        p.drawEllipse(c, r * 2, r * 2);
        p.setBrush(colour);
        p.drawEllipse(c, r, r);
    };
    const auto hills = [&](double base, double height, QColor colour) {
        QPainterPath path(QPointF(0, h));
        path.lineTo(0, h * base);
        const int bumps = 3 + variant % 3;
        for (int i = 0; i < bumps; ++i) {
            const double x0 = w * i / bumps, x1 = w * (i + 1) / bumps;
            path.quadTo((x0 + x1) / 2, h * (base - height * rnd(0.5, 1.0)), x1, h * (base + rnd(-0.03, 0.03)));
        }
        path.lineTo(w, h);
        p.setBrush(colour);
        p.drawPath(path);
    };

    switch (scene) {
    case Scene::Beach: {
        sky(hue(200, 160, 250), hue(190, 60, 255), 0.55);
        sun(QPointF(w * rnd(0.2, 0.8), h * rnd(0.15, 0.3)), h * 0.06, QColor(255, 236, 150));
        QLinearGradient sea(0, h * 0.55, 0, h * 0.75);
        sea.setColorAt(0, hue(195, 220, 200));
        sea.setColorAt(1, hue(180, 180, 230));
        p.fillRect(QRectF(0, h * 0.55, w, h * 0.2), sea);
        p.setBrush(QColor(238, 214, 160));
        p.drawRect(QRectF(0, h * 0.75, w, h * 0.25));
        p.setBrush(hue(0, 200, 230));
        p.drawPie(QRectF(w * rnd(0.1, 0.7), h * 0.6, w * 0.2, h * 0.3), 0, 180 * 16);
        break;
    }
    case Scene::City: {
        sky(hue(230, 200, 90), hue(20, 150, 230), 1.0);
        for (int i = 0; i < 14; ++i) {
            const double bw = w * rnd(0.05, 0.12), bh = h * rnd(0.25, 0.7), x = w * rnd(-0.05, 0.95);
            p.setBrush(QColor::fromHsv((220 + hueShift) % 360, 60, int(rnd(30, 80))));
            p.drawRect(QRectF(x, h - bh, bw, bh));
            p.setBrush(QColor(255, 220, 120));
            for (double y = h - bh + 15; y < h - 20; y += 40)
                for (double wx = x + 8; wx < x + bw - 14; wx += 26)
                    if (unit(rng) < 0.45)
                        p.drawRect(QRectF(wx, y, 10, 16));
        }
        break;
    }
    case Scene::Mountains: {
        sky(hue(205, 120, 240), QColor(240, 245, 250), 0.7);
        for (int layer = 0; layer < 3; ++layer) {
            QPainterPath path(QPointF(0, h));
            const int peaks = 3 + layer;
            for (int i = 0; i <= peaks * 2; ++i)
                path.lineTo(w * i / (peaks * 2),
                            i % 2 ? h * (0.3 + 0.15 * layer) * rnd(0.8, 1.2) : h * (0.55 + 0.12 * layer));
            path.lineTo(w, h);
            p.setBrush(QColor::fromHsv((130 + hueShift + layer * 12) % 360, 90 + layer * 40, 170 - layer * 40));
            p.drawPath(path);
        }
        break;
    }
    case Scene::Garden: {
        sky(hue(200, 110, 250), QColor(250, 250, 240), 0.6);
        sun(QPointF(w * 0.8, h * 0.18), h * 0.07, QColor(255, 225, 110));
        hills(0.6, 0.1, hue(100, 150, 190));
        hills(0.75, 0.08, hue(90, 190, 150));
        p.setBrush(QColor(220, 60, 60));
        p.drawRect(QRectF(w * 0.3, h * 0.78, w * 0.4, h * 0.1));
        p.setBrush(Qt::white);
        for (int i = 0; i < 4; ++i)
            p.drawRect(QRectF(w * (0.3 + i * 0.1), h * 0.78, w * 0.05, h * 0.05));
        break;
    }
    case Scene::Portrait: {
        QRadialGradient g(QPointF(w / 2, h / 2), std::max(w, h) * 0.7);
        g.setColorAt(0, hue(30, 60, 240));
        g.setColorAt(1, hue(20, 120, 120));
        p.fillRect(QRectF(0, 0, w, h), g);
        p.setBrush(hue(210, 120, 120));
        p.drawEllipse(QPointF(w / 2, h * 1.05), w * 0.35, h * 0.35);
        p.setBrush(QColor::fromHsv(25, int(rnd(60, 140)), int(rnd(170, 240))));
        p.drawEllipse(QPointF(w / 2, h * 0.45), w * 0.15, w * 0.18);
        break;
    }
    case Scene::Balloons: {
        sky(hue(320, 40, 255), hue(280, 60, 240), 1.0);
        for (int i = 0; i < 9; ++i) {
            const QPointF c(w * rnd(0.08, 0.92), h * rnd(0.15, 0.7));
            const double r = w * rnd(0.05, 0.09);
            p.setPen(QPen(QColor(90, 90, 90), 2));
            p.drawLine(c + QPointF(0, r * 1.2), c + QPointF(rnd(-20, 20), h));
            p.setPen(Qt::NoPen);
            QRadialGradient g(c - QPointF(r * 0.3, r * 0.4), r * 1.4);
            const QColor colour = QColor::fromHsv(int(rnd(0, 360)), 200, 240);
            g.setColorAt(0, colour.lighter(150));
            g.setColorAt(1, colour);
            p.setBrush(g);
            p.drawEllipse(c, r, r * 1.2);
        }
        break;
    }
    case Scene::Flowers: {
        sky(QColor(255, 250, 252), hue(340, 50, 240), 1.0);
        for (int i = 0; i < 7; ++i) {
            const QPointF c(w * rnd(0.1, 0.9), h * rnd(0.15, 0.85));
            const double r = w * rnd(0.04, 0.08);
            p.setBrush(QColor::fromHsv((330 + int(rnd(0, 60)) + hueShift) % 360, int(rnd(30, 120)), 250));
            for (int petal = 0; petal < 6; ++petal) {
                const double a = petal * M_PI / 3;
                p.drawEllipse(c + QPointF(std::cos(a) * r, std::sin(a) * r), r * 0.7, r * 0.7);
            }
            p.setBrush(QColor(250, 210, 90));
            p.drawEllipse(c, r * 0.5, r * 0.5);
        }
        break;
    }
    case Scene::Leaves: {
        sky(hue(30, 160, 230), hue(10, 200, 140), 1.0);
        for (int i = 0; i < 22; ++i) {
            p.save();
            p.translate(w * rnd(0, 1), h * rnd(0, 1));
            p.rotate(rnd(0, 360));
            const double r = w * rnd(0.03, 0.07);
            p.setBrush(QColor::fromHsv(int(rnd(5, 50)), 220, int(rnd(160, 250))));
            p.drawEllipse(QPointF(0, 0), r, r * 0.45);
            p.setPen(QPen(QColor(90, 50, 20), 2));
            p.drawLine(QPointF(-r, 0), QPointF(r * 1.2, 0));
            p.setPen(Qt::NoPen);
            p.restore();
        }
        break;
    }
    case Scene::Snow: {
        sky(hue(215, 120, 150), QColor(235, 240, 250), 0.8);
        hills(0.7, 0.12, QColor(250, 252, 255));
        p.setBrush(QColor(40, 90, 60));
        for (int i = 0; i < 4; ++i) {
            const double x = w * rnd(0.1, 0.9), base = h * rnd(0.75, 0.9), t = h * rnd(0.2, 0.3);
            p.drawPolygon(QPolygonF{QPointF(x, base - t), QPointF(x - t * 0.35, base), QPointF(x + t * 0.35, base)});
        }
        p.setBrush(Qt::white);
        for (int i = 0; i < 120; ++i)
            p.drawEllipse(QPointF(w * rnd(0, 1), h * rnd(0, 1)), rnd(2, 6), rnd(2, 6));
        break;
    }
    case Scene::Fair: {
        sky(hue(45, 120, 255), hue(20, 160, 250), 1.0);
        const QPointF c(w * 0.5, h * 0.5);
        const double r = std::min(w, h) * 0.38;
        p.setPen(QPen(hue(0, 40, 90), 6));
        for (int i = 0; i < 12; ++i) {
            const double a = i * M_PI / 6;
            p.drawLine(c, c + QPointF(std::cos(a) * r, std::sin(a) * r));
        }
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(c, r, r);
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 12; ++i) {
            const double a = i * M_PI / 6;
            p.setBrush(QColor::fromHsv((i * 30 + hueShift) % 360, 200, 240));
            p.drawEllipse(c + QPointF(std::cos(a) * r, std::sin(a) * r), r * 0.08, r * 0.08);
        }
        break;
    }
    }
    return image;
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

// One template's package in the folder; its file name, or none.
std::optional<QString> makeTemplate(const TemplateDef& def, int index, const QDir& out, const QDir& scratch)
{
    std::mt19937 rng(1000u + quint32(index));
    QStringList paths;
    for (int i = 0; i < def.pictures; ++i) {
        const QString file = QString::fromLatin1(def.package).toLower().replace(u' ', u'-')
            + QStringLiteral("-%1.jpg").arg(i + 1);
        const QString path = scratch.filePath(file);
        if (!drawPicture(def.scene, i, rng).save(path, "JPEG", 88))
            return std::nullopt;
        // The collage keeps each picture's file date: the same one every run.
        QFile picture(path);
        if (!picture.open(QIODevice::ReadWrite)
            || !picture.setFileTime(QDateTime::fromSecsSinceEpoch(1717243200),
                                    QFileDevice::FileModificationTime))
            return std::nullopt;
        paths << path;
    }

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
    if (auto* pile = dynamic_cast<RegularPileCollage*>(&collage)) {
        pile->setBorderStyle(RegularPileCollage::BorderInstantCamera);
        pile->setDrawShadow(true);
        pile->setSpacing(0.08);
    }
    editor.intake().addImagesFromDirectoriesOrFiles(paths);
    if (auto* grid = dynamic_cast<GridCollage*>(editor.collage().get()); grid && def.pictures == 6) {
        (void)editor.runner().runCommand(QStringLiteral("changeColumnCountCommand"), {3, {}});
        (void)editor.runner().runCommand(QStringLiteral("changeRowCountCommand"), {2, {}});
    }
    if (editor.collage()->images().size() != def.pictures) {
        std::fprintf(stderr, "%s: %lld of %d pictures in the collage\n", def.package,
                     qlonglong(editor.collage()->images().size()), def.pictures);
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

    QVariantMap info{{QStringLiteral("Description"), QString::fromLatin1(def.description)}};
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
