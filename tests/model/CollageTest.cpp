#include "FakeCollage.h"

#include "model/QFCollageSize.h"
#include "model/TextPosition.h"
#include "platform/random/RandomSource.h"
#include "platform/time/Clock.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace qf;
using namespace qf::test;

namespace {

struct CapturedLog {
    static inline QStringList messages;
    static void handler(QtMsgType, const QMessageLogContext&, const QString& msg) { messages.append(msg); }
    CapturedLog()
    {
        messages.clear();
        m_previous = qInstallMessageHandler(handler);
    }
    ~CapturedLog() { qInstallMessageHandler(m_previous); }
    QtMessageHandler m_previous;
};

class CollageTest : public ::testing::Test {
protected:
    CollageTest() { collage.setMyWindowController(&host); }
    FakeHost host;
    FakeCollage collage;
};

class TextItem : public TextPosition {
public:
    QStringList keysForValuesToObserveForUndo() const override { return {QStringLiteral("probe")}; }
};

} // namespace

TEST_F(CollageTest, NewCollageDefaults)
{
    EXPECT_EQ(collage.width(), 7200);
    EXPECT_EQ(collage.height(), 5400);
    EXPECT_EQ(collage.resolution(), 300);
    EXPECT_EQ(collage.backgroundColor(), Color::white());
    EXPECT_EQ(collage.borderColor(), Color::white());
    EXPECT_DOUBLE_EQ(collage.spacing(), 0.05);
    EXPECT_DOUBLE_EQ(collage.strokeWidth(), 0.1);
    EXPECT_DOUBLE_EQ(collage.cornerRadiusSize(), 0.0);
    EXPECT_TRUE(collage.drawShadow());
    EXPECT_DOUBLE_EQ(collage.shadowX(), 0.2);
    EXPECT_DOUBLE_EQ(collage.shadowY(), -0.2);
    EXPECT_DOUBLE_EQ(collage.shadowBlur(), 0.5);
    EXPECT_EQ(collage.imageScaling(), 1);
    EXPECT_EQ(collage.selectedImagePosition(), -1);
    EXPECT_EQ(collage.selectedTextPosition(), -1);
    EXPECT_EQ(collage.handleBeingHeld(), 15);
    EXPECT_EQ(collage.backgroundImagePatternNumberOfRows(), -1);
    EXPECT_EQ(collage.valueForKey(QStringLiteral("maxSpacing")).toDouble(), 0.3);
    EXPECT_EQ(collage.valueForKey(QStringLiteral("maxCornerRadiusSize")).toDouble(), 0.2);
}

TEST_F(CollageTest, FirstEmptySlotPrefersSlotsMarkedToFill)
{
    collage.setSlots({"A", "", "B", "", "C", ""});
    EXPECT_EQ(collage.getFirstEmptyPosition(), collage.picturePositions()[1]);
    collage.picturePositions()[3]->setPreferredToFill(true);
    collage.picturePositions()[5]->setPreferredToFill(true);
    EXPECT_EQ(collage.getFirstEmptyPosition(), collage.picturePositions()[3]);
    EXPECT_EQ(collage.getAllEmptyPositions().size(), 3);

    collage.setSlots({"A", "B"});
    EXPECT_EQ(collage.getFirstEmptyPosition(), nullptr);
    EXPECT_TRUE(collage.getAllEmptyPositions().isEmpty());
}

TEST_F(CollageTest, PickPictureSwapsWithTheSlotAlreadyShowingIt)
{
    collage.setSlots({"A", "B", "C", "D", "E"});
    collage.setImages({"A", "B", "C", "D", "E"});
    for (const PositionPtr& p : collage.picturePositions())
        p->setPanZoomValue(PanZoomPos(0.4, 0.4, 0.5));
    const QImage img = FakeHost::solidImage(600, 400);

    collage.pickPicture("C", img, 4, {{"C", "/p/c.jpg"}}, {});
    EXPECT_EQ(collage.slotPictures(), (QStringList{"A", "B", "E", "D", "C"}));
    EXPECT_FALSE(collage.picturePositions()[2]->panZoomValue());
    EXPECT_FALSE(collage.picturePositions()[4]->panZoomValue());
    EXPECT_TRUE(collage.picturePositions()[0]->panZoomValue());
    EXPECT_EQ(collage.images(), (QStringList{"A", "B", "C", "D", "E"}));
    EXPECT_EQ(collage.md5ToPathsDictionary().value("C"), "/p/c.jpg");
    ASSERT_EQ(collage.faceCalls.size(), 1u);
    EXPECT_FALSE(collage.faceCalls[0].all);
    ASSERT_TRUE(collage.faceCalls[0].positions);
    EXPECT_EQ(collage.faceCalls[0].positions->size(), 2);

    // Into the slot that already shows it: nothing at all.
    collage.pickPicture("C", img, 4, {}, {});
    EXPECT_EQ(collage.slotPictures(), (QStringList{"A", "B", "E", "D", "C"}));
    EXPECT_EQ(collage.faceCalls.size(), 1u);
}

