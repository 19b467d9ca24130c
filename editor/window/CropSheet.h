#pragma once

#include "editor/CropImageController.h"

#include <QDialog>
#include <QImage>
#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

namespace qf {

// The whole picture with the crop frame: outside the picture's outline it is
// darkened, the frame is yellow. Mouse presses on the frame's edges resize
// it, inside it move it; Shift keeps the frame's ratio.
class CropView : public QWidget {
    Q_OBJECT
public:
    CropView(CropImageController& crop, const QImage& image, QWidget* parent = nullptr);

    QSize sizeHint() const override { return {506, 406}; }

signals:
    void frameChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QPointF sheetPoint(const QMouseEvent* event) const;
    void showCursorFor(CropImageController::Handle handle, bool pressed);

    CropImageController& m_crop;
    QImage m_image;
    bool m_tracking = false;
};

// The sheet where the user chooses the crop of the selected picture. Crop
// (the default button) hands the frame to `cropped`; Remove Crop, offered
// for plain photos without a fixed aspect, calls `removed`; Cancel closes.
class CropSheet : public QDialog {
    Q_OBJECT
public:
    using Cropped = std::function<void(const CropResult&)>;
    using Removed = std::function<void()>;

    // Nothing to show (see CropImageController::start): the sheet is not
    // started and isStarted() is false.
    CropSheet(const QImage& image, double widthToHeight, const std::optional<PanZoomPos>& crop,
              bool constrainAspect, qint64 shape, Cropped cropped, Removed removed, QWidget* parent = nullptr);

    bool isStarted() const { return m_started; }
    CropImageController& cropController() { return m_crop; }
    CropView* view() const { return m_view; }

private:
    void updateRatioLabel();

    CropImageController m_crop;
    bool m_started = false;
    Cropped m_cropped;
    Removed m_removed;
    CropView* m_view = nullptr;
    QLabel* m_ratio = nullptr;
};

} // namespace qf
