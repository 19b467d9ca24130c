#include "layouts/mosaic/CenterCollage.h"

#include "model/CollageJsonKeys.h"
#include "model/FakeCollage.h"

#include <QJsonArray>

#include <gtest/gtest.h>

using namespace qf;
using namespace qf::test;

namespace {

class CenterCollageTest : public ::testing::Test {
protected:
    CenterCollageTest()
    {
        frame.setMyWindowController(&host);
        frame.setWidth(1500);
        frame.setHeight(1000);
        frame.setupEmptyPositions();
    }
    QRectF rectOf(qint64 i) const { return frame.mosaicSlot(i)->positionRect(); }
    qint64 centreIndex() const
    {
        for (qint64 i = 0; i < frame.picturePositions().size(); ++i)
            if (CenterCollage::isCenter(frame.picturePositions()[i]))
                return i;
        return -1;
    }
    QStringList pictures(int count)
    {
        QStringList md5s;
        for (int i = 0; i < count; ++i) {
            md5s.append(QStringLiteral("p%1").arg(i));
            host.store.insert(md5s.last(), FakeHost::solidImage(300, 200));
        }
        return md5s;
    }

    FakeHost host;
    CenterCollage frame;
};

} // namespace

TEST_F(CenterCollageTest, ANewSymmetricFrameHasItsCentreAtTheCanvasAspect)
{
    ASSERT_EQ(frame.picturePositions().size(), 7);
    ASSERT_EQ(centreIndex(), 3);
    const QRectF centre = rectOf(3);
    EXPECT_DOUBLE_EQ(centre.width(), centre.height()) << "c by c of the canvas: its aspect";
    const int hundredths = int(std::lround(centre.width() * 100));
    EXPECT_TRUE(hundredths >= 40 && hundredths <= 49) << hundredths;
    EXPECT_DOUBLE_EQ(rectOf(0).width(), 0.5) << "top row cut in the middle";
    EXPECT_DOUBLE_EQ(rectOf(5).width(), 0.5) << "bottom row too";
    double area = 0;
    for (qint64 i = 0; i < 7; ++i)
        area += rectOf(i).width() * rectOf(i).height();
    EXPECT_NEAR(area, 1.0, 1e-12);
}

TEST_F(CenterCollageTest, SplitsPassTheCentreAndMirrorEachOther)
{
    frame.addPictures(pictures(8), host.store, {}, {});
    ASSERT_EQ(frame.picturePositions().size(), 8);
    EXPECT_TRUE(frame.picturePositions()[centreIndex()]->picture().startsWith('p'));
    // The eighth halved a frame slot; the ninth halves its mirror image, so
    // every slot has its mirror again.
    EXPECT_DOUBLE_EQ(rectOf(7).width(), 0.25);
    frame.addPictures({QStringLiteral("p8")}, {{QStringLiteral("p8"), FakeHost::solidImage(300, 200)}}, {}, {});
    ASSERT_EQ(frame.picturePositions().size(), 9);
    for (qint64 i = 0; i < 9; ++i) {
        const QRectF r = rectOf(i);
        const QRectF mirror(1 - r.x() - r.width(), r.y(), r.width(), r.height());
        bool found = false;
        for (qint64 j = 0; j < 9; ++j)
            found = found
                || (std::abs(rectOf(j).x() - mirror.x()) < 1e-12 && std::abs(rectOf(j).y() - mirror.y()) < 1e-12
                    && std::abs(rectOf(j).width() - mirror.width()) < 1e-12);
        EXPECT_TRUE(found) << "slot " << i << " has no mirror image";
    }

    // The centre is never split automatically, even as the largest slot.
    frame.picturePositions().clear();
    frame.picturePositions().append(std::make_shared<CenterPosition>(QString(), QRectF(0, 0, 0.8, 1), true));
    frame.picturePositions().append(std::make_shared<CenterPosition>(QString(), QRectF(0.8, 0, 0.2, 1), false));
    EXPECT_EQ(frame.findNextIndexToSplit(), 1);
    frame.picturePositions().removeLast();
    EXPECT_EQ(frame.findNextIndexToSplit(), -1);
}

TEST_F(CenterCollageTest, SetAsCentreTradesPicturesWithTheCentre)
{
    frame.addPictures(pictures(1), host.store, {}, {});
    const qint64 centre = centreIndex();
    qint64 holder = -1;
    for (qint64 i = 0; i < 7; ++i)
        if (!frame.picturePositions()[i]->isEmpty())
            holder = i;
    ASSERT_GE(holder, 0);
    if (holder == centre) { // give the centre's picture to a frame slot first
        frame.picturePositions()[0]->setPicture(QStringLiteral("p0"));
        frame.picturePositions()[centre]->setPicture(QString());
        holder = 0;
    }
    frame.setSelectedImagePosition(holder);
    frame.setSelectedAsCenter();
    EXPECT_EQ(frame.picturePositions()[centre]->picture(), QStringLiteral("p0"));
    EXPECT_TRUE(frame.picturePositions()[holder]->isEmpty());
    EXPECT_EQ(frame.selectedImagePosition(), -1);

    frame.setSelectedImagePosition(centre);
    frame.setSelectedAsCenter();
    EXPECT_EQ(frame.picturePositions()[centre]->picture(), QStringLiteral("p0")) << "on the centre: deselects only";
    EXPECT_EQ(frame.selectedImagePosition(), -1);

    // Slots typed as positions have no centre: nothing to trade with.
    ASSERT_TRUE(frame.setInitialEmptyPositions(QStringLiteral("[[[0,0],[1,1]]]")));
    frame.picturePositions()[0]->setPicture(QStringLiteral("p0"));
    frame.setSelectedImagePosition(0);
    frame.setSelectedAsCenter();
    EXPECT_EQ(frame.picturePositions()[0]->picture(), QStringLiteral("p0"));
}

TEST_F(CenterCollageTest, FilesKeepTheCentreAndTheSymmetricSetting)
{
    frame.addPictures(pictures(3), host.store, {}, {});
    frame.setSymmetric(false);
    CenterCollage read;
    read.setMyWindowController(&host);
    read.setMyPropertiesFrom(frame.dictionaryRepresentationActual(false));
    EXPECT_FALSE(read.symmetric());
    ASSERT_EQ(read.picturePositions().size(), frame.picturePositions().size());
    for (qint64 i = 0; i < read.picturePositions().size(); ++i)
        EXPECT_EQ(CenterCollage::isCenter(read.picturePositions()[i]), CenterCollage::isCenter(frame.picturePositions()[i]));

    // Without the keys: symmetric, and every slot a frame slot.
    QJsonObject old = frame.dictionaryRepresentationActual(false);
    old.remove(QStringLiteral("cisym"));
    QJsonArray cells = old.value(CollageJsonKeys::kSlotsKey).toArray();
    for (qsizetype i = 0; i < cells.size(); ++i) {
        QJsonObject slot = cells[i].toObject();
        slot.remove(QStringLiteral("cisposcen"));
        cells.replace(i, slot);
    }
    old.insert(CollageJsonKeys::kSlotsKey, cells);
    CenterCollage older;
    older.setMyPropertiesFrom(old);
    EXPECT_TRUE(older.symmetric());
    for (const PositionPtr& slot : older.picturePositions())
        EXPECT_FALSE(CenterCollage::isCenter(slot));
}