TEST_F(CollageTest, PickPictureReplacesOrAppendsNewPictures)
{
    const QImage img = FakeHost::solidImage(600, 400);
    collage.setSlots({"A", "B", "A", ""});
    collage.setImages({"A", "B"});

    // B shows only in slot 1: N takes its place in the list.
    collage.pickPicture("N", img, 1, {}, {});
    EXPECT_EQ(collage.images(), (QStringList{"A", "N"}));
    EXPECT_EQ(collage.slotPictures(), (QStringList{"A", "N", "A", ""}));
    EXPECT_EQ(collage.nsImages().value("N").size(), img.size());

    // A also shows in slot 2: M is appended.
    collage.pickPicture("M", img, 0, {}, {});
    EXPECT_EQ(collage.images(), (QStringList{"A", "N", "M"}));
    // An empty slot: appended too.
    collage.pickPicture("P", img, 3, {}, {});
    EXPECT_EQ(collage.images(), (QStringList{"A", "N", "M", "P"}));
    // The displaced picture missing from the list: appended rather than lost.
    collage.setImages({"A", "N", "M"});
    collage.pickPicture("Q", img, 3, {}, {});
    EXPECT_EQ(collage.images(), (QStringList{"A", "N", "M", "Q"}));
    // A picture listed but shown nowhere is never listed twice: into an
    // empty slot, and in place of a picture that then leaves.
    collage.setSlots({"A", "N", "M", "Q", ""});
    collage.setImages({"A", "N", "M", "Q", "H", "K"});
    collage.pickPicture("H", img, 4, {}, {});
    EXPECT_EQ(collage.images(), (QStringList{"A", "N", "M", "Q", "H", "K"}));
    collage.pickPicture("K", img, 1, {}, {});
    EXPECT_EQ(collage.images(), (QStringList{"A", "M", "Q", "H", "K"}));
    EXPECT_EQ(collage.slotPictures(), (QStringList{"A", "K", "M", "Q", "H"}));

    // Refused: no identity, no image, index out of range.
    const QStringList before = collage.slotPictures();
    collage.pickPicture("", img, 0, {}, {});
    collage.pickPicture("Z", QImage(), 0, {}, {});
    collage.pickPicture("Z", img, -1, {}, {});
    collage.pickPicture("Z", img, collage.picturePositions().size(), {}, {});
    EXPECT_EQ(collage.slotPictures(), before);
    EXPECT_FALSE(collage.images().contains("Z"));
}

TEST_F(CollageTest, ShufflePacksPicturesIntoTheFirstSlots)
{
    collage.setSlots({"A", "", "B", "", "C"});
    for (const PositionPtr& p : collage.picturePositions())
        p->setPanZoomValue(PanZoomPos(0.5, 0.5, 0.5));
    collage.setSelectedImagePosition(2);
    // Picks index 2 of (A, B, C), then 0 of (A, B), then 0 of (B).
    ScriptedRandomSource random({5, 4, 9});
    ScopedRandomSource scope(random);
    collage.shuffleInPlace();

    EXPECT_EQ(collage.slotPictures(), (QStringList{"C", "A", "B", "", ""}));
    for (const PositionPtr& p : collage.picturePositions())
        EXPECT_FALSE(p->panZoomValue());
    EXPECT_EQ(collage.selectedImagePosition(), -1);
    ASSERT_EQ(collage.faceCalls.size(), 1u);
    EXPECT_TRUE(collage.faceCalls[0].all);
    EXPECT_FALSE(collage.faceCalls[0].positions);

    FakeCollage none;
    none.shuffleInPlace();
    EXPECT_TRUE(none.faceCalls.empty());
}

