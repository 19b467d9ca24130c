#include "editor/CollageKeyBinding.h"

#include "document/CollageDocument.h"
#include "editor/FotoloomController.h"
#include "layouts/CollageTypes.h"
#include "model/Collage.h"
#include "model/FakeCollage.h"
#include "platform/undo/UndoManager.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

using namespace qf;

namespace {

class OtherType : public test::FakeCollage {
public:
    OtherType() { setCollageType(QStringLiteral("mosaic")); }
};

class CollageKeyBindingTest : public ::testing::Test {
protected:
    UndoManager undo;
    CollageDocument doc;
    FotoloomController* c = nullptr;
    QList<QVariant> shown;

    void SetUp() override
    {
        doc.setHostFactory([this](CollageDocument& d) { return std::make_unique<FotoloomController>(d, &undo); });
        doc.makeWindowControllers();
        c = static_cast<FotoloomController*>(doc.fotoloomController());
        c->setCollageMaker(QStringLiteral("mosaic"), [] { return std::make_shared<OtherType>(); });
        ASSERT_TRUE(c->windowDidLoad().ok());
        endEvent();
    }
    void endEvent()
    {
        for (int i = 0; i < 20 && undo.groupingLevel() > 0; ++i)
            QCoreApplication::processEvents();
    }
    std::unique_ptr<CollageKeyBinding> bind(const QString& key)
    {
        return std::make_unique<CollageKeyBinding>(*c, key, [this](const QVariant& v) { shown.append(v); });
    }
    qint64 typeIndex(const char* type) const { return CollageTypes::typeStrings().indexOf(QLatin1String(type)); }
};

TEST_F(CollageKeyBindingTest, ShowsTheValueAtOnceAndOnEveryChange)
{
    c->collage()->setSpacing(0.05);
    auto b = bind(QStringLiteral("spacing"));
    ASSERT_EQ(shown.size(), 1);
    EXPECT_DOUBLE_EQ(shown.last().toDouble(), 0.05);
    c->collage()->setSpacing(0.1);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_DOUBLE_EQ(shown.last().toDouble(), 0.1);
}

TEST_F(CollageKeyBindingTest, WritesGoThroughTheKeyAndIntoTheHistory)
{
    auto b = bind(QStringLiteral("drawShadow"));
    const bool before = c->collage()->drawShadow();
    b->write(!before);
    EXPECT_EQ(c->collage()->drawShadow(), !before);
    endEvent();
    ASSERT_TRUE(undo.canUndo());
    undo.undo();
    // Undo replaces the collage; the binding shows the restored one.
    EXPECT_EQ(c->collage()->drawShadow(), before);
    EXPECT_EQ(shown.last().toBool(), before);
}

TEST_F(CollageKeyBindingTest, AnEchoWhileShowingWritesNothing)
{
    CollageKeyBinding* self = nullptr;
    int writesAttempted = 0;
    auto b = std::make_unique<CollageKeyBinding>(*c, QStringLiteral("spacing"), [&](const QVariant&) {
        // A control answering the new value with a rounded one of its own.
        if (self) {
            ++writesAttempted;
            self->write(0.123);
        }
    });
    self = b.get();
    c->collage()->setSpacing(0.2);
    EXPECT_EQ(writesAttempted, 1);
    EXPECT_DOUBLE_EQ(c->collage()->spacing(), 0.2);
}

TEST_F(CollageKeyBindingTest, FollowsTheCollageWhenTheTypeChanges)
{
    auto b = bind(QStringLiteral("cornerRadiusSize"));
    const std::shared_ptr<Collage> old = c->collage();
    c->changeCollageType(typeIndex("mosaic"));
    ASSERT_NE(c->collage(), old);
    const qsizetype afterChange = shown.size();
    EXPECT_GE(afterChange, 2);

    old->setCornerRadiusSize(0.15);
    EXPECT_EQ(shown.size(), afterChange);
    c->collage()->setCornerRadiusSize(0.11);
    ASSERT_EQ(shown.size(), afterChange + 1);
    EXPECT_DOUBLE_EQ(shown.last().toDouble(), 0.11);
    EXPECT_EQ(old->observationCount(b.get()), 0);
}

TEST_F(CollageKeyBindingTest, KeysTheCollageLacksShowInvalidAndWriteNothing)
{
    auto b = bind(QStringLiteral("rowCountBinding"));
    ASSERT_TRUE(shown.last().isValid());
    c->changeCollageType(typeIndex("mosaic"));
    EXPECT_FALSE(shown.last().isValid());
    EXPECT_FALSE(b->value().isValid());
    b->write(3); // logged, not raised
}

TEST_F(CollageKeyBindingTest, GoingAwayRemovesEveryRegistration)
{
    auto b = bind(QStringLiteral("spacing"));
    CollageKeyBinding* raw = b.get();
    const std::shared_ptr<Collage> collage = c->collage();
    EXPECT_EQ(collage->observationCount(raw), 1);
    EXPECT_EQ(c->observationCount(raw), 1);
    b.reset();
    EXPECT_EQ(collage->observationCount(raw), 0);
    EXPECT_EQ(c->observationCount(raw), 0);
    collage->setSpacing(0.07); // nobody left to tell
    EXPECT_EQ(shown.size(), 1);
}

} // namespace
