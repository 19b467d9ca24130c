#include "layouts/mosaic/MosaicFitting.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <utility>

namespace qf::mosaic {

namespace {

// The application's random helpers, drawn the same way.
std::size_t indexBelow(const RandomNext& random, std::size_t count)
{
    return count == 0 ? 0 : std::size_t(std::uint64_t(random()) % std::uint64_t(count));
}

bool coin(const RandomNext& random) { return random() % 2 == 0; }

double fraction(const RandomNext& random) { return double(random() & 63u) / 64.0; }

// A new order of the values: each taken in turn from what is left, at an
// index below the count left.
void shuffleInto(const std::vector<int>& values, std::vector<int>& out, const RandomNext& random)
{
    // Small lists are shuffled over and over: the working copy keeps its memory.
    thread_local std::vector<int> working;
    working.assign(values.begin(), values.end());
    out.clear();
    out.reserve(values.size());
    while (!working.empty()) {
        const std::size_t at = indexBelow(random, working.size());
        out.push_back(working[at]);
        working.erase(working.begin() + std::ptrdiff_t(at));
    }
}

double joined(std::int64_t join, double left, double right)
{
    return join == 0 ? left + right : 1 / (1 / left + 1 / right);
}

} // namespace

double usableAspect(double aspect)
{
    return std::isfinite(aspect) && aspect > 0 ? aspect : 1.0;
}

// ---- MosaicNode ----------------------------------------------------------------

MosaicNode::MosaicNode(const RandomNext& random)
    : m_random(&random)
{
}

MosaicNode& MosaicNode::operator=(const MosaicNode& other)
{
    // The tree only: the scratch stays, and so does the random source.
    m_nodes = other.m_nodes;
    m_root = other.m_root;
    return *this;
}

void MosaicNode::prepareFromNsImages(const std::vector<int>& pictures, const std::vector<double>& aspects)
{
    m_nodes.clear();
    m_root = none;
    if (pictures.empty())
        return;
    shuffleInto(pictures, m_leaves, *m_random);
    m_nodes.reserve(2 * m_leaves.size());
    for (int& leaf : m_leaves) {
        Node made;
        made.picture = leaf;
        made.ratio = aspects[std::size_t(leaf)];
        m_nodes.push_back(made);
        leaf = int(m_nodes.size()) - 1;
    }
    m_root = prepareTreeFromLeafs(0, m_leaves.size(), none);
}

int MosaicNode::prepareTreeFromLeafs(std::size_t first, std::size_t count, int parent)
{
    if (count == 1) {
        const int leaf = m_leaves[first];
        m_nodes[std::size_t(leaf)].parent = parent;
        return leaf;
    }
    const int inner = int(m_nodes.size());
    m_nodes.emplace_back();
    const std::size_t half = count / 2;
    const int left = prepareTreeFromLeafs(first, half, inner);
    const int right = prepareTreeFromLeafs(first + half, count - half, inner);
    Node& made = m_nodes[std::size_t(inner)];
    made.left = left;
    made.right = right;
    made.parent = parent;
    made.join = 0;
    made.ratio = joined(0, m_nodes[std::size_t(left)].ratio, m_nodes[std::size_t(right)].ratio);
    return inner;
}

void MosaicNode::refresh(int index)
{
    Node& n = m_nodes[std::size_t(index)];
    n.ratio = joined(n.join, m_nodes[std::size_t(n.left)].ratio, m_nodes[std::size_t(n.right)].ratio);
}

void MosaicNode::switchJoin(int index)
{
    Node& n = m_nodes[std::size_t(index)];
    n.join = n.join == 0 ? 1 : 0;
    // Only the nodes on the way up change their aspect.
    for (int at = index; at != none; at = m_nodes[std::size_t(at)].parent)
        refresh(at);
}

void MosaicNode::listFrom(int index, std::vector<int>& out) const
{
    const Node& n = node(index);
    if (n.picture != none)
        return;
    listFrom(n.left, out);
    out.push_back(index);
    listFrom(n.right, out);
}

void MosaicNode::listOfNonLeafs(std::vector<int>& out) const
{
    out.clear();
    if (!isEmpty())
        listFrom(m_root, out);
}

std::size_t MosaicNode::numberOfLeafs() const
{
    return isEmpty() ? 0 : (m_nodes.size() + 1) / 2;
}

void MosaicNode::improveTowards(double target)
{
    if (isEmpty() || node(m_root).picture != none)
        return;
    for (;;) {
        listOfNonLeafs(m_list);
        shuffleInto(m_list, m_inner, *m_random);
        bool improved = false;
        for (const int n : m_inner) {
            const double before = ratio();
            switchJoin(n);
            const double after = ratio();
            if (std::abs(before - target) > std::abs(after - target))
                improved = true;
            else
                switchJoin(n);
            if (std::abs(after - target) < kFitTolerance)
                return;
        }
        if (!improved)
            return;
    }
}

void MosaicNode::layOut(int index, std::vector<Slot>& placed, double x, double y, double w, double h)
{
    const Node& n = node(index);
    if (n.picture != none) {
        placed.push_back({std::size_t(n.picture), x, y, w, h});
        return;
    }
    const double l = node(n.left).ratio;
    const double q = node(n.right).ratio;
    const bool leftFirst = coin(*m_random);
    double lx = x, ly = y, lw = w, lh = h, rx = x, ry = y, rw = w, rh = h;
    if (n.join == 0) {
        if (leftFirst) {
            lw = w * l / (l + q);
            rx = x + lw;
            rw = w - lw;
        } else {
            rw = w * q / (l + q);
            lx = x + rw;
            lw = w - rw;
        }
    } else {
        if (leftFirst) {
            lh = h * (1 / l) / (1 / l + 1 / q);
            ry = y + lh;
            rh = h - lh;
        } else {
            rh = h * (1 / q) / (1 / l + 1 / q);
            ly = y + rh;
            lh = h - rh;
        }
    }
    const int left = n.left, right = n.right;
    layOut(left, placed, lx, ly, lw, lh);
    layOut(right, placed, rx, ry, rw, rh);
}

void MosaicNode::addMosaicPositionsTo(std::vector<Slot>& placed, double x, double y, double w, double h)
{
    if (!isEmpty())
        layOut(m_root, placed, x, y, w, h);
}

double MosaicNode::leastSizeOfSmallestDimension(double width, double height)
{
    m_sizing.clear();
    addMosaicPositionsTo(m_sizing, 0, 0, 1, 1);
    double least = 99999999.0;
    for (const Slot& slot : m_sizing) {
        least = std::min(least, slot.width * width);
        least = std::min(least, slot.height * height);
    }
    return least;
}

void MosaicNode::prepareFromNsImagesToBestFit(const std::vector<int>& pictures, const std::vector<double>& aspects,
                                              double width, double height)
{
    m_nodes.clear();
    m_root = none;
    if (pictures.empty())
        return;
    const double target = width / height;
    const auto distance = [target](const MosaicNode& tree) { return std::abs(tree.ratio() - target); };
    // This tree is the closest so far; `best` the widest-sided of those
    // within the tolerance; `trial` the next random tree.
    prepareFromNsImages(pictures, aspects);
    improveTowards(target);
    MosaicNode best(*m_random), trial(*m_random);
    bool haveBest = false;
    double bestSide = 0;
    for (int i = 0; i < kTreeTrials; ++i) {
        if (distance(*this) < kFitTolerance) {
            if (!haveBest) {
                best = *this;
                haveBest = true;
                bestSide = leastSizeOfSmallestDimension(width, height);
            }
            const double side = leastSizeOfSmallestDimension(width, height);
            if (side > bestSide) {
                best = *this;
                bestSide = side;
            }
        }
        trial.prepareFromNsImages(pictures, aspects);
        trial.improveTowards(target);
        if (distance(*this) > distance(trial)) {
            std::swap(m_nodes, trial.m_nodes);
            std::swap(m_root, trial.m_root);
        }
    }
    if (haveBest) {
        std::swap(m_nodes, best.m_nodes);
        std::swap(m_root, best.m_root);
    }
}

// ---- BoardPartNode -------------------------------------------------------------

BoardPartNode::BoardPartNode(const RandomNext& random, const Log& log)
    : m_random(random)
    , m_log(log)
    , m_tree(random)
{
}

BoardPartNode::~BoardPartNode()
{
    delete m_left;
    delete m_right;
}

void BoardPartNode::prepareFromImages(const std::vector<int>& pictures, const std::vector<double>& aspects, double x,
                                      double y, double w, double h)
{
    const std::size_t n = pictures.size();
    if (n == 0)
        return;
    std::vector<int> order;
    shuffleInto(pictures, order, m_random); // the part's pictures in random order, counted
    m_pictureCount = n;
    m_x = x, m_y = y, m_w = w, m_h = h;
    m_hasGoodFit = false;
    if (n >= 5) {
        const double f = 0.4 + 0.2 * fraction(m_random);
        if (m_log) {
            char line[64];
            std::snprintf(line, sizeof line, "Ratio:%f", f);
            m_log(line);
        }
        const bool across = w >= h;
        const std::vector<int> firstPictures(pictures.begin(), pictures.begin() + std::ptrdiff_t(n / 2));
        const std::vector<int> secondPictures(pictures.begin() + std::ptrdiff_t(n / 2), pictures.end());
        auto first = std::make_unique<BoardPartNode>(m_random, m_log);
        if (across)
            first->prepareFromImages(firstPictures, aspects, x, y, f * w, h);
        else
            first->prepareFromImages(firstPictures, aspects, x, y, w, f * h);
        if (first->hasGoodFit()) {
            auto second = std::make_unique<BoardPartNode>(m_random, m_log);
            if (across)
                second->prepareFromImages(secondPictures, aspects, x + f * w, y, w - f * w, h);
            else
                second->prepareFromImages(secondPictures, aspects, x, y + f * h, w, h - f * h);
            if (second->hasGoodFit()) {
                m_left = first.release();
                m_right = second.release();
                m_hasGoodFit = true;
            }
        }
    }
    if (!m_hasGoodFit) {
        m_tree.prepareFromNsImagesToBestFit(pictures, aspects, w, h);
        m_hasGoodFit = std::abs(m_tree.ratio() - w / h) < kFitTolerance;
    }
}

void BoardPartNode::addMosaicPositionsTo(std::vector<Slot>& placed, double width, double height)
{
    if (m_left && m_right) {
        m_left->addMosaicPositionsTo(placed, width, height);
        m_right->addMosaicPositionsTo(placed, width, height);
        return;
    }
    if (m_log) {
        char line[64];
        std::snprintf(line, sizeof line, "Size of leaf node:%zu", m_pictureCount);
        m_log(line);
    }
    m_tree.addMosaicPositionsTo(placed, m_x / width, m_y / height, m_w / width, m_h / height);
}

// ---- the whole fit --------------------------------------------------------------

Fit fitPictures(const std::vector<double>& aspects, double width, double height, const RandomNext& random,
                const Log& log)
{
    Fit fit;
    if (aspects.empty())
        return fit;
    if (!(std::isfinite(width) && width > 0 && std::isfinite(height) && height > 0))
        width = height = 1;
    std::vector<double> usable(aspects.size());
    std::transform(aspects.begin(), aspects.end(), usable.begin(), usableAspect);
    std::vector<int> pictures(aspects.size());
    for (std::size_t i = 0; i < pictures.size(); ++i)
        pictures[i] = int(i);
    std::vector<int> order;
    shuffleInto(pictures, order, random);
    BoardPartNode board(random, log);
    board.prepareFromImages(order, usable, 0, 0, width, height);
    fit.placed.reserve(aspects.size());
    board.addMosaicPositionsTo(fit.placed, width, height);
    fit.goodFit = board.hasGoodFit();
    return fit;
}

} // namespace qf::mosaic