TEST_F(CollageTest, OrientationAndSizeChanges)
{
    struct Recorder : KVObserver {
        QStringList keys;
        void observeValueForKeyPath(const QString& key, KVObject*, const KVChange& c, const KVContext*) override
        {
            if (!c.isPrior)
                keys.append(key);
        }
    } rec;
    collage.addObserver(&rec, "width", KVOptionNew, nullptr);
    collage.addObserver(&rec, "height", KVOptionNew, nullptr);

    collage.setSelectedImagePosition(0);
    collage.setOrientation(OrientationLandscape);
    EXPECT_EQ(collage.width(), 7200);
    EXPECT_EQ(collage.selectedImagePosition(), -1); // cleared for every value
    EXPECT_TRUE(rec.keys.isEmpty());
    collage.setOrientation(OrientationPortrait);
    EXPECT_EQ(collage.width(), 5400);
    EXPECT_EQ(collage.height(), 7200);
    EXPECT_EQ(rec.keys, (QStringList{"width", "height"}));
    collage.setOrientation(7);
    EXPECT_EQ(collage.width(), 5400);

    collage.setWidth(3000);
    collage.setHeight(3000);
    collage.setOrientation(OrientationPortrait);
    collage.setOrientation(OrientationLandscape);
    EXPECT_EQ(collage.width(), 3000);
    EXPECT_EQ(collage.height(), 3000);

    // A size whose orientation does not matter keeps the canvas's own.
    collage.setWidth(1000);
    collage.setHeight(2000);
    QFCollageSize free(3600, 2400, SizeUnitPixels, 240, false);
    collage.setCollageSizeTo(free);
    EXPECT_EQ(collage.width(), 2400);
    EXPECT_EQ(collage.height(), 3600);
    EXPECT_EQ(collage.resolution(), 240);
    collage.setWidth(2000);
    collage.setHeight(2000); // a square counts as landscape
    collage.setCollageSizeTo(free);
    EXPECT_EQ(collage.width(), 3600);
    EXPECT_EQ(collage.height(), 2400);

    QFCollageSize fixed(3600, 2400, SizeUnitPixels, 300, true);
    collage.setWidth(1000);
    collage.setHeight(2000);
    collage.setCollageSizeTo(fixed);
    EXPECT_EQ(collage.width(), 3600);
    EXPECT_EQ(collage.height(), 2400);
    EXPECT_EQ(collage.resolution(), 300);
}

TEST_F(CollageTest, SelectedSlotOperations)
{
    collage.setSlots({"A", ""});
    // No selection, or an index from elsewhere that points nowhere: nothing.
    for (qint64 index : {-1LL, 2LL, 99LL}) {
        collage.setSelectedImagePosition(index);
        collage.cropSelectedTo(1.5, PanZoomPos(0.5, 0.5, 0.5));
        collage.switchSelectedPrefferedToFill();
        collage.switchSelectedHideImagePicker();
        collage.setSelectedPictureAsBackground();
    }
    EXPECT_FALSE(collage.picturePositions()[0]->panZoomValue());
    EXPECT_FALSE(collage.backgroundIsImage());

    collage.setSelectedImagePosition(1); // the empty slot stores no crop
    collage.cropSelectedTo(1.5, PanZoomPos(0.5, 0.5, 0.5));
    EXPECT_FALSE(collage.picturePositions()[1]->panZoomValue());
    collage.switchSelectedPrefferedToFill();
    collage.switchSelectedHideImagePicker();
    EXPECT_TRUE(collage.picturePositions()[1]->preferredToFill());
    EXPECT_TRUE(collage.picturePositions()[1]->hideImagePicker());

    collage.setSelectedImagePosition(0);
    collage.cropSelectedTo(1.5, PanZoomPos(0.3, 0.4, 0.5));
    EXPECT_EQ(*collage.picturePositions()[0]->panZoomValue(), PanZoomPos(0.3, 0.4, 0.5));
    collage.removeCropFromSelected();
    EXPECT_FALSE(collage.picturePositions()[0]->panZoomValue());

    host.store.insert("A", FakeHost::solidImage(600, 300));
    collage.setBackgroundImagePatternNumberOfRows(4);
    collage.setSelectedPictureAsBackground();
    EXPECT_TRUE(collage.backgroundIsImage());
    EXPECT_EQ(collage.backgroundImagePath(), "A");
    EXPECT_EQ(collage.backgroundImage().size(), QSize(600, 300));
    EXPECT_EQ(collage.backgroundImagePatternNumberOfRows(), -1);
}

TEST_F(CollageTest, BackgroundPictureFromAFile)
{
    collage.setImages({"A", "B"});
    host.importable.insert("/pics/bg.png", "BG");
    collage.setBackgroundImageByPath("/pics/bg.png");
    EXPECT_TRUE(collage.backgroundIsImage());
    EXPECT_EQ(collage.backgroundImagePath(), "BG");
    EXPECT_FALSE(collage.backgroundImage().isNull());
    EXPECT_EQ(collage.allPicturesInUse(), (QStringList{"A", "B", "BG"}));

    // An unreadable file leaves no background picture behind.
    collage.setBackgroundImageByPath("/pics/broken.png");
    EXPECT_FALSE(collage.backgroundIsImage());
    EXPECT_TRUE(collage.backgroundImagePath().isEmpty());
    EXPECT_TRUE(collage.backgroundImage().isNull());
    EXPECT_EQ(collage.allPicturesInUse(), (QStringList{"A", "B"}));

    // No duplicate removal: the document keeps exactly these.
    collage.setBackgroundImageByMd5("A");
    EXPECT_EQ(collage.allPicturesInUse(), (QStringList{"A", "B", "A"}));
}

