#pragma once

#include "editor/CustomSizeForm.h"
#include "editor/EditorSession.h"
#include "model/QFCollageSize.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <functional>

namespace qf {

class Collage;
class CollageExporter;
class EditorSession;

// The canvas's size and orientation: the sizes the size popup offers, the
// user's own sizes, and the changes of size and orientation, each one undo
// step that keeps a pattern background's rows at their height.
class CanvasSizes {
public:
    // `announce` is told before (true) and after (false) the list of sizes changes.
    CanvasSizes(EditorSession& session, CollageExporter& exporter, std::function<void(bool)> announce);

    const QList<QFCollageSize>& collageSizesArray() const { return m_collageSizesArray; }
    // The sizes offered, and the collage's own size in pixels when none of
    // them is the collage's; it stays until the next update.
    void updateCollageSizes();
    // Index of the first size with the collage's pixels (either way round)
    // and resolution; -1 for none.
    qint64 indexOfSize(const Collage& collage) const;
    // Keeps the size among the user's sizes unless an equal one is known.
    void addCustomSize(const QFCollageSize& size);
    // The canvas takes the size as one "Size Change" step; pattern rows keep
    // their height. Sizes the popup does not offer change nothing.
    void changeCollageSizeTo(const QFCollageSize& size);
    // The custom-size sheet's OK: a size the sheet accepts is kept among the
    // user's sizes and applied; otherwise false with the refusal in `why`.
    bool setCustomSize(const CustomSizeFields& fields, QString* why = nullptr);
    // The orientation control (0 landscape, 1 portrait): one "Orientation
    // Change" step, also without a chosen segment (negative), which changes
    // nothing else.
    void changeOrientation(qint64 index);
    // The help page on custom sizes, in the browser.
    static void openSizeHelp();
    static QUrl sizeHelpAddress();

private:
    // One step that changes the canvas's shape: pattern rows keep their
    // height and the canvas view follows.
    void reshape(const std::function<void(Collage&)>& change, UndoAction action);

    EditorSession& m_session;
    CollageExporter& m_exporter;
    std::function<void(bool)> m_announce;
    QList<QFCollageSize> m_collageSizesArray;
};

} // namespace qf
