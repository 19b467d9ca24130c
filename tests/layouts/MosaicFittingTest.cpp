#include "layouts/mosaic/MosaicFitting.h"
#include "MosaicFittingReference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

using namespace qf::mosaic;

namespace {

// A reproducible source of the 32-bit values the engine draws from.
struct Seeded {
    explicit Seeded(unsigned seed) : engine(seed) {}
    std::mt19937 engine;
    RandomNext next() { return [this] { return std::uint32_t(engine()); }; }
};

RandomNext constant(std::uint32_t value)
{
    return [value] { return value; };
}

std::vector<double> randomAspects(std::mt19937& engine, std::size_t count)
{
    std::uniform_real_distribution<double> exponent(std::log(0.25), std::log(4.0));
    std::vector<double> aspects(count);
    for (double& a : aspects)
        a = std::exp(exponent(engine));
    return aspects;
}

// One slot a picture, inside the unit square, tiling it without overlap.
void expectTiling(const Fit& fit, std::size_t pictures)
{
    ASSERT_EQ(fit.placed.size(), pictures);
    std::vector<int> seen(pictures, 0);
    double area = 0;
    constexpr double e = 1e-9;
    for (const Slot& s : fit.placed) {
        ASSERT_LT(s.picture, pictures);
        ++seen[s.picture];
        EXPECT_TRUE(std::isfinite(s.x) && std::isfinite(s.y) && std::isfinite(s.width) && std::isfinite(s.height));
        EXPECT_GT(s.width, 0);
        EXPECT_GT(s.height, 0);
        EXPECT_GE(s.x, -e);
        EXPECT_GE(s.y, -e);
        EXPECT_LE(s.x + s.width, 1 + e);
        EXPECT_LE(s.y + s.height, 1 + e);
        area += s.width * s.height;
    }
    EXPECT_NEAR(area, 1.0, 1e-9);
    for (std::size_t i = 0; i < pictures; ++i)
        EXPECT_EQ(seen[i], 1) << "picture " << i;
    for (std::size_t i = 0; i < fit.placed.size(); ++i)
        for (std::size_t j = i + 1; j < fit.placed.size(); ++j) {
            const Slot& a = fit.placed[i];
            const Slot& b = fit.placed[j];
            const double across = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
            const double down = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
            EXPECT_FALSE(across > 1e-9 && down > 1e-9) << i << " and " << j << " overlap";
        }
}

} // namespace

TEST(MosaicFitting, RatiosOfSideBySideAndStackedPairs)
{
    const RandomNext zero = constant(0);
    MosaicNode tree(zero);
    tree.prepareFromNsImages({0, 1}, {2.0, 2.0});
    ASSERT_EQ(tree.numberOfLeafs(), 2u);
    EXPECT_DOUBLE_EQ(tree.ratio(), 4.0);
    tree.switchJoin(tree.root());
    EXPECT_DOUBLE_EQ(tree.ratio(), 1.0);
    // Deeper down, a flip changes every aspect on the way up.
    MosaicNode four(zero);
    four.prepareFromNsImages({0, 1, 2, 3}, {1.0, 1.0, 1.0, 1.0});
    EXPECT_DOUBLE_EQ(four.ratio(), 4.0);
    std::vector<int> inner;
    four.listOfNonLeafs(inner);
    ASSERT_EQ(inner.size(), 3u);
    EXPECT_EQ(inner[1], four.root()) << "left subtree's, then the node, then the right's";
    four.switchJoin(inner[0]);
    EXPECT_DOUBLE_EQ(four.ratio(), 0.5 + 2.0);
}

TEST(MosaicFitting, TwoSquaresFillTheirCanvas)
{
    const struct {
        double width, height;
        bool goodFit;
        double slotWidth, slotHeight;
    } rows[] = {
        {2000, 1000, true, 0.5, 1.0}, // side by side, exactly
        {1000, 1000, false, 1.0, 0.5}, // 2 and 0.5 reachable: stacked is nearer
    };
    for (const auto& row : rows) {
        Seeded random(7);
        const RandomNext next = random.next();
        const Fit fit = fitPictures({1.0, 1.0}, row.width, row.height, next);
        expectTiling(fit, 2);
        EXPECT_EQ(fit.goodFit, row.goodFit);
        for (const Slot& s : fit.placed) {
            EXPECT_DOUBLE_EQ(s.width, row.slotWidth);
            EXPECT_DOUBLE_EQ(s.height, row.slotHeight);
        }
    }
}

