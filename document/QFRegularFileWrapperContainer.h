#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace qf {

// One picture embedded in a project: the file's bytes exactly as read, its
// file name inside the package's "Images" folder, and two values derived from
// the bytes and kept once made: the picture identity and the drawing proxy.
//
// Pictures are refused (no image, never a crash) when the decoder cannot
// read them, when a JPEG ends before its end-of-image marker or has more than
// maxJpegScans scans (fewer for large pictures: maxJpegScanPixels), or when
// they claim more than maxPicturePixels pixels or more than maxPictureSide pixels
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
    // Each scan is decoded over the whole picture, whatever size is asked
    // for: scans times pixels bound the time a picture takes (about a
    // second a core for this many), 20 scans of the largest picture.
    static constexpr qint64 maxJpegScanPixels = 20 * maxPicturePixels;

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
    // The size of that picture where its format can decode only a part of
    // it (an upright JPEG), from the headers alone; empty otherwise.
    QSize partSizeAtLeastWide(double width) const;
    // That picture with only `region` (its pixels, at the size
    // partSizeAtLeastWide gives) and a little around it decoded, each pixel
    // there as in the whole picture, the others unset: `region` gets what
    // was decoded, all of it when the format decodes it whole.
    QImage getRegionAtLeastWide(double width, QRect* region) const;
    // The memory that decode holds at its height: the picture it gives and
    // the decoder's own buffers. 0 for bytes that are no picture we accept;
    // a JPEG is judged by its headers alone (one cut short, or with too
    // many scans, is only refused by its decode).
    qint64 decodeBytesAtLeastWide(double width) const;

    // The drawing proxy: drawingWidth wide, height in proportion, upright,
    // never larger than the picture itself, made once and kept. A null image
    // when the bytes are no picture; the next call tries again.
    QImage getDrawingSizeImage();
    // Whether a proxy is kept already (nothing is decoded).
    bool hasDrawingSizeImage() const { return !m_drawingImage.isNull(); }
    // Whether the bytes' headers are those of a picture we accept (nothing
    // is decoded).
    bool hasPictureHeaders() const;
    // Whether the kept proxy only stands in for the picture: memory ran out
    // while it was decoded. A few grey pixels in the picture's proportions;
    // the picture's bytes are kept and saved as any other's.
    bool drawingImageIsStandIn() const { return m_drawingIsStandIn; }
    // The memory the kept proxy takes, and its size; 0 and empty without one.
    qint64 drawingImageBytes() const { return m_drawingImage.sizeInBytes(); }
    QSize drawingImageSize() const { return m_drawingImage.size(); }
    // Scales the kept proxy down to `size`; false when there is none or
    // the size is no smaller.
    bool shrinkDrawingImage(QSize size);
    // The sizes proxies of these sizes get when together they may take
    // `budget` bytes: the largest halved (aspect kept, not below a pixel a
    // side) until they fit. Empty sizes stand for no proxy.
    static std::vector<QSize> sizesWithinBudget(std::vector<QSize> sizes, qint64 budget);
    // Answers, for the full sizes of a batch's proxies (empty for files that
    // are no picture), the sizes to make them at.
    using DrawingSizePlan = std::function<std::vector<QSize>(const std::vector<QSize>& full)>;

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
        // The sizes of the proxies, planned from the files' headers before
        // any is decoded; full size without one.
        DrawingSizePlan planDrawingSizes;
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
    // Their sizes come from the plan when one is given, from their headers
    // before anything is decoded. A proxy that memory did not allow gets a
    // stand-in (drawingImageIsStandIn).
    static void makeDrawingSizeImages(const QList<QFRegularFileWrapperContainer*>& containers,
                                      const DrawingSizePlan& plan = {});

private:
    void setDecodedProxy(QImage image, bool outOfMemory, QSize upright);

    QByteArray m_contents;
    QString m_preferredFilename;
    mutable std::optional<QString> m_md5;
    QImage m_drawingImage;
    bool m_drawingIsStandIn = false;
};

} // namespace qf
