#include "platform/core/PictureMemory.h"
#include "platform/events/CursorStack.h"
#include "platform/graphics/Color.h"
#include "platform/json/JsonValues.h"
#include "platform/random/RandomSource.h"

#include <gtest/gtest.h>

#include <QJsonDocument>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <future>
#include <optional>
#include <thread>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

using namespace qf;

TEST(JsonValues, WrongTypesAndNonFiniteNumbersCountAsAbsent)
{
    const QJsonObject o = QJsonDocument::fromJson(R"({
        "n": 5400.7, "neg": -3.9, "s": "12", "b": true, "z": 0, "nul": null,
        "o": {"k": 1}, "a": [1, 2], "big": 1e300, "exact": 9007199254740993
    })").object();

    EXPECT_EQ(json::integer(o, u"n"), 5400); // truncated, not rounded
    EXPECT_EQ(json::integer(o, u"neg"), -3);
    EXPECT_EQ(json::integer(o, u"exact"), 9007199254740993LL);
    EXPECT_FALSE(json::integer(o, u"big")); // beyond 64 bits
    EXPECT_FALSE(json::number(o, u"s"));    // a string is not a number
    EXPECT_FALSE(json::number(o, u"nul"));
    EXPECT_FALSE(json::number(o, u"missing"));
    EXPECT_EQ(json::number(o, u"big"), 1e300);

    EXPECT_EQ(json::boolean(o, u"b"), true);
    EXPECT_EQ(json::boolean(o, u"z"), false); // numbers stand for booleans
    EXPECT_FALSE(json::boolean(o, u"s"));
    EXPECT_FALSE(json::string(o, u"n"));
    EXPECT_EQ(json::string(o, u"s"), QStringLiteral("12"));
    EXPECT_TRUE(json::object(o, u"o"));
    EXPECT_FALSE(json::object(o, u"a"));
    EXPECT_TRUE(json::array(o, u"a"));
    EXPECT_FALSE(json::array(o, u"nul"));

    // Values built in memory may hold NaN and infinity.
    QJsonObject m;
    m.insert("nan", std::numeric_limits<double>::quiet_NaN());
    m.insert("inf", std::numeric_limits<double>::infinity());
    EXPECT_FALSE(json::number(m, u"nan"));
    EXPECT_FALSE(json::integer(m, u"inf"));
    EXPECT_FALSE(json::boolean(m, u"nan"));

    EXPECT_EQ(json::clampedNumber(o, u"n", 0, 1000, 7), 1000);
    EXPECT_EQ(json::clampedNumber(o, u"s", 0, 1000, 7), 7);
    EXPECT_EQ(json::clampedInteger(o, u"neg", 0, 10, 5), 0);
    EXPECT_EQ(json::clampedInteger(o, u"big", 0, 10, 5), 5);
}

TEST(RandomSource, ScriptedSourcesRepeatAndScopesRestore)
{
    RandomSource& system = RandomSource::current();
    {
        ScriptedRandomSource scripted({7, 8});
        ScopedRandomSource scope(scripted);
        EXPECT_EQ(RandomSource::current().next(), 7u);
        EXPECT_EQ(RandomSource::current().next(), 8u);
        EXPECT_EQ(RandomSource::current().next(), 7u); // starts over
        EXPECT_EQ(scripted.callCount(), 3u);
        {
            ScriptedRandomSource inner({});
            ScopedRandomSource innerScope(inner);
            EXPECT_EQ(RandomSource::current().next(), 0u);
        }
        EXPECT_EQ(&RandomSource::current(), &scripted);
    }
    EXPECT_EQ(&RandomSource::current(), &system);
}

TEST(CursorStack, GesturesEndAtTheDepthTheyStartedAt)
{
    struct Sink : CursorSink {
        std::vector<Cursor> shown;
        void showCursor(const Cursor& c) override { shown.push_back(c); }
    } sink;
    CursorStack stack;
    stack.setSink(&sink);
    EXPECT_EQ(sink.shown.back(), Cursor::arrow());

    stack.pop(); // an empty stack stays empty
    EXPECT_EQ(stack.depth(), 0);

    const int start = stack.beginGesture();
    stack.push(Cursor::fromShape(Qt::ClosedHandCursor));
    stack.push(Cursor::fromShape(Qt::SizeHorCursor));
    EXPECT_EQ(sink.shown.back().shape, Qt::SizeHorCursor);
    stack.pop();
    EXPECT_EQ(stack.current().shape, Qt::ClosedHandCursor);
    // The mouse-up never came (grab lost): the gesture still ends clean.
    stack.endGesture(start);
    EXPECT_EQ(stack.depth(), 0);
    EXPECT_EQ(sink.shown.back(), Cursor::arrow());
    stack.setSink(nullptr);
}

TEST(Color, ConvertsToQtSafely)
{
    const QColor c = Color{2.0, -1.0, std::numeric_limits<double>::quiet_NaN(), 0.5}.toQColor();
    EXPECT_TRUE(c.isValid());
    EXPECT_EQ(c.red(), 255);
    EXPECT_EQ(c.green(), 0);
    EXPECT_EQ(c.blue(), 0);
    EXPECT_EQ(Color::fromQColor(QColor()), (Color{0, 0, 0, 0}));
    EXPECT_EQ(Color::fromQColor(QColor(Qt::white)), Color::white());
}

#if defined(__GLIBC__)
TEST(PictureMemory, PictureSizedBlocksStayInThePoolsOnlyWhilePictureWorkLasts)
{
    setUpPictureMemory();
    // Whether a block of 8 MB comes mapped from the system on its own.
    const auto mapped = [] {
        const size_t before = mallinfo2().hblkhd;
        // Through a volatile pointer: a block nothing uses may be left out.
        void* volatile block = std::malloc(8 << 20);
        const bool fromSystem = mallinfo2().hblkhd >= before + (8 << 20);
        std::free(block);
        return fromSystem;
    };
    std::optional<PictureWork> outer;
    std::optional<PictureWork> inner;
    const struct {
        const char* name;
        std::function<void()> step;
        bool mapped;
    } rows[] = {
        {"set up for pictures", [] {}, true},
        {"during picture work", [&] { outer.emplace(); }, false},
        {"nested picture work", [&] { inner.emplace(); }, false},
        {"the nested one over, the outer not", [&] { inner.reset(); }, false},
        {"all over", [&] { outer.reset(); }, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        row.step();
        EXPECT_EQ(mapped(), row.mapped);
    }
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(QF_UNDER_SANITIZERS)
// In a process of its own, set up first thing as the application is: a
// decoder's block freed on one thread is the block the next picture gets on
// another thread working beside it, not fresh pages from the system.
TEST(PictureMemoryDeathTest, ABlockFreedOnOneThreadServesTheNextOnAnother)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setUpPictureMemory();
            const PictureWork work;
            constexpr size_t kCoefficients = 24 << 20; // a 2560 x 1600 progressive JPEG's
            // Where the block lay, taken before it is freed.
            const auto decode = [] {
                void* block = std::malloc(kCoefficients);
                const auto at = reinterpret_cast<std::uintptr_t>(block);
                std::memset(block, 1, kCoefficients);
                std::free(block);
                return at;
            };
            std::promise<std::uintptr_t> first;
            std::promise<void> secondDone;
            std::thread one([&] {
                first.set_value(decode());
                secondDone.get_future().wait(); // still working when the other decodes
            });
            const std::uintptr_t a = first.get_future().get();
            std::uintptr_t b = 0;
            std::thread([&] { b = decode(); }).join();
            secondDone.set_value();
            one.join();
            std::_Exit(a == b ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}
#endif
#endif