TEST_F(CollageTest, ImagesComeFromTheHostAndScreenImagesAreCached)
{
    host.store.insert("A", FakeHost::solidImage(600, 400));
    EXPECT_TRUE(collage.getNsImage("", false).isNull());
    EXPECT_EQ(collage.getNsImage("A", true).width(), 1200); // full size, not cached
    EXPECT_FALSE(collage.nsImages().contains("A"));
    EXPECT_EQ(collage.getNsImage("A", false).width(), 600);
    EXPECT_TRUE(collage.nsImages().contains("A"));
    host.store.remove("A");
    EXPECT_EQ(collage.getNsImage("A", false).width(), 600); // from the cache
    EXPECT_TRUE(collage.getNsImage("missing", false).isNull());
    EXPECT_FALSE(collage.nsImages().contains("missing"));
}

TEST_F(CollageTest, FacePassVisitsTheRightSlotsOnce)
{
    for (const char* id : {"A", "B", "C"})
        host.store.insert(id, FakeHost::solidImage(600, 400));
    host.detector = [](const QImage&) { return QPointF(0.25, 0.75); };
    collage.setSlots({"A", "", "B", "C"});
    collage.picturePositions()[2]->setPanZoomValue(PanZoomPos());

    collage.detectFacesOnlyAll(false, false, std::nullopt); // neither all nor a list: nothing
    EXPECT_EQ(host.detections, 0);
    collage.detectFacesOnlyAll(false, true, std::nullopt); // only slots without a crop
    EXPECT_EQ(host.detections, 2);
    EXPECT_EQ(collage.faceCentroidDict().value("A"), QPointF(0.25, 0.75));
    EXPECT_FALSE(collage.faceCentroidDict().contains("B"));
    collage.detectFacesOnlyAll(true, false, std::nullopt); // a picture is detected once
    EXPECT_EQ(host.detections, 3);

    // A picture the store cannot give is cached as having no face.
    collage.setSlots({"Z"});
    collage.detectFacesOnlyAll(true, false, std::nullopt);
    EXPECT_EQ(collage.faceCentroidDict().value("Z"), QPointF(-1, -1));
}

TEST_F(CollageTest, FacePassStopsAfterFifteenSecondsAndResumesLater)
{
    ManualClock clock;
    ScopedClock scope(clock);
    QStringList ids{"P0", "P1", "P2", "P3", "P4"};
    for (const QString& id : ids)
        host.store.insert(id, FakeHost::solidImage(60, 40));
    host.detector = [&](const QImage&) {
        clock.advance(6000);
        return QPointF(-1, -1);
    };
    collage.setSlots(ids);

    {
        CapturedLog log;
        collage.detectFacesOnlyAll(true, false, std::nullopt);
        EXPECT_EQ(log.messages.count("Long time spent in detecting faces, returning"), 1);
    }
    // 0 s, 6 s and 12 s start a detection; at 18 s the pass ends.
    EXPECT_EQ(collage.faceCentroidDict().size(), 3);
    EXPECT_FALSE(collage.faceCentroidDict().contains("P3"));

    collage.detectFacesOnlyAll(true, false, std::nullopt);
    EXPECT_EQ(collage.faceCentroidDict().size(), 5);
    EXPECT_EQ(host.detections, 5);
}

