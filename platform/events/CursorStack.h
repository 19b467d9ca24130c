#pragma once

#include <QImage>
#include <QPointF>
#include <Qt>

#include <vector>

namespace qf {

// A cursor the model can ask for: one of Qt's shapes, or an image with a hot
// spot (the rotated resize cursors of the edit handles).
struct Cursor {
    Qt::CursorShape shape = Qt::ArrowCursor;
    QImage image; // used when not null
    QPointF hotSpot;

    static Cursor arrow() { return {}; }
    static Cursor fromShape(Qt::CursorShape s) { return Cursor{s, {}, {}}; }
    bool isImage() const { return !image.isNull(); }
    friend bool operator==(const Cursor& a, const Cursor& b)
    {
        return a.shape == b.shape && a.image == b.image && a.hotSpot == b.hotSpot;
    }
};

// Whatever shows the cursor (the canvas view); tests fake it.
class CursorSink {
public:
    virtual ~CursorSink() = default;
    virtual void showCursor(const Cursor& cursor) = 0;
};

// The application's cursor stack: gestures push the cursor they want while
// they run and pop it when they end. The top is shown; with an empty stack the
// arrow is. A gesture remembers the depth it started at and ends by returning
// to it, so a lost mouse-up can never leave a cursor behind.
class CursorStack {
public:
    static CursorStack& shared();

    void push(const Cursor& cursor);
    // Popping an empty stack does nothing.
    void pop();
    // The cursor shown while nothing is pushed (the arrow until set): what
    // the pointer hovers over. Shown at once when the stack is empty.
    void set(const Cursor& cursor);
    Cursor current() const;
    int depth() const { return static_cast<int>(m_stack.size()); }

    int beginGesture() const { return depth(); }
    void endGesture(int depthAtStart);

    // Not owned; nullptr detaches.
    void setSink(CursorSink* sink);

private:
    void show();

    std::vector<Cursor> m_stack;
    Cursor m_base = Cursor::arrow();
    CursorSink* m_sink = nullptr;
};

} // namespace qf
