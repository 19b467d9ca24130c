#pragma once

#include <QSizeF>
#include <QWidget>

namespace qf {

// The area behind the canvas. It keeps its one child view (the canvas's
// shadowed frame) at the collage's aspect, as large as fits and centred, and
// reports clicks beside the canvas.
class QFDrawingContainerView : public QWidget {
    Q_OBJECT
public:
    explicit QFDrawingContainerView(QWidget* parent = nullptr);

    // The collage size whose aspect the child keeps; the child fills the
    // area while it is empty.
    void setCollagePixelSize(QSizeF size);
    QSizeF collagePixelSize() const { return m_collageSize; }
    // Places the child again (the layout of the canvas frame).
    void updateContentGeometry();

signals:
    void mouseDownInOuterView();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    QWidget* content() const;

    QSizeF m_collageSize;
};

} // namespace qf
