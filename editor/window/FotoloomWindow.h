#pragma once

#include "editor/EditorWindow.h"

#include <QMainWindow>

#include <memory>
#include <vector>

class QAbstractButton;
class QSlider;
class QSpinBox;

namespace Ui {
class FotoloomWindow;
}

namespace qf {

class CanvasDelegate;
class CollageDocument;
class CollageKeyBinding;
class FotoloomController;

// The editor window of one collage document, built from its layout. It owns
// the document (and through it the editor's core), shows what the core asks
// for and hands the core the user's actions. Closing it deletes it.
class FotoloomWindow : public QMainWindow, public EditorWindow {
    Q_OBJECT
public:
    // Takes the document (read or new) and loads its collage; a refused file
    // shows the could-not-open sheet and the window closes when it ends.
    explicit FotoloomWindow(std::unique_ptr<CollageDocument> document, QWidget* parent = nullptr);
    ~FotoloomWindow() override;

    FotoloomController& controller() const { return *m_controller; }
    CollageDocument& document() const { return *m_document; }
    CanvasDelegate& canvasDelegate() const { return *m_canvas; }

    // ---- EditorWindow ------------------------------------------------------
    void showCouldNotOpenSheet(const AlertText& alert, std::function<void()> ended) override;
    void showMissingPicturesSheet(const AlertText& alert) override;
    void setCanvasNeedsDisplay() override;
    void startSpinner() override;
    void reloadPictureList() override;
    void enableRightControlsAndPositionThem() override;
    void updateDrawingViewFrame() override;
    void showBackgroundImage(const QImage& image) override;
    void selectPictureFor(qint64 slotIndex) override;
    void closeDocument() override;

private:
    void stopSpinner();
    void openSheet(const AlertText& alert, std::function<void()> ended);
    void setUpTypePopup();
    void setUpSettingsBindings();
    void bindSlider(QSlider* slider, const QString& key, double scale);
    void bindCheckBox(QAbstractButton* box, const QString& key);
    void bindCountStepper(QSpinBox* stepper, const QString& key, bool rows);
    void showSelectedCollageType();
    void updateUndoActions();
    void updateWindowTitle();

    std::unique_ptr<Ui::FotoloomWindow> m_ui;
    std::unique_ptr<CollageDocument> m_document;
    FotoloomController* m_controller = nullptr; // owned by the document
    std::unique_ptr<CanvasDelegate> m_canvas;
    std::vector<std::unique_ptr<CollageKeyBinding>> m_bindings;
};

} // namespace qf
