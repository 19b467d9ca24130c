// Every shipped template opened as a person opens one: through the editor,
// with its pictures decoded from the package.
#include "document/CollageDocument.h"
#include "document/QFTemplateCatalogue.h"
#include "editor/CollageExporter.h"
#include "editor/FotoloomController.h"
#include "layouts/common/SlotCollage.h"
#include "layouts/pile/PileCollage.h"
#include "layouts/pile/PilePosition.h"
#include "model/Collage.h"
#include "model/TextPosition.h"
#include "platform/plist/PropertyList.h"
#include "platform/vision/FaceDetector.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPolygonF>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace qf;

namespace {

const QString kFolder = QStringLiteral(QF_GENERATED_TEMPLATES_DIR);

class NoFaces : public FaceDetector {
public:
    QList<QRectF> detectFaces(const QImage&) override { return {}; }
};

QStringList shippedTemplates()
{
    QFile file(QDir(kFolder).filePath(QString::fromLatin1(QFTemplateCatalogue::templatesListName)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return PropertyList::read(file.readAll()).value_or(QVariant()).toStringList();
}

// Peak signal-to-noise ratio of two pictures of one size, in dB.
double psnr(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            const int dr = qRed(p[col]) - qRed(q[col]), dg = qGreen(p[col]) - qGreen(q[col]),
                      db = qBlue(p[col]) - qBlue(q[col]);
            sum += dr * dr + dg * dg + db * db;
        }
    }
    const double mse = sum / (3.0 * x.width() * x.height());
    return mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 99.0;
}

// The middle of the pictures, each weighing as much as its area, in
// fractions of the canvas.
QPointF middleOfThePictures(const Collage& collage)
{
    const double w = double(collage.width()), h = double(collage.height());
    const auto* slotted = dynamic_cast<const SlotCollage*>(&collage);
    const auto* pile = dynamic_cast<const PileCollage*>(&collage);
    QPointF sum;
    double weight = 0;
    for (qsizetype i = 0; i < collage.picturePositions().size(); ++i) {
        if (slotted) {
            const QRectF rect = slotted->slotRect(i, w, h);
            const double area = rect.width() * rect.height() / (w * h);
            const QPointF c = slotted->slotHolderCentre(i, w, h);
            sum += QPointF(c.x() / w, c.y() / h) * area;
            weight += area;
        } else if (const auto* card = dynamic_cast<const PilePosition*>(collage.picturePositions()[i].get());
                   card && pile) {
            const double area = card->scale() * card->scale() / pile->widthUponHeightForPosition(*card);
            sum += card->center() * area;
            weight += area;
        }
    }
    return weight > 0 ? sum / weight : QPointF(-1, -1);
}

} // namespace

// Each template opens full and balanced: every place shows its picture,
// places of a size with each other around the canvas's middle, every title
// wholly on the canvas, and the chooser's preview is the collage itself.
TEST(ShippedTemplates, OpenFullBalancedTitledAndAsPreviewed)
{
    NoFaces noFaces;
    const ScopedFaceDetector faces(noFaces);
    const QStringList names = shippedTemplates();
    ASSERT_FALSE(names.isEmpty());
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QString package = QDir(kFolder).filePath(name);
        CollageDocument doc;
        doc.setHostFactory([](CollageDocument& d) { return std::make_unique<FotoloomController>(d, &d.undoManager()); });
        ASSERT_TRUE(doc.readFromPath(package));
        doc.makeWindowControllers();
        auto* editor = static_cast<FotoloomController*>(doc.fotoloomController());
        ASSERT_TRUE(editor && editor->windowDidLoad());
        Collage& collage = *editor->collage();
        const double w = double(collage.width()), h = double(collage.height());

        EXPECT_TRUE(collage.getAllEmptyPositions().isEmpty());
        EXPECT_GE(collage.picturePositions().size(), 4);
        for (const PositionPtr& slot : collage.picturePositions())
            EXPECT_FALSE(collage.getNsImage(slot->picture(), false).isNull());
        if (collage.backgroundIsImage()) {
            EXPECT_FALSE(collage.backgroundImage().isNull());
        }

        // No sliver beside a large place, and no side of the canvas left bare.
        if (const auto* slotted = dynamic_cast<const SlotCollage*>(&collage)) {
            std::vector<double> areas;
            for (qsizetype i = 0; i < collage.picturePositions().size(); ++i) {
                const QRectF rect = slotted->slotRect(i, w, h);
                areas.push_back(rect.width() * rect.height());
            }
            std::sort(areas.begin(), areas.end());
            EXPECT_GE(areas.front(), 0.45 * areas[areas.size() / 2]);
        }
        const QPointF middle = middleOfThePictures(collage);
        EXPECT_NEAR(middle.x(), 0.5, 0.05);
        EXPECT_NEAR(middle.y(), 0.5, 0.05);

        ASSERT_FALSE(collage.textPositions().isEmpty());
        for (const TextPositionPtr& text : collage.textPositions()) {
            SCOPED_TRACE(text->content().toStdString());
            EXPECT_FALSE(text->content().trimmed().isEmpty());
            const QRectF box = text->getBoundaryRectForCollageWidth(w, collage.width(), collage.height(), true);
            const QRectF onCanvas = text->getTransformationMatrixForWidth(w, h).map(QPolygonF(box)).boundingRect();
            EXPECT_TRUE(QRectF(0, 0, w, h).contains(onCanvas))
                << onCanvas.x() << "," << onCanvas.y() << " " << onCanvas.width() << "x" << onCanvas.height();
            // A title for the occasion: a chosen font, larger than body text.
            EXPECT_NE(text->font().family(), TextPosition::defaultFont().family());
            EXPECT_GE(text->fontSize(), 0.025 * w);
        }

        const QImage preview(QDir(package).filePath(QString::fromLatin1(QFTemplateCatalogue::previewName)));
        ASSERT_FALSE(preview.isNull());
        const QImage drawn = editor->exporter().getImageBitmapRepForWidth(preview.width(), preview.height());
        ASSERT_EQ(drawn.size(), preview.size());
        EXPECT_GT(psnr(drawn, preview), 30.0);
    }
}
