#pragma once

#include "editor/EditorWindow.h"
#include "model/PanZoomPos.h"

#include <QCoreApplication>
#include <QImage>
#include <QList>
#include <QThread>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace qf::test {

// An editor window that shows nothing and records what the editor asked it
// to show.
class RecordingWindow : public EditorWindow {
public:
    QList<AlertText> couldNotOpen, missing, alerts, choices;
    std::vector<std::function<void()>> sheetEnded;
    std::function<void(bool)> choiceEnded;
    QList<QImage> backgrounds;
    int redraws = 0, spinners = 0, reloads = 0, savingShown = 0, savingHidden = 0;
    // Run as the saving sheet shows.
    std::function<void()> onSavingSheet;
    // The saving sheet's progress, per mille (-1 while busy), and whether
    // any came from another thread than the main one.
    QList<qsizetype> savingProgress;
    bool progressOffTheMainThread = false;
    // The progress of adds: done and total files.
    QList<std::pair<qsizetype, qsizetype>> addingProgress;
    struct CropSheet {
        QSize image;
        double widthToHeight;
        std::optional<PanZoomPos> crop;
        bool constrainAspect;
        qint64 shape;
    };
    QList<CropSheet> cropSheets;

    void showCouldNotOpenSheet(const AlertText& alert, std::function<void()> ended) override
    {
        couldNotOpen.append(alert);
        sheetEnded.push_back(std::move(ended));
    }
    void showMissingPicturesSheet(const AlertText& alert) override { missing.append(alert); }
    void setCanvasNeedsDisplay() override { ++redraws; }
    void startSpinner() override { ++spinners; }
    void reloadPictureList() override { ++reloads; }
    void enableRightControlsAndPositionThem() override {}
    void updateDrawingViewFrame() override {}
    void showBackgroundImage(const QImage& image) override { backgrounds.append(image); }
    void showAlertSheet(const AlertText& alert) override { alerts.append(alert); }
    void showAddingPicturesProgress(qsizetype done, qsizetype total) override { addingProgress.append({done, total}); }
    void showSavingSheet() override
    {
        ++savingShown;
        if (onSavingSheet)
            onSavingSheet();
    }
    void hideSavingSheet() override { ++savingHidden; }
    void showSavingProgress(qsizetype done, qsizetype total) override
    {
        savingProgress.append(total > 0 ? done * 1000 / total : -1);
        progressOffTheMainThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
    }
    void showChoiceSheet(const AlertText& alert, std::function<void(bool)> ended) override
    {
        choices.append(alert);
        choiceEnded = std::move(ended);
    }
    void showCropSheet(const QImage& image, double widthToHeight, const std::optional<PanZoomPos>& crop,
                       bool constrainAspect, qint64 shape) override
    {
        cropSheets.append({image.size(), widthToHeight, crop, constrainAspect, shape});
    }
};

} // namespace qf::test