TEST_F(CollageTest, TypeChangeCarriesSettingsAndMovesTextItems)
{
    FakeCollage old;
    old.setBackgroundIsImage(true);
    old.setBackgroundImageIsPattern(true);
    old.setBackgroundImagePatternNumberOfRows(3);
    old.setBackgroundColor({0.1, 0.2, 0.3, 1.0});
    old.setBackgroundImagePath("BG");
    old.setBorderColor({0.5, 0.5, 0.5, 0.5});
    old.setShadowX(0.7);
    old.setShadowY(0.8);
    old.setShadowBlur(0.9);
    old.setWidth(1000);
    old.setHeight(800);
    old.setResolution(150);
    old.setSpacing(0.2);
    old.setDrawShadow(false);
    old.setLockText(true);
    old.faceCentroidDict().insert("A", QPointF(0.5, 0.5));
    auto item = std::make_shared<TextItem>();
    old.textPositions().append(item);
    old.setSelectedTextPosition(0);
    old.setSlots({"A"});

    collage.copyCommonSettings(old);
    EXPECT_TRUE(collage.backgroundIsImage());
    EXPECT_TRUE(collage.backgroundImageIsPattern());
    EXPECT_EQ(collage.backgroundImagePatternNumberOfRows(), 3);
    EXPECT_EQ(collage.backgroundColor(), (Color{0.1, 0.2, 0.3, 1.0}));
    EXPECT_EQ(collage.backgroundImagePath(), "BG");
    EXPECT_EQ(collage.borderColor(), (Color{0.5, 0.5, 0.5, 0.5}));
    EXPECT_DOUBLE_EQ(collage.shadowBlur(), 0.9);
    EXPECT_EQ(collage.width(), 1000);
    EXPECT_EQ(collage.height(), 800);
    EXPECT_EQ(collage.resolution(), 150);
    EXPECT_EQ(collage.faceCentroidDict().value("A"), QPointF(0.5, 0.5));
    // Kept at the new type's own defaults.
    EXPECT_DOUBLE_EQ(collage.spacing(), 0.05);
    EXPECT_TRUE(collage.drawShadow());
    EXPECT_FALSE(collage.lockText());
    EXPECT_EQ(collage.selectedTextPosition(), -1);
    EXPECT_TRUE(collage.picturePositions().isEmpty());
    // The same text item objects now belong to the new collage only.
    ASSERT_EQ(collage.textPositions().size(), 1);
    EXPECT_EQ(collage.textPositions()[0], item);
    EXPECT_TRUE(old.textPositions().isEmpty());
    EXPECT_EQ(old.selectedTextPosition(), -1);
}

TEST_F(CollageTest, UndoObservationRegistersOnceAndTextItemsFollow)
{
    auto item = std::make_shared<TextItem>();
    collage.textPositions().append(item);

    collage.stopObservingProperties(); // not observed: nothing happens
    collage.startObservingProperties();
    collage.startObservingProperties(&host);
    EXPECT_TRUE(collage.beingObserved());
    EXPECT_EQ(collage.observationCount(&host), 14);
    EXPECT_TRUE(item->beingObserved());
    EXPECT_EQ(item->observationCount(&host), 1);

    collage.setSpacing(0.1);
    EXPECT_EQ(host.observedChanges, 2); // prior and after
    collage.setWidth(10); // not an undo key
    EXPECT_EQ(host.observedChanges, 2);

    // Removing the selected text item unregisters it first.
    collage.setSelectedTextPosition(0);
    EXPECT_TRUE(collage.removeSelectedText());
    EXPECT_FALSE(item->beingObserved());
    EXPECT_EQ(item->observationCount(&host), 0);
    EXPECT_TRUE(collage.textPositions().isEmpty());
    EXPECT_EQ(collage.selectedTextPosition(), -1);
    EXPECT_FALSE(collage.removeSelectedText());

    collage.stopObservingProperties(&host);
    EXPECT_FALSE(collage.beingObserved());
    EXPECT_EQ(collage.observationCount(&host), 0);
}

TEST_F(CollageTest, RemoveSelectedTextOrPictureTriesBoth)
{
    collage.setSlots({"A", "B"});
    collage.textPositions().append(std::make_shared<TextItem>());
    collage.setSelectedImagePosition(1);
    collage.setSelectedTextPosition(0);
    EXPECT_TRUE(collage.removeSelectedTextOrPicture());
    EXPECT_TRUE(collage.textPositions().isEmpty());
    EXPECT_EQ(collage.slotPictures(), (QStringList{"A", ""}));
    EXPECT_FALSE(collage.removeSelectedTextOrPicture());

    // A stale text index selects nothing and is cleared.
    collage.setSelectedTextPosition(5);
    EXPECT_FALSE(collage.removeSelectedText());
    EXPECT_EQ(collage.selectedTextPosition(), -1);
}

TEST(CollageGeometry, AngleBetweenOriginIsMeasuredFromUp)
{
    EXPECT_NEAR(Collage::AngleBetweenOrigin({0, 0}, {0, 5}), 0.0, 1e-7);
    EXPECT_NEAR(Collage::AngleBetweenOrigin({1, 1}, {2, 1}), M_PI / 2, 1e-6);
    EXPECT_NEAR(Collage::AngleBetweenOrigin({0, 0}, {-1, 0}), -M_PI / 2, 1e-6);
    EXPECT_NEAR(std::fabs(Collage::AngleBetweenOrigin({0, 0}, {0, -1})), M_PI, 1e-6);
}
