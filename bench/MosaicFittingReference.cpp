#include "MosaicFittingReference.h"

#include <cmath>
#include <memory>
#include <unordered_map>
#include <utility>

namespace qf::mosaic::reference {

namespace {

struct Random {
    const RandomNext& next;
    std::size_t indexBelow(std::size_t count) const
    {
        return count == 0 ? 0 : std::size_t(std::uint64_t(next()) % std::uint64_t(count));
    }
    bool randomBool() const { return next() % 2 == 0; }
    double randomFrom0to1() const { return double(next() & 63u) / 64.0; }
    template <typename T>
    std::vector<T> randomlyShuffledNewArray(const std::vector<T>& list) const
    {
        std::vector<T> working = list, shuffled;
        while (!working.empty()) {
            const std::size_t at = indexBelow(working.size());
            shuffled.push_back(working[at]);
            working.erase(working.begin() + std::ptrdiff_t(at));
        }
        return shuffled;
    }
};

using AspectMap = std::vector<std::pair<int, double>>; // identity -> aspect, in the pictures' order

struct MosaicNode {
    int picture = -1;
    double leafRatio = 0;
    std::unique_ptr<MosaicNode> leftNode, rightNode;
    MosaicNode* parent = nullptr;
    std::int64_t join = 0;

    double ratio() const
    {
        if (picture >= 0)
            return leafRatio;
        if (join == 0)
            return leftNode->ratio() + rightNode->ratio();
        return 1 / (1 / leftNode->ratio() + 1 / rightNode->ratio());
    }
    void switchJoin() { join = join == 0 ? 1 : 0; }
    void listOfNonLeafs(std::vector<MosaicNode*>& out)
    {
        if (picture >= 0)
            return;
        leftNode->listOfNonLeafs(out);
        out.push_back(this);
        rightNode->listOfNonLeafs(out);
    }

    static std::unique_ptr<MosaicNode> prepareTreeFromLeafs(std::vector<std::unique_ptr<MosaicNode>>& leafs,
                                                            std::size_t first, std::size_t n, MosaicNode* parent)
    {
        std::unique_ptr<MosaicNode> node;
        if (n == 1) {
            node = std::move(leafs[first]);
        } else {
            node = std::make_unique<MosaicNode>();
            node->join = 0;
            node->leftNode = prepareTreeFromLeafs(leafs, first, n / 2, node.get());
            node->rightNode = prepareTreeFromLeafs(leafs, first + n / 2, n - n / 2, node.get());
        }
        node->parent = parent;
        return node;
    }

    static std::unique_ptr<MosaicNode> prepareFromNsImages(const AspectMap& map, const Random& random)
    {
        if (map.empty())
            return nullptr;
        std::vector<int> identities;
        for (const auto& entry : map)
            identities.push_back(entry.first);
        const std::vector<int> order = random.randomlyShuffledNewArray(identities);
        const std::unordered_map<int, double> lookup(map.begin(), map.end());
        std::vector<std::unique_ptr<MosaicNode>> leafs;
        for (const int identity : order) {
            auto leaf = std::make_unique<MosaicNode>();
            leaf->picture = identity;
            leaf->leafRatio = lookup.at(identity);
            leafs.push_back(std::move(leaf));
        }
        return prepareTreeFromLeafs(leafs, 0, leafs.size(), nullptr);
    }

    void improveTowards(double t, const Random& random)
    {
        if (picture >= 0)
            return;
        for (;;) {
            std::vector<MosaicNode*> list;
            listOfNonLeafs(list);
            const std::vector<MosaicNode*> order = random.randomlyShuffledNewArray(list);
            bool improved = false;
            for (MosaicNode* n : order) {
                const double before = ratio();
                n->switchJoin();
                const double after = ratio();
                if (std::abs(before - t) > std::abs(after - t))
                    improved = true;
                else
                    n->switchJoin();
                if (std::abs(after - t) < 0.01)
                    return;
            }
            if (!improved)
                return;
        }
    }

    void addMosaicPositionsTo(std::vector<Slot>& list, double x, double y, double w, double h, const Random& random)
    {
        if (picture >= 0) {
            list.push_back({std::size_t(picture), x, y, w, h});
            return;
        }
        const double L = leftNode->ratio(), Q = rightNode->ratio();
        const bool b = random.randomBool();
        double lx = x, ly = y, lw = w, lh = h, rx = x, ry = y, rw = w, rh = h;
        if (join == 0) {
            if (b) {
                lw = w * L / (L + Q);
                rx = x + lw;
                rw = w - lw;
            } else {
                rw = w * Q / (L + Q);
                lx = x + rw;
                lw = w - rw;
            }
        } else {
            if (b) {
                lh = h * (1 / L) / (1 / L + 1 / Q);
                ry = y + lh;
                rh = h - lh;
            } else {
                rh = h * (1 / Q) / (1 / L + 1 / Q);
                ly = y + rh;
                lh = h - rh;
            }
        }
        leftNode->addMosaicPositionsTo(list, lx, ly, lw, lh, random);
        rightNode->addMosaicPositionsTo(list, rx, ry, rw, rh, random);
    }

    double getLeastSizeInPixelsOfSmallestDimension(double W, double H, const Random& random)
    {
        std::vector<Slot> scratch;
        addMosaicPositionsTo(scratch, 0, 0, 1, 1, random);
        double m = 99999999.0;
        for (const Slot& s : scratch) {
            m = std::min(m, s.width * W);
            m = std::min(m, s.height * H);
        }
        return m;
    }

