#pragma once

#include "editor/EditorWindow.h"
#include "editor/window/WindowMenus.h"
#include "platform/keyvalue/KVObserver.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

class QAbstractButton;
class QAction;
class QMenu;
class QSlider;
class QSpinBox;
class QToolButton;

namespace Ui {
class FotoloomWindow;
}

namespace qf {

class CanvasDelegate;
class CollageDocument;
class CollageKeyBinding;
class ColorPanels;
class CommandActions;
class FlowLayout;
class PictureTab;
class SavingSheet;
class SettingsPanel;
class WindowMenus;
class DocumentController;
class FotoloomController;
class TextPanel;
class UndoKeys;

// The editor window of one collage document, built from its layout. It shows
// what the core asks for and hands the core the user's actions. The document
// owns the core, which must outlive the window; closing the window deletes it.
class FotoloomWindow : public QMainWindow, public EditorWindow, public KVObserver {
    Q_OBJECT
public:
    // Loads the core's collage; a refused file shows the could-not-open sheet
    // and the document closes when it ends. With `documents` the File menu
    // also offers New, Open, Open Recent and Quit; `shell` adds Preferences
    // and the Help menu.
    explicit FotoloomWindow(FotoloomController& controller, DocumentController* documents = nullptr,
                            ShellMenuActions shell = {}, QWidget* parent = nullptr);
    ~FotoloomWindow() override;

    FotoloomController& controller() const { return *m_controller; }
    CollageDocument& document() const;
    CanvasDelegate& canvasDelegate() const { return *m_canvas; }
    TextPanel& textPanel() const { return *m_textPanel; }

    // ---- EditorWindow ------------------------------------------------------
    void showCouldNotOpenSheet(const AlertText& alert, std::function<void()> ended) override;
    void showMissingPicturesSheet(const AlertText& alert) override;
    void setCanvasNeedsDisplay() override;
    void startSpinner() override;
    void stopSpinner() override;
    void reloadPictureList() override;
    void selectTab(int tab) override;
    void focusTextEditor() override;
    QString newTextHint() const override;
    void enableRightControlsAndPositionThem() override;
    void updateDrawingViewFrame() override;
    void showBackgroundImage(const QImage& image) override;
    void showSavingSheet() override;
    void hideSavingSheet() override;
    void showSavingProgress(qsizetype done, qsizetype total) override;
    void showChoiceSheet(const AlertText& alert, std::function<void(bool)> ended) override;
    void showCropSheet(const QImage& image, double widthToHeight, const std::optional<PanZoomPos>& crop,
                       bool constrainAspect, qint64 shape) override;
    void showAlertSheet(const AlertText& alert) override;
    void showAddingPicturesProgress(qsizetype done, qsizetype total) override;

    void observeValueForKeyPath(const QString& key, KVObject* object, const KVChange& change,
                                const KVContext* context) override;

protected:
    void changeEvent(QEvent* event) override;

private:
    void openSheet(const AlertText& alert, std::function<void()> ended);
    void setUpTypePopup();
    void setUpSettingsBindings();
    // The commands' actions, the command row and the settings panel.
    void setUpCommands();
    // The toolbar's Export and Share.
    void setUpExportAndSharing();
    void showSelectedCollageType();
    void updateUndoActions();

    std::unique_ptr<Ui::FotoloomWindow> m_ui;
    FotoloomController* m_controller; // owned by the document
    WindowMenus* m_menus = nullptr;
    std::unique_ptr<CanvasDelegate> m_canvas;
    std::vector<std::unique_ptr<CollageKeyBinding>> m_bindings;
    QMenu* m_arrangeMenu = nullptr;
    CommandActions* m_commands = nullptr;
    SettingsPanel* m_settings = nullptr;
    FlowLayout* m_commandRow = nullptr;
    QString m_commandsType; // the type the menu and the command row show
    PictureTab* m_pictureTab = nullptr;
    bool m_addingPictures = false;
    QPointer<SavingSheet> m_savingSheet; // made on first use
    UndoKeys* m_undoKeys = nullptr; // the panels' and the text editor's undo keys, a child
    std::unique_ptr<ColorPanels> m_colorPanels; // the settings' and the text tab's
    std::unique_ptr<TextPanel> m_textPanel;
};

} // namespace qf
