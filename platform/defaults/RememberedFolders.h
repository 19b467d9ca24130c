#pragma once

#include <QString>

namespace qf {

// Where file dialogs start: each kind of file in the folder last used for
// it, kept in the user defaults, so that the next dialog goes back there.
enum class FolderKind {
    Pictures, // pictures added to a collage
    Projects, // projects opened and saved
};

// The user defaults that keep the last folders.
inline constexpr char kLastPicturesFolderDefaultsKey[] = "QFLastPicturesFolder";
inline constexpr char kLastProjectsFolderDefaultsKey[] = "QFLastProjectsFolder";

// The folder last used for the kind while it still exists; else the
// desktop's folder for it (Pictures, Documents) when there is one; else the
// home folder. Never the working folder the program happened to start in.
QString startFolder(FolderKind kind);

// Remembers the folder a dialog was left in: the one holding the chosen
// file (or folder).
void rememberFolderOf(FolderKind kind, const QString& chosenPath);

} // namespace qf
