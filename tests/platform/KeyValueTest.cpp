#include "platform/keyvalue/KVObject.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace qf;

namespace {

const KVContext kContextA{"a"};
const KVContext kContextB{"a"}; // same text, another token

class Box : public KVObject {
public:
    static const KVKeyTable& keyTable()
    {
        static const KVKeys<Box> t = [] {
            KVKeys<Box> k;
            k.property(QStringLiteral("width"), &Box::width, &Box::setWidth);
            k.property(QStringLiteral("height"), &Box::height, &Box::setHeight);
            k.property(QStringLiteral("name"), &Box::name, &Box::setName);
            k.derived(QStringLiteral("area"), [](const Box& b) { return b.width() * b.height(); },
                      {QStringLiteral("width"), QStringLiteral("height")});
            // A key that depends on a derived key.
            k.derived(QStringLiteral("isLarge"), [](const Box& b) { return b.width() * b.height() > 100; },
                      {QStringLiteral("area")});
            return k;
        }();
        return t;
    }
    qint64 width() const { return m_width; }
    void setWidth(qint64 v) { kvSet(QStringLiteral("width"), m_width, v); }
    qint64 height() const { return m_height; }
    void setHeight(qint64 v) { kvSet(QStringLiteral("height"), m_height, v); }
    const QString& name() const { return m_name; }
    void setName(const QString& v) { kvSet(QStringLiteral("name"), m_name, v); }

    QStringList ignored;

protected:
    const KVKeyTable& kvKeyTable() const override { return keyTable(); }

private:
    qint64 m_width = 2;
    qint64 m_height = 3;
    QString m_name;
};

// Accepts one extra key and ignores another, as the collage types do.
class TolerantBox : public Box {
public:
    void setValueForUndefinedKey(const QVariant& value, const QString& key) override
    {
        if (key == QLatin1String("area")) {
            ignored.append(key);
            return;
        }
        Box::setValueForUndefinedKey(value, key);
    }
};

struct Note {
    QString key;
    KVChange change;
    const KVContext* context;
};

class Recorder : public KVObserver {
public:
    void observeValueForKeyPath(const QString& key, KVObject*, const KVChange& change,
                                const KVContext* context) override
    {
        notes.push_back({key, change, context});
        if (onNote)
            onNote(key, change);
    }
    std::vector<Note> notes;
    std::function<void(const QString&, const KVChange&)> onNote;
};

constexpr KVOptions kAll = KVOptionNew | KVOptionOld | KVOptionPrior;

} // namespace

TEST(KeyValue, ValuesByKeyAndUndefinedKeys)
{
    TolerantBox box;
    box.setValue(7, QStringLiteral("width"));
    EXPECT_EQ(box.width(), 7);
    EXPECT_EQ(box.valueForKey(QStringLiteral("area")).toLongLong(), 21);
    // Values of a convertible type are converted; others are ignored.
    box.setValue(QString("12"), QStringLiteral("height"));
    EXPECT_EQ(box.height(), 12);
    box.setValue(QVariant(), QStringLiteral("height"));
    EXPECT_EQ(box.height(), 12);

    // A read-only key goes to setValueForUndefinedKey, which may ignore it.
    box.setValue(5, QStringLiteral("area"));
    EXPECT_EQ(box.ignored, QStringList{QStringLiteral("area")});
    EXPECT_THROW(box.setValue(5, QStringLiteral("colour")), UndefinedKeyError);
    EXPECT_THROW(box.valueForKey(QStringLiteral("colour")), UndefinedKeyError);
}

