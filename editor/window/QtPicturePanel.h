#pragma once

#include "editor/PicturePanel.h"

#include <QPointer>

class QWidget;

namespace qf {

// Picture panels as file dialogs, window-modal on the editor window and
// opened without a nested event loop.
class QtPicturePanel : public PicturePanel {
public:
    explicit QtPicturePanel(QWidget* window) : m_window(window) {}

    void openPanel(const PicturePanelRequest& request, std::function<void(const QStringList&)> chosen) override;

private:
    QPointer<QWidget> m_window;
};

} // namespace qf
