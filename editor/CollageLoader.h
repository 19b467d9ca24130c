#pragma once

#include "editor/EditorWindow.h"
#include "layouts/CollageTypes.h"
#include "platform/core/Status.h"

#include <QByteArray>

#include <memory>

namespace qf {

class Collage;
class CollageHost;
class EditorSession;

// Reads a project's envelope into a collage the editor can make current:
// refused when damaged, of a newer version, of an unknown type or of a
// size out of bounds, before anything reaches the picture store; then old
// projects' pictures move into the store, pictures the store lacks are
// dropped (the window says so once), the background picture is checked,
// and the user hears of pictures the collage had to put back in sight.
class CollageLoader {
public:
    CollageLoader(EditorSession& session, const CollageTypes& types, CollageHost& host);

    struct Loaded {
        std::shared_ptr<Collage> collage; // null when refused
        Status status;                    // the refusal, with what was wrong in its detail
    };
    Loaded load(const QByteArray& envelope);

    // Limits of a collage that opens, bounds included.
    static constexpr qint64 minCollageDimension() { return 64; }
    static constexpr qint64 maxCollageDimension() { return 12000; }
    static constexpr qint64 minCollageResolution() { return 36; }
    static constexpr qint64 maxCollageResolution() { return 1200; }
    // The first file version that stores pictures in the package.
    static constexpr int firstVersionWithEmbeddedPictures() { return 7; }

    static AlertText couldNotOpenAlert();
    static AlertText missingPicturesAlert();
    static AlertText damagedPicturesAlert();
    static AlertText notEnoughMemoryAlert();
    // Pictures the project had placed out of sight were put back on the canvas.
    static AlertText picturesPutBackAlert(qsizetype count);

private:
    // Old projects named pictures by path: each readable file goes into the
    // store and the collage names it by its identity instead.
    void migratePicturesStoredByPath(Collage& collage);
    // Pictures of a collage read: dropped because the store lacks them or
    // they do not decode, and kept with a stand-in for want of memory.
    struct Dropped {
        qsizetype absent = 0;
        qsizetype undecodable = 0;
        qsizetype standIns = 0;
    };
    // Drops the pictures the store lacks or that do not decode.
    Dropped dropMissingPictures(Collage& collage);
    // Shows the background picture, or falls back to the colour when it is
    // missing (true then).
    bool checkBackgroundPicture(Collage& collage);

    EditorSession& m_session;
    const CollageTypes& m_types;
    CollageHost& m_host;
};

} // namespace qf