TEST(MosaicFitting, EveryPictureGetsOneSlotAndGoodFitsKeepTheirAspects)
{
    std::mt19937 sizes(2024);
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        const std::size_t count = seed <= 4 ? seed : 1 + sizes() % 200;
        const std::vector<double> aspects = randomAspects(sizes, count);
        const double width = 800 + sizes() % 2400, height = 800 + sizes() % 2400;
        Seeded random(seed);
        const RandomNext next = random.next();
        const Fit fit = fitPictures(aspects, width, height, next);
        expectTiling(fit, count);
        if (fit.goodFit) {
            for (const Slot& s : fit.placed) {
                const double aspect = s.width * width / (s.height * height);
                EXPECT_NEAR(aspect / aspects[s.picture], 1.0, 0.05) << "picture " << s.picture;
            }
        }
    }
}

TEST(MosaicFitting, AspectsThatAreNoNumbersCountAsSquares)
{
    const std::vector<double> aspects{0.0, -2.0, std::nan(""), INFINITY, 1.5};
    Seeded random(3);
    const RandomNext next = random.next();
    expectTiling(fitPictures(aspects, 1200, 800, next), aspects.size());
    EXPECT_TRUE(fitPictures({}, 1200, 800, next).placed.empty());
    expectTiling(fitPictures({1.0, 2.0}, 0, std::nan(""), next), 2);
}

TEST(MosaicFitting, CutsStandBetweenFortyAndSixtyPercentAndNeverForFourPictures)
{
    // Constant values draw the smallest and the largest cut fractions.
    const struct {
        std::size_t pictures;
        std::uint32_t value;
        const char* firstCut; // none: the part is never cut
    } rows[] = {{5, 0, "Ratio:0.400000"}, {5, 63, "Ratio:0.596875"}, {4, 0, nullptr}, {4, 63, nullptr}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value);
        std::vector<std::string> lines;
        const Log log = [&lines](const char* line) { lines.emplace_back(line); };
        const RandomNext next = constant(row.value);
        const Fit fit = fitPictures(std::vector<double>(row.pictures, 1.5), 3000, 1000, next, log);
        expectTiling(fit, row.pictures);
        std::vector<std::string> cuts;
        for (const std::string& line : lines)
            if (line.rfind("Ratio:", 0) == 0)
                cuts.push_back(line);
        if (row.firstCut) {
            ASSERT_FALSE(cuts.empty());
            EXPECT_EQ(cuts.front(), row.firstCut);
        } else {
            EXPECT_TRUE(cuts.empty());
        }
        EXPECT_FALSE(lines.empty() || lines.back().rfind("Size of leaf node:", 0) != 0);
    }
}

TEST(MosaicFitting, HillClimbEndsWithinToleranceOrWhereNoFlipHelps)
{
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 engine(seed);
        const std::vector<double> aspects = randomAspects(engine, 2 + seed * 3);
        std::vector<int> pictures(aspects.size());
        for (std::size_t i = 0; i < pictures.size(); ++i)
            pictures[i] = int(i);
        Seeded random(seed);
        const RandomNext next = random.next();
        MosaicNode tree(next);
        tree.prepareFromNsImages(pictures, aspects);
        const double target = 0.3 + seed * 0.2;
        tree.improveTowards(target);
        const double reached = std::abs(tree.ratio() - target);
        if (reached < kFitTolerance)
            continue;
        std::vector<int> inner;
        tree.listOfNonLeafs(inner);
        for (const int n : inner) {
            tree.switchJoin(n);
            EXPECT_GE(std::abs(tree.ratio() - target), reached) << "seed " << seed << ": a flip would help";
            tree.switchJoin(n);
        }
    }
}

TEST(MosaicFitting, LayoutsAreThoseOfTheAlgorithmAsFirstWritten)
{
    // The same random values give the same placed, bit for bit.
    for (const std::size_t count : {1u, 2u, 3u, 5u, 8u, 13u, 30u, 60u}) {
        SCOPED_TRACE(count);
        std::mt19937 engine{unsigned(count)};
        const std::vector<double> aspects = randomAspects(engine, count);
        Seeded ours(99 + unsigned(count)), theirs(99 + unsigned(count));
        const RandomNext oursNext = ours.next(), theirsNext = theirs.next();
        const Fit a = fitPictures(aspects, 3000, 2000, oursNext);
        const Fit b = reference::fitPictures(aspects, 3000, 2000, theirsNext);
        ASSERT_EQ(a.placed.size(), b.placed.size());
        EXPECT_EQ(a.goodFit, b.goodFit);
        for (std::size_t i = 0; i < a.placed.size(); ++i) {
            EXPECT_EQ(a.placed[i].picture, b.placed[i].picture);
            EXPECT_EQ(a.placed[i].x, b.placed[i].x);
            EXPECT_EQ(a.placed[i].y, b.placed[i].y);
            EXPECT_EQ(a.placed[i].width, b.placed[i].width);
            EXPECT_EQ(a.placed[i].height, b.placed[i].height);
        }
        EXPECT_EQ(ours.engine(), theirs.engine()) << "as many values drawn";
    }
}
