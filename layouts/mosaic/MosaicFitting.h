#pragma once

// The mosaic fitting engine: rectangles that tile a canvas, one a picture,
// each as near as it can be to its picture's aspect ratio (width / height).
// Plain C++: no Qt, no platform; randomness and logging come from the caller.
//
// MosaicNode trees are slicing trees: a leaf is a picture, an inner node
// puts its two subtrees side by side (join 0) or one above the other. A
// random search over tree shapes and joins looks for a tree whose aspect is
// the canvas's. BoardPartNode cuts a canvas of five or more pictures in two
// across its longer side and fits each half; a part that is not cut gets one
// tree. The nodes of a fit live in one arena for the call, and each keeps its
// aspect, so that flipping a join recomputes only the nodes above it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace qf::mosaic {

// Uniform 32-bit values. The engine draws from them exactly as the
// application's random helpers do: an index below n is value % n, a coin
// is value % 2 == 0, a fraction is (value & 63) / 64.
using RandomNext = std::function<std::uint32_t()>;
// The engine's two log lines ("Ratio:%f", "Size of leaf node:%lu").
using Log = std::function<void(const char* line)>;

// A picture's rectangle in unit coordinates of the canvas (origin bottom
// left, y up); `picture` indexes the aspects given.
struct Slot {
    std::size_t picture = 0;
    double x = 0, y = 0, width = 0, height = 0;
};

struct Fit {
    std::vector<Slot> placed; // one a picture
    bool goodFit = false;    // every part is within 0.01 of its aspect
};

// How near a tree's aspect must come to its part's.
inline constexpr double kFitTolerance = 0.01;
// Random trees tried for one part, after the first.
inline constexpr int kTreeTrials = 500;

// Aspects that are not positive and finite count as 1 (a square).
double usableAspect(double aspect);

// One picture's rectangle per aspect, tiling a canvas of width x height
// pixels. The pictures are taken in random order, as the mosaic's best fit
// and the pile's spread ask.
Fit fitPictures(const std::vector<double>& aspects, double width, double height, const RandomNext& random,
                const Log& log = {});

// One slicing tree, its nodes in an arena of its own. Nodes are indices;
// a leaf has a picture, an inner node two children.
class MosaicNode {
public:
    static constexpr int none = -1;
    struct Node {
        int left = none, right = none, parent = none;
        int picture = none;    // a leaf's picture, else none
        std::int64_t join = 0; // 0: side by side; else one above the other
        double ratio = 0;      // the aspect of the subtree, kept up to date
    };

    explicit MosaicNode(const RandomNext& random);
    MosaicNode(const MosaicNode&) = default;
    MosaicNode& operator=(const MosaicNode& other);

    bool isEmpty() const { return m_root == none; }
    int root() const { return m_root; }
    const Node& node(int index) const { return m_nodes[std::size_t(index)]; }
    // The aspect of the whole tree; 0 for no tree.
    double ratio() const { return isEmpty() ? 0 : node(m_root).ratio; }

    // A random balanced tree over the pictures (indices into `aspects`)
    // taken in random order, its joins all 0; no tree for no pictures.
    void prepareFromNsImages(const std::vector<int>& pictures, const std::vector<double>& aspects);
    // The tree of 1 + kTreeTrials random trees, each improved towards
    // W / H, that comes within the tolerance with the largest smallest slot
    // side, else the closest one.
    void prepareFromNsImagesToBestFit(const std::vector<int>& pictures, const std::vector<double>& aspects,
                                      double width, double height);
    // Flips joins while that brings the tree's aspect nearer to `target`,
    // until within the tolerance or no single flip helps.
    void improveTowards(double target);
    // Flips a node's join and brings the aspects above it up to date.
    void switchJoin(int node);
    // The inner nodes of the tree: the left subtree's, the node, the right's.
    void listOfNonLeafs(std::vector<int>& out) const;
    std::size_t numberOfLeafs() const;
    // The shortest side in pixels of the tree's rectangles filling W x H.
    double leastSizeOfSmallestDimension(double width, double height);
    // The tree's rectangles inside (x, y, w, h), appended.
    void addMosaicPositionsTo(std::vector<Slot>& placed, double x, double y, double w, double h);

private:
    int prepareTreeFromLeafs(std::size_t first, std::size_t count, int parent);
    void refresh(int node);
    void listFrom(int node, std::vector<int>& out) const;
    void layOut(int node, std::vector<Slot>& placed, double x, double y, double w, double h);

    const RandomNext* m_random;
    std::vector<Node> m_nodes;
    int m_root = none;
    std::vector<int> m_leaves;  // scratch while a tree is built
    std::vector<int> m_list;    // scratch of the hill climb
    std::vector<int> m_inner;
    std::vector<Slot> m_sizing; // scratch of leastSizeOfSmallestDimension
};

// A part of the canvas and how it is filled: cut in two, or by one tree.
class BoardPartNode {
public:
    BoardPartNode(const RandomNext& random, const Log& log);
    ~BoardPartNode();
    BoardPartNode(const BoardPartNode&) = delete;
    BoardPartNode& operator=(const BoardPartNode&) = delete;

    // Builds the partition below this part: `pictures` index `aspects`;
    // the rectangle is in canvas pixels.
    void prepareFromImages(const std::vector<int>& pictures, const std::vector<double>& aspects, double x, double y,
                           double w, double h);
    // Appends one slot a picture, in unit coordinates of a W x H canvas.
    void addMosaicPositionsTo(std::vector<Slot>& placed, double width, double height);
    bool hasGoodFit() const { return m_hasGoodFit; }

private:
    const RandomNext& m_random;
    const Log& m_log;
    BoardPartNode* m_left = nullptr;
    BoardPartNode* m_right = nullptr;
    MosaicNode m_tree;
    std::size_t m_pictureCount = 0;
    double m_x = 0, m_y = 0, m_w = 0, m_h = 0;
    bool m_hasGoodFit = false;
};

} // namespace qf::mosaic
