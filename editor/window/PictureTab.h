#pragma once

#include <QObject>
#include <QSize>

#include <memory>

class QLabel;

namespace Ui {
class FotoloomWindow;
}

namespace qf {

class CollageKeyBinding;
class FotoloomController;
class PictureListModel;
class QtPicturePanel;

// The picture tab and the list of pictures beside the canvas: adding,
// removing and sorting pictures, files dropped on the list, and the file
// panels the picture intake opens.
class PictureTab : public QObject {
    Q_OBJECT
public:
    PictureTab(FotoloomController& controller, Ui::FotoloomWindow& ui, QWidget* window);
    ~PictureTab() override;

    // The list shows the collage's pictures again.
    void reload();

private:
    // The tab's hint fits the selection: how to select a place, or what
    // the buttons do for the selected one.
    void showHint();

    FotoloomController& m_controller;
    QLabel* m_hint = nullptr;
    std::unique_ptr<CollageKeyBinding> m_placeSelected;
    std::unique_ptr<CollageKeyBinding> m_pictureSelected;
    PictureListModel* m_pictureList = nullptr;
    std::unique_ptr<QtPicturePanel> m_picturePanel;
};

} // namespace qf
