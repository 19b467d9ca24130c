#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace qf {

// One picture embedded in a project: the file's bytes exactly as read, its
// file name inside the package's "Images" folder, and two values derived from
// the bytes and kept once made: the picture identity and the drawing proxy.
//
// Pictures are refused (no image, never a crash) when the decoder cannot
// read them, when a JPEG ends before its end-of-image marker or has more than
// maxJpegScans scans, or when they
// claim more than maxPicturePixels pixels or more than maxPictureSide pixels
// on a side; the size is checked before anything is decoded.
//
// A container is used from one thread at a time. The batch operations below
// work on several containers in parallel and return when all are done.
class QFRegularFileWrapperContainer {
public:
    // 200 megapixels: 800 MB as 32-bit pixels, inside the 1024 MB image
    // reader limit the application sets. 65535 is the most a JPEG can have.
    static constexpr qint64 maxPicturePixels = 200'000'000;
    static constexpr int maxPictureSide = 65535;
    // Files larger than this are not read at all.
    static constexpr qint64 maxFileBytes = qint64(1) << 30;
    // Width of the drawing proxy.
    static constexpr int drawingWidth = 600;
    // A proxy's long side never gets longer than this: a picture that would
    // (narrower than 1 : 4) gets a proxy narrower than drawingWidth, with
    // its aspect kept.
    static constexpr int maxDrawingSide = 2400;
    // Progressive JPEGs have ten or so scans; thousands only make a decode
    // take minutes.
    static constexpr int maxJpegScans = 256;

    QFRegularFileWrapperContainer(QByteArray contents, QString preferredFilename);

    // The picture file's bytes. Replacing them forgets the identity and the
    // proxy made from the old bytes; a container a document stores keeps
    // its bytes (the document finds it by its identity).
    const QByteArray& regularFileContents() const { return m_contents; }
    void setRegularFileContents(QByteArray contents);

    // File name inside the package's "Images" folder.
    const QString& preferredFilename() const { return m_preferredFilename; }
    void setPreferredFilename(QString name) { m_preferredFilename = std::move(name); }

    // Picture identity: MD5 of the bytes as 32 uppercase hex digits,
    // computed on first use. None for empty contents, so such a container
    // never matches a lookup.
    std::optional<QString> md5() const;

    // The picture decoded from the bytes, upright by its EXIF orientation;
    // a null image when the bytes are no picture we accept. Decoded on every
    // call, never kept.
    QImage getCompleteSizeImage() const;
    // The picture as getCompleteSizeImage gives it, or smaller where the
    // format decodes smaller for less work (a JPEG's 1/2, 1/4 and 1/8 steps)
    // and the result is still at least `width` pixels wide upright; whole
    // for `width` 0 or less.
    QImage getImageAtLeastWide(double width) const;
    // The memory that decode holds at its height: the picture it gives and
    // the decoder's own buffers. 0 for bytes that are no picture we accept.
    qint64 decodeBytesAtLeastWide(double width) const;

    // The drawing proxy: drawingWidth wide, height in proportion, upright,
    // never larger than the picture itself, made once and kept. A null image
    // when the bytes are no picture; the next call tries again.
    QImage getDrawingSizeImage();
    // Whether a proxy is kept already (nothing is decoded).
    bool hasDrawingSizeImage() const { return !m_drawingImage.isNull(); }
    // The memory the kept proxy takes; 0 without one.
    qint64 drawingImageBytes() const { return m_drawingImage.sizeInBytes(); }
    // Halves the kept proxy, aspect kept, not below a pixel a side; false
    // when there is none or it cannot get smaller.
    bool shrinkDrawingImage();

    // A container of the regular file at the path, named by the path's last
    // component; nullptr when the path is no readable regular file or no
    // picture. The proxy is made here, which also proves the file decodes.
    static std::shared_ptr<QFRegularFileWrapperContainer>
    getNewRegularFileWrapperContainerForImage(const QString& path);

    // What a long batch reports and whether it should stop; both are called
    // from the worker threads.
    struct BatchControl {
        std::function<void(qsizetype done)> progress; // files finished so far
        std::function<bool()> cancelled;               // the files not yet begun are skipped
        // More work on each container made (index into the paths), while the
        // other files still decode.
        std::function<void(qsizetype index, QFRegularFileWrapperContainer& made)> made;
    };

    // getNewRegularFileWrapperContainerForImage for each path, the files
    // read, hashed and decoded on several cores. One entry a path, in order.
    static QList<std::shared_ptr<QFRegularFileWrapperContainer>>
    getNewRegularFileWrapperContainersForImages(const QStringList& paths, const BatchControl& control = {});

    // Computes the identities of the containers on several cores and
    // returns when all are known. Null entries and repeats are allowed.
    static void makeIdentities(const QList<QFRegularFileWrapperContainer*>& containers);

    // Makes the missing proxies of the containers on several cores and
    // returns when all are made. Null entries and repeats are allowed.
    static void makeDrawingSizeImages(const QList<QFRegularFileWrapperContainer*>& containers);

private:
    QByteArray m_contents;
    QString m_preferredFilename;
    mutable std::optional<QString> m_md5;
    QImage m_drawingImage;
};

} // namespace qf
