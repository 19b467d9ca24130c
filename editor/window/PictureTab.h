#pragma once

#include <QObject>
#include <QSize>

#include <memory>

namespace Ui {
class FotoloomWindow;
}

namespace qf {

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
    FotoloomController& m_controller;
    PictureListModel* m_pictureList = nullptr;
    std::unique_ptr<QtPicturePanel> m_picturePanel;
};

} // namespace qf