TEST(KeyValue, OnePriorAndOneAfterNotificationPerChange)
{
    Box box;
    Recorder rec;
    int widthSeenAtPrior = -1;
    rec.onNote = [&](const QString&, const KVChange& c) {
        if (c.isPrior)
            widthSeenAtPrior = static_cast<int>(box.width());
    };
    box.addObserver(&rec, QStringLiteral("width"), kAll, &kContextA);
    box.setWidth(10);

    ASSERT_EQ(rec.notes.size(), 2u);
    EXPECT_TRUE(rec.notes[0].change.isPrior);
    EXPECT_EQ(rec.notes[0].change.oldValue.toLongLong(), 2);
    EXPECT_FALSE(rec.notes[0].change.newValue.isValid());
    EXPECT_EQ(widthSeenAtPrior, 2); // the prior comes before the change
    EXPECT_FALSE(rec.notes[1].change.isPrior);
    EXPECT_EQ(rec.notes[1].change.oldValue.toLongLong(), 2);
    EXPECT_EQ(rec.notes[1].change.newValue.toLongLong(), 10);
    EXPECT_EQ(rec.notes[1].context, &kContextA);

    // Only the options asked for: no prior, no old.
    Recorder plain;
    box.addObserver(&plain, QStringLiteral("height"), KVOptionNew, &kContextA);
    box.setHeight(4);
    ASSERT_EQ(plain.notes.size(), 1u);
    EXPECT_FALSE(plain.notes[0].change.oldValue.isValid());
    EXPECT_EQ(plain.notes[0].change.newValue.toLongLong(), 4);

    // Writes through the key path reach the same setter and observers.
    box.setValue(11, QStringLiteral("width"));
    EXPECT_EQ(rec.notes.back().change.newValue.toLongLong(), 11);
}

TEST(KeyValue, DependentKeysReannounceTransitively)
{
    Box box; // 2 x 3
    Recorder rec;
    box.addObserver(&rec, QStringLiteral("area"), kAll, &kContextA);
    box.addObserver(&rec, QStringLiteral("isLarge"), KVOptionNew | KVOptionOld, &kContextA);
    box.setWidth(50);

    std::vector<Note> area, large;
    for (const Note& n : rec.notes)
        (n.key == QLatin1String("area") ? area : large).push_back(n);
    ASSERT_EQ(area.size(), 2u);
    EXPECT_TRUE(area[0].change.isPrior);
    EXPECT_EQ(area[1].change.oldValue.toLongLong(), 6);
    EXPECT_EQ(area[1].change.newValue.toLongLong(), 150);
    ASSERT_EQ(large.size(), 1u);
    EXPECT_FALSE(large[0].change.oldValue.toBool());
    EXPECT_TRUE(large[0].change.newValue.toBool());

    // An unrelated key announces nothing to them.
    rec.notes.clear();
    box.setName(QStringLiteral("x"));
    EXPECT_TRUE(rec.notes.empty());
}

TEST(KeyValue, RegistrationsAreOwnedAndRemovalIsSafe)
{
    Box box;
    Recorder rec;
    // Removing what was never registered does nothing.
    box.removeObserver(&rec, QStringLiteral("width"), &kContextA);
    box.removeObserver(&rec, QStringLiteral("nothing"));

    box.addObserver(&rec, QStringLiteral("width"), KVOptionNew, &kContextA);
    box.addObserver(&rec, QStringLiteral("width"), KVOptionNew, &kContextB);
    EXPECT_EQ(box.observationCount(&rec), 2);
    // Contexts are told apart by identity, not by their text.
    box.removeObserver(&rec, QStringLiteral("width"), &kContextB);
    box.setWidth(9);
    ASSERT_EQ(rec.notes.size(), 1u);
    EXPECT_EQ(rec.notes[0].context, &kContextA);
    box.removeObserver(&rec, QStringLiteral("width"), &kContextA);
    EXPECT_FALSE(box.hasObservers());

    // An observer that goes away first leaves nothing dangling.
    {
        Recorder shortLived;
        box.addObserver(&shortLived, QStringLiteral("width"), kAll, &kContextA);
    }
    EXPECT_FALSE(box.hasObservers());
    box.setWidth(1);

    // An object that goes away first: its observer can still be destroyed.
    auto rec2 = std::make_unique<Recorder>();
    {
        Box temp;
        temp.addObserver(rec2.get(), QStringLiteral("width"), kAll, &kContextA);
    }
    rec2.reset();

    // Copies do not carry observers along.
    box.addObserver(&rec, QStringLiteral("width"), kAll, &kContextA);
    Box copy = box;
    EXPECT_FALSE(copy.hasObservers());
    EXPECT_TRUE(box.hasObservers());
}

