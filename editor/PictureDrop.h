#pragma once

#include <QStringList>

class QMimeData;

namespace qf {

// What a drop onto the picture list or the canvas carries.
class PictureDrop {
public:
    enum class Kind {
        Files,                    // local files or folders
        PictureFromApplication,   // a picture without a file (image data, web or library links)
        Nothing,
    };

    static PictureDrop fromMimeData(const QMimeData* mime);

    Kind kind() const { return m_kind; }
    // Absolute local paths, in the order dragged; empty unless kind() is Files.
    const QStringList& paths() const { return m_paths; }

private:
    Kind m_kind = Kind::Nothing;
    QStringList m_paths;
};

} // namespace qf
