#pragma once

#include "document/SaveAccessory.h"

#include <QPointer>
#include <QWidget>

#include <memory>

namespace Ui {
class QFSaveAccessoryView;
}

namespace qf {

// The export dialog's accessory as widgets, from its Designer layout: the
// type popup, the JPEG quality slider and the TIFF compression popup.
class QtSaveAccessory : public SaveAccessory {
public:
    QtSaveAccessory();
    ~QtSaveAccessory() override;

    QObject* view() override { return m_view; }
    void showType(int index) override;
    void showJpegQuality(int percent) override;
    void showTiffCompression(int index) override;

    // Makes documents' export dialogs show this accessory.
    static void install();

private:
    std::unique_ptr<Ui::QFSaveAccessoryView> m_ui;
    QPointer<QWidget> m_view;
};

} // namespace qf