TEST(KeyValue, ObserversMayChangeRegistrationsWhileBeingTold)
{
    auto box = std::make_unique<Box>();
    Recorder first, second;
    // The first observer removes the second during the prior notification:
    // the second hears nothing more of this change.
    first.onNote = [&](const QString&, const KVChange& c) {
        if (c.isPrior)
            box->removeObserver(&second, QStringLiteral("width"), &kContextA);
    };
    box->addObserver(&first, QStringLiteral("width"), kAll, &kContextA);
    box->addObserver(&second, QStringLiteral("width"), kAll, &kContextA);
    box->setWidth(5);
    EXPECT_EQ(first.notes.size(), 2u);
    EXPECT_TRUE(second.notes.empty());

    // An observer that destroys the object it was told about ends the round.
    Recorder destroyer, after;
    Box* raw = box.get();
    destroyer.onNote = [&](const QString&, const KVChange& c) {
        if (!c.isPrior)
            box.reset();
    };
    raw->addObserver(&destroyer, QStringLiteral("height"), KVOptionNew, &kContextA);
    raw->addObserver(&after, QStringLiteral("height"), KVOptionNew, &kContextA);
    raw->setHeight(8);
    EXPECT_EQ(box, nullptr);
    EXPECT_TRUE(after.notes.empty());
}

TEST(KeyValue, ManualAnnouncementsNestAndInitialOption)
{
    Box box;
    Recorder rec;
    box.addObserver(&rec, QStringLiteral("width"), KVOptionNew | KVOptionOld | KVOptionInitial, &kContextA);
    ASSERT_EQ(rec.notes.size(), 1u);
    EXPECT_EQ(rec.notes[0].change.newValue.toLongLong(), 2);
    rec.notes.clear();

    box.willChangeValueForKey(QStringLiteral("width"));
    box.setWidth(20); // nested pair inside the manual one
    box.didChangeValueForKey(QStringLiteral("width"));
    ASSERT_EQ(rec.notes.size(), 2u);
    EXPECT_EQ(rec.notes[0].change.oldValue.toLongLong(), 2);
    EXPECT_EQ(rec.notes[1].change.oldValue.toLongLong(), 2);
    EXPECT_EQ(rec.notes[1].change.newValue.toLongLong(), 20);

    // A did without a will is not an error that ends the program.
    box.didChangeValueForKey(QStringLiteral("height"));
}

TEST(KeyValue, KeyPathsThroughObjectValues)
{
    class Holder : public KVObject {
    public:
        Box inner;
        QVariant valueForUndefinedKey(const QString& key) const override
        {
            if (key == QLatin1String("inner"))
                return QVariant::fromValue(static_cast<KVObject*>(const_cast<Box*>(&inner)));
            return KVObject::valueForUndefinedKey(key);
        }
    } holder;
    holder.setValueForKeyPath(30, QStringLiteral("inner.width"));
    EXPECT_EQ(holder.inner.width(), 30);
    EXPECT_EQ(holder.valueForKeyPath(QStringLiteral("inner.area")).toLongLong(), 90);
}

namespace {

// The bookkeeping work of ending `count` registrations one way: 0 removed in
// the order made, 1 the objects going first, 2 the observer going first; or,
// on one key of one object watched by `count` observers, 3 removed in order,
// 4 the observers going in that order.
quint64 workToEnd(int count, int how)
{
    const quint64 before = KVObject::bookkeepingSteps();
    const QStringList keys{QStringLiteral("width"), QStringLiteral("height"), QStringLiteral("name")};
    const bool oneObject = how >= 3;
    std::vector<std::unique_ptr<Box>> boxes(oneObject ? 1 : count);
    std::vector<std::unique_ptr<Recorder>> observers(oneObject ? count : 1);
    for (auto& observer : observers)
        observer = std::make_unique<Recorder>();
    for (auto& box : boxes) {
        box = std::make_unique<Box>();
        for (const auto& observer : observers)
            for (const QString& key : oneObject ? keys.mid(0, 1) : keys)
                box->addObserver(observer.get(), key, kAll, &kContextA);
    }
    if (how == 1)
        boxes.clear();
    else if (how == 2 || how == 4)
        observers.clear();
    else
        for (const auto& box : boxes)
            for (const auto& observer : observers)
                for (const QString& key : keys)
                    box->removeObserver(observer.get(), key, &kContextA);
    for (const auto& box : boxes)
        EXPECT_FALSE(box->hasObservers());
    return KVObject::bookkeepingSteps() - before;
}

} // namespace

TEST(KeyValue, EndingRegistrationsTakesLinearWork)
{
    for (int how = 0; how < 5; ++how) {
        const quint64 small = workToEnd(500, how);
        const quint64 large = workToEnd(4000, how);
        // Eight times the registrations: eight times the work, not sixty-four.
        EXPECT_LE(large, 10 * std::max<quint64>(small, 1)) << "way " << how << ": " << small << " then " << large;
    }
}