    static std::unique_ptr<MosaicNode> prepareFromNsImagesToBestFit(const AspectMap& map, double W, double H,
                                                                    const Random& random)
    {
        if (map.empty())
            return nullptr;
        const double t = W / H;
        std::unique_ptr<MosaicNode> C = prepareFromNsImages(map, random);
        C->improveTowards(t, random);
        std::unique_ptr<MosaicNode> G; // shares C's nodes while it is C
        MosaicNode* g0 = nullptr;
        double g = 0;
        std::vector<std::unique_ptr<MosaicNode>> kept; // trees G once was
        for (int i = 0; i < 500; ++i) {
            if (std::abs(C->ratio() - t) < 0.01) {
                if (!g0) {
                    g0 = C.get();
                    g = C->getLeastSizeInPixelsOfSmallestDimension(W, H, random);
                }
                const double s = C->getLeastSizeInPixelsOfSmallestDimension(W, H, random);
                if (s > g) {
                    g0 = C.get();
                    g = s;
                }
            }
            std::unique_ptr<MosaicNode> N = prepareFromNsImages(map, random);
            N->improveTowards(t, random);
            if (std::abs(C->ratio() - t) > std::abs(N->ratio() - t)) {
                kept.push_back(std::move(C)); // G may still be it
                C = std::move(N);
            }
        }
        if (g0) {
            if (g0 == C.get())
                return C;
            for (auto& tree : kept)
                if (tree.get() == g0)
                    return std::move(tree);
        }
        return C;
    }
};

struct BoardPartNode {
    std::unique_ptr<BoardPartNode> leftNode, rightNode;
    std::unique_ptr<MosaicNode> mosaicNode;
    std::vector<int> pics;
    AspectMap picturesWidthToHeight;
    double x = 0, y = 0, w = 0, h = 0;
    bool hasGoodFit = false;

    void prepareFromImages(const std::vector<int>& P, const std::vector<double>& M, double rx, double ry, double rw,
                           double rh, const Random& random)
    {
        const std::size_t n = P.size();
        if (n == 0)
            return;
        pics = random.randomlyShuffledNewArray(P);
        for (const int p : P)
            picturesWidthToHeight.emplace_back(p, M[std::size_t(p)]);
        x = rx, y = ry, w = rw, h = rh;
        hasGoodFit = false;
        if (n >= 5) {
            const double f = 0.4 + 0.2 * random.randomFrom0to1();
            const std::vector<int> first(P.begin(), P.begin() + std::ptrdiff_t(n / 2));
            const std::vector<int> second(P.begin() + std::ptrdiff_t(n / 2), P.end());
            auto a = std::make_unique<BoardPartNode>();
            if (w >= h)
                a->prepareFromImages(first, M, x, y, f * w, h, random);
            else
                a->prepareFromImages(first, M, x, y, w, f * h, random);
            if (a->hasGoodFit) {
                auto b = std::make_unique<BoardPartNode>();
                if (w >= h)
                    b->prepareFromImages(second, M, x + f * w, y, w - f * w, h, random);
                else
                    b->prepareFromImages(second, M, x, y + f * h, w, h - f * h, random);
                if (b->hasGoodFit) {
                    leftNode = std::move(a);
                    rightNode = std::move(b);
                    hasGoodFit = true;
                }
            }
        }
        if (!hasGoodFit) {
            mosaicNode = MosaicNode::prepareFromNsImagesToBestFit(picturesWidthToHeight, w, h, random);
            hasGoodFit = std::abs(mosaicNode->ratio() - w / h) < 0.01;
            leftNode.reset();
            rightNode.reset();
        }
    }

    void addMosaicPositionsTo(std::vector<Slot>& list, double W, double H, const Random& random)
    {
        if (leftNode && rightNode) {
            leftNode->addMosaicPositionsTo(list, W, H, random);
            rightNode->addMosaicPositionsTo(list, W, H, random);
            return;
        }
        if (mosaicNode)
            mosaicNode->addMosaicPositionsTo(list, x / W, y / H, w / W, h / H, random);
    }
};

} // namespace

Fit fitPictures(const std::vector<double>& aspects, double width, double height, const RandomNext& next)
{
    const Random random{next};
    Fit fit;
    if (aspects.empty())
        return fit;
    std::vector<double> usable;
    for (const double a : aspects)
        usable.push_back(usableAspect(a));
    std::vector<int> images;
    for (std::size_t i = 0; i < aspects.size(); ++i)
        images.push_back(int(i));
    BoardPartNode board;
    board.prepareFromImages(random.randomlyShuffledNewArray(images), usable, 0, 0, width, height, random);
    board.addMosaicPositionsTo(fit.placed, width, height, random);
    fit.goodFit = board.hasGoodFit;
    return fit;
}

std::vector<Slot> bestTree(const std::vector<double>& aspects, double width, double height, const RandomNext& next)
{
    const Random random{next};
    AspectMap map;
    for (std::size_t i = 0; i < aspects.size(); ++i)
        map.emplace_back(int(i), usableAspect(aspects[i]));
    std::vector<Slot> placed;
    if (const auto tree = MosaicNode::prepareFromNsImagesToBestFit(map, width, height, random))
        tree->addMosaicPositionsTo(placed, 0, 0, 1, 1, random);
    return placed;
}

} // namespace qf::mosaic::reference
