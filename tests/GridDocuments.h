#pragma once

#include "editor/FotoloomController.h"

namespace qf::test {

// Suites written around the grid: new documents start as grids rather than
// piles (call before the controller loads its collage).
inline void startNewDocumentsAsGrids(FotoloomController& editor)
{
    for (const char* type : {"pile", "circlepile"})
        editor.setCollageMaker(QString::fromLatin1(type), nullptr);
}

} // namespace qf::test
