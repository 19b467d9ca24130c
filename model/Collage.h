#pragma once

#include "model/CollageCaches.h"
#include "model/PanZoomPos.h"
#include "model/ResourceImages.h"
#include "model/Position.h"
#include "platform/events/CursorStack.h"
#include "platform/graphics/Color.h"
#include "platform/keyvalue/KVObject.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QJsonObject>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace qf {

class CollageHost;
class GraphicsContext;
class QFCollageSize;
class TextPosition;
struct MouseEvent;

// The observation context of collage changes for undo; compared by identity.
extern const KVContext QFUndoCollageObservationContext;

// Which edit handle a drag holds.
enum HeldHandle : qint64 {
    HeldHandleTextLeftWidth = 4,
    HeldHandleTextRightWidth = 5,
    HeldHandleCropTranslate = 9,
    HeldHandleCropZoom = 10,
    HeldHandlePileRotate = 11,
    HeldHandlePileScale = 12,
    HeldHandleVerticalDivider = 13,
    HeldHandleHorizontalDivider = 14,
    HeldHandleNone = 15,
};

enum OrientationIndex : qint64 {
    OrientationLandscape = 0,
    OrientationPortrait = 1,
};

enum ImageScalingMode : qint64 {
    ImageScalingFitWhole = 0,
    ImageScalingCropToFill = 1,
};

using PositionPtr = std::shared_ptr<Position>;
using TextPositionPtr = std::shared_ptr<TextPosition>;

// The base of the seven collage types: canvas size and resolution, background,
// picture borders and shadow, the pictures keyed by identity, the picture
// slots, the text items, selection and lock state. Geometry is stored as
// fractions, so the same collage draws alike at every output size.
class Collage : public KVObject {
public:
    Collage();
    ~Collage() override;
    Collage(const Collage&) = delete;
    Collage& operator=(const Collage&) = delete;

    static const KVKeyTable& keyTable();

    // ---- per-type operations -------------------------------------------

    // A new empty slot of the type's own slot class.
    virtual PositionPtr getBrandNewPosition() = 0;
    // Draws every slot and picture into a width x height drawing.
    virtual void drawYourPicturePatternOnCurrentContextInWidth(GraphicsContext& context, double width, double height,
                                                               bool actual) = 0;
    virtual void mouseDownAtPictureLayer(QPointF point, double width, double height, const MouseEvent& event) = 0;
    virtual void mouseDraggedAtPictureLayer(QPointF point, double width, double height, const MouseEvent& event) = 0;
    virtual void mouseUpAtPictureLayer(QPointF point, double width, double height, const MouseEvent& event) = 0;
    // Nothing by default; the mosaic types track the pointer over dividers.
    virtual void mouseMovedAtPictureLayer(QPointF point, double width, double height, const MouseEvent& event);
    // Removes the selected picture (or slot); true when something went.
    virtual bool removeSelectedPicture() = 0;
    // Fills the face cache for the slots (see detectFacesOnlyAll) and sets
    // their crop windows from it.
    virtual void detectFacesAndUpdatePanZoomAll(bool all, bool onlyThoseNotSet,
                                                const std::optional<QList<PositionPtr>>& onlyThesePositions) = 0;
    // Places new pictures: identities in order, drawing images by identity,
    // and the files' paths and modification dates by identity.
    virtual void addPictures(const QStringList& md5s, const QHash<QString, QImage>& images,
                             const QHash<QString, QString>& md5ToPaths,
                             const QHash<QString, QDateTime>& md5ToModifiedTimes) = 0;
    virtual void removePictures(const QList<qsizetype>& indexes) = 0;
    virtual void shuffle() = 0;
    virtual qint64 ptLiesIn(QPointF point, double width, double height) = 0;
    virtual qint64 ptLiesInPickPictureButton(QPointF point, double width, double height) = 0;

    // ---- picture and slot operations --------------------------------------

    QList<PositionPtr> getAllEmptyPositions() const;
    // The first empty slot that prefers to be filled, else the first empty one.
    PositionPtr getFirstEmptyPosition() const;
    // The start of every type's addPictures: the paths and dates of the
    // pictures recorded, the selections cleared, and the identities that are
    // new to the collage answered (none empty, none twice, none already in
    // `images`, which must never hold one twice).
    QStringList beginAddingPictures(const QStringList& md5s, const QHash<QString, QString>& md5ToPaths,
                                    const QHash<QString, QDateTime>& md5ToModifiedTimes);
    // Appends the new pictures to `images` and caches their drawing images.
    void rememberPictures(const QStringList& fresh, const QHash<QString, QImage>& images);
    // The identities at these indexes of `images` (out-of-range ones ignored).
    QSet<QString> picturesAtIndexes(const QList<qsizetype>& indexes) const;
    // Takes the identities out of `images`, the others keeping their order,
    // and their drawing images out of the cache.
    void forgetPictures(const QSet<QString>& removed);
    // After reading: slots showing a picture `images` lacks, or one an
    // earlier slot shows, become empty; answers the pictures no slot shows.
    QStringList reconcileSlotsWithPictures();
    QStringList getRandomArrayOfImages() const;
    // The pictures a saved project keeps: `images`, then the background picture.
    QStringList allPicturesInUse() const;
    // The drawing-size image (cached) or, with `actual`, the full image (not cached).
    QImage getNsImage(const QString& md5, bool actual);

    // Puts a picture into slot `index`: swaps with the slot already showing
    // it, or replaces the slot's picture (see the implementation for how
    // `images` keeps its order).
    void pickPicture(const QString& md5, const QImage& image, qint64 index,
                     const QHash<QString, QString>& md5ToPaths,
                     const QHash<QString, QDateTime>& md5ToModifiedTimes);
    // Packs the pictures, shuffled, into the first slots.
    void shuffleInPlace();

    virtual void cropSelectedTo(double widthToHeight, const PanZoomPos& panZoom);
    virtual void removeCropFromSelected();
    void switchSelectedPrefferedToFill();
    void switchSelectedHideImagePicker();

    void removeAllSelections();
    void removeAllPictureSelections();
    void removeAllTextSelections();
    void deselectAll() { removeAllSelections(); }
    // Removes the selected text item; false when none is selected.
    bool removeSelectedText();
    bool removeSelectedTextOrPicture();

    // ---- text commands ------------------------------------------------------
    //
    // The text panel's commands; those on the selected item do nothing
    // without one.

    // A new item (the last item's style, else the default one) on top,
    // selected unless text is locked.
    void addNewText();
    // A style copy of the selected item reading its text and " Copy".
    void addNewByCopyingSelectedText();
    // 0 left, 1 centre, 2 right, 3 justified (other indexes do nothing).
    void setTextAlignment(qint64 index);
    // One point, or a hundredth of sizes above 100 points, up or down.
    void increaseFontSize();
    void decreaseFontSize();
    // One degree either way, or upright.
    void rotateTextClockWise();
    void rotateTextAntiClockWise();
    void rotateTextTo0();
    // Narrows the selected box to its text, measured at canvas size.
    void sizeToFitSelected();
    // The selected item's proposed centre (fractions) snapped to the canvas
    // centre lines and the other items' centres and edges; records the guides.
    QPointF constrainTextForNewCenter(QPointF proposed);

    virtual void setOrientation(qint64 orientationIndex);
    virtual void setCollageSizeTo(const QFCollageSize& size);

    void setBackgroundImageByPath(const QString& path);
    void setBackgroundImageByMd5(const QString& md5);
    void setSelectedPictureAsBackground();

    // Takes over the settings that survive a change of collage type from
    // `other`, including its text items, which leave `other`.
    void copyCommonSettings(Collage& other);

    // Fills `faceCentroidDict` for the slots to visit; at most 15 seconds a pass.
    void detectFacesOnlyAll(bool all, bool onlyThoseNotSet, const std::optional<QList<PositionPtr>>& onlyThesePositions);

    // The index of the topmost text item whose outline holds the point, or -1.
    qint64 ptLiesInTextBoundary(QPointF point, double width, double height) const;

    // Angle of the vector origin -> pt, 0 along +y, growing towards +x.
    static double AngleBetweenOrigin(QPointF origin, QPointF pt);

    // The selected slot, or none when no valid slot is selected.
    PositionPtr selectedPosition() const;
    TextPositionPtr selectedText() const;

    // ---- collage JSON object ----------------------------------------------
    //
    // One JSON object holds a collage for saving (actual true) and for an undo
    // snapshot (actual false, which adds the selection and the lock flags).

    // A new object filled by addMyPropertiesTo, so the type's keys are in it.
    QJsonObject dictionaryRepresentationActual(bool actual) const;
    // Adds the base keys; types override, call this first, then add theirs.
    virtual void addMyPropertiesTo(QJsonObject& dict, bool actual) const;
    // Reads the base keys (all but "cs") from an object that came from a file
    // or a snapshot: wrong types count as absent, nothing read can crash.
    // Types override, call this first, then read theirs.
    virtual void setMyPropertiesFrom(const QJsonObject& dict);
    // The pictures the last object read had placed where they could not be
    // seen (off the canvas, of no size, under other pictures, off the
    // layout) and that were put back where they show; none after a sound
    // object. The editor tells the user about those of a project file.
    const QStringList& picturesPutBackOnReading() const { return m_picturesPutBackOnReading; }
    // The saved form as compact JSON text, and as UTF-8 bytes.
    QString jsonStringRepresentation() const;
    QByteArray jsonStringNSData() const;

    // ---- canvas mouse --------------------------------------------------------
    //
    // The canvas view forwards every mouse event here (point in drawing
    // units, origin bottom left); the collage keeps the gesture's points and
    // hands the event to the text layer, the picture layer or both, as the
    // locks and the current selection decide.

    void mouseDownAt(QPointF point, double width, double height, const MouseEvent& event);
    void mouseDraggedAt(QPointF point, double width, double height, const MouseEvent& event);
    void mouseUpAt(QPointF point, double width, double height, const MouseEvent& event);
    void mouseMovedAt(QPointF point, double width, double height, const MouseEvent& event);
    // The gesture ended without a mouse-up (grab lost, focus out, window
    // hidden): cursors pushed during it are popped and drags end.
    void mouseGestureLost();

    // The text layer's share of the gesture.
    virtual void mouseDownAtTextLayer(QPointF point, double width, double height, const MouseEvent& event);
    virtual void mouseDraggedAtTextLayer(QPointF point, double width, double height, const MouseEvent& event);
    virtual void mouseUpAtTextLayer(QPointF point, double width, double height, const MouseEvent& event);

    // Cursors a layer shows during a gesture; whatever is still pushed when
    // the gesture ends is popped then, so pushes and pops always balance.
    void pushGestureCursor(const Cursor& cursor);
    void popGestureCursor();

    // ---- binding keys ----------------------------------------------------------

    // 0 landscape, 1 portrait, -1 square.
    qint64 getIndexOfOrientation() const;
    bool getPictureOrTextInDrawingViewSelected() const;
    bool getPictureInDrawingViewSelected() const;
    bool getNonEmptyPictureInDrawingViewSelected() const;
    bool getTextInDrawingViewSelected() const;
    TextPosition* getSelectedTextPositionObject() const;
    qint64 getIndexOfAlignment() const;
    bool getShowClickOnTextToEditLabel() const;
    bool getChangeRowsEnabledInBackgroundPattern() const;
    bool getBackgroundPictureIsPatternCheckboxEnabled() const;
    // Writes to the read-only binding keys are ignored; other unknown keys raise.
    void setValueForUndefinedKey(const QVariant& value, const QString& key) override;

    // ---- undo observation -----------------------------------------------

    virtual QSet<QString> keysForValuesToObserveForUndo() const;
    void startObservingProperties(KVObserver* observer);
    void startObservingProperties();
    void stopObservingProperties(KVObserver* observer);
    void stopObservingProperties();

    // ---- drawing -----------------------------------------------------------
    //
    // A collage draws itself into a width x height drawing (origin bottom
    // left, y up) at any size; `actual` selects output quality (full-size
    // pictures, no editing marks) over screen drawing.

    void drawYourselfOnCurrentContextInWidth(GraphicsContext& context, double width, double height, bool actual);
    void drawBackgroundOnCurrentContextInWidth(GraphicsContext& context, double width, double height, bool actual);
    void drawEditingAdditivesOnCurrentContextInWidth(GraphicsContext& context, double width, double height,
                                                     bool actual);
    // Nothing by default: selection marks are drawn by each layout.
    virtual void drawPictureEditingAdditivesOnCurrentContextInWidth(GraphicsContext& context, double width,
                                                                    double height, bool actual);
    // The text items, in list order, with their selection marks on screen.
    void drawYourTextOnCurrentContextInWidth(GraphicsContext& context, double width, double height, bool actual);
    void drawTextEditingAdditivesOnCurrentContextInWidth(GraphicsContext&, double, double, bool) {}

    // The part of an image (size `image`, y up) that shows in `rect`: the
    // centred aspect-fill part without a crop window, else the window's part.
    // An uncomputed window width (< 0) is computed and stored.
    static QRectF getImageInsetRect(QSizeF image, const QRectF& rect, PanZoomPos* panZoom);
    static QRectF getImageInsetRectWithPanZoomSpecified(QSizeF image, const QRectF& rect, PanZoomPos& panZoom);
    // The visible part of the picture scaled into `rect`.
    static void drawNSImage1(GraphicsContext& context, const QImage& image, const QRectF& rect, PanZoomPos* panZoom,
                             double alpha);
    // The whole picture, placed so that its visible part lands on `rect`.
    static void drawFullImage1(GraphicsContext& context, const QImage& image, const QRectF& rect,
                               PanZoomPos* panZoom, double alpha);
    // The pick-picture button of a slot; the zero rectangle when the slot is
    // too small for one.
    virtual QRectF getDrawRectImagePickerButton(const QRectF& slotRect) const;
    // The pick-picture button, drawn pressed while the user holds it down.
    void drawImagePickerInRect(GraphicsContext& context, const QRectF& buttonRect, bool preferred,
                               bool pressed = false) const;
    // A white 8 x 8 square with a thin black rim, on whole units.
    static void drawHandleAtPoint(GraphicsContext& context, QPointF point);

    // Rows of the tiled background actually drawn (stored value, or the one
    // computed from the picture, kept within 1..500).
    qint64 patternRowsForImageHeight(double imageHeight);

    // ---- limits ----------------------------------------------------------

    static constexpr double minSpacing() { return 0.0; }
    static constexpr double maxSpacing() { return 0.3; }
    static constexpr double minStrokeWidth() { return 0.0; }
    static constexpr double maxStrokeWidth() { return 0.3; }
    static constexpr double minCornerRadiusSize() { return 0.0; }
    static constexpr double maxCornerRadiusSize() { return 0.2; }

    // ---- properties ------------------------------------------------------

    const QString& collageType() const { return m_collageType; }
    void setCollageType(const QString& v) { kvSet(QStringLiteral("collageType"), m_collageType, v); }

    const QStringList& images() const { return m_images; }
    void setImages(const QStringList& v) { kvSet(QStringLiteral("images"), m_images, v); }
    // The drawing images by identity (the host's cache when it has one).
    QHash<QString, QImage>& nsImages() { return caches().drawingImages; }
    const QHash<QString, QImage>& nsImages() const { return caches().drawingImages; }
    QHash<QString, QString>& md5ToPathsDictionary() { return m_md5ToPathsDictionary; }
    const QHash<QString, QString>& md5ToPathsDictionary() const { return m_md5ToPathsDictionary; }
    QHash<QString, QDateTime>& md5ToModifiedTimeDictionary() { return m_md5ToModifiedTimeDictionary; }
    const QHash<QString, QDateTime>& md5ToModifiedTimeDictionary() const { return m_md5ToModifiedTimeDictionary; }

    CollageHost* myWindowController() const { return m_myWindowController; }
    // A host with caches takes over what this collage cached by itself.
    void setMyWindowController(CollageHost* host);

    qint64 width() const { return m_width; }
    void setWidth(qint64 v) { kvSet(QStringLiteral("width"), m_width, v); }
    qint64 height() const { return m_height; }
    void setHeight(qint64 v) { kvSet(QStringLiteral("height"), m_height, v); }
    qint64 resolution() const { return m_resolution; }
    void setResolution(qint64 v) { kvSet(QStringLiteral("resolution"), m_resolution, v); }

    bool backgroundIsImage() const { return m_backgroundIsImage; }
    void setBackgroundIsImage(bool v) { kvSet(QStringLiteral("backgroundIsImage"), m_backgroundIsImage, v); }
    bool backgroundImageIsPattern() const { return m_backgroundImageIsPattern; }
    void setBackgroundImageIsPattern(bool v)
    {
        kvSet(QStringLiteral("backgroundImageIsPattern"), m_backgroundImageIsPattern, v);
    }
    qint64 backgroundImagePatternNumberOfRows() const { return m_backgroundImagePatternNumberOfRows; }
    void setBackgroundImagePatternNumberOfRows(qint64 v)
    {
        kvSet(QStringLiteral("backgroundImagePatternNumberOfRows"), m_backgroundImagePatternNumberOfRows, v);
    }
    bool backgroundIsTransparent() const { return m_backgroundIsTransparent; }
    void setBackgroundIsTransparent(bool v)
    {
        kvSet(QStringLiteral("backgroundIsTransparent"), m_backgroundIsTransparent, v);
    }
    // The identity of the background picture (empty for none).
    const QString& backgroundImagePath() const { return m_backgroundImagePath; }
    void setBackgroundImagePath(const QString& v)
    {
        kvSet(QStringLiteral("backgroundImagePath"), m_backgroundImagePath, v);
    }
    const QImage& backgroundImage() const { return m_backgroundImage; }
    void setBackgroundImage(const QImage& v) { m_backgroundImage = v; }
    Color backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(Color v) { kvSet(QStringLiteral("backgroundColor"), m_backgroundColor, v); }
    Color borderColor() const { return m_borderColor; }
    void setBorderColor(Color v) { kvSet(QStringLiteral("borderColor"), m_borderColor, v); }

    double spacing() const { return m_spacing; }
    void setSpacing(double v) { kvSet(QStringLiteral("spacing"), m_spacing, v); }
    double strokeWidth() const { return m_strokeWidth; }
    void setStrokeWidth(double v) { kvSet(QStringLiteral("strokeWidth"), m_strokeWidth, v); }
    double cornerRadiusSize() const { return m_cornerRadiusSize; }
    void setCornerRadiusSize(double v) { kvSet(QStringLiteral("cornerRadiusSize"), m_cornerRadiusSize, v); }
    bool drawShadow() const { return m_drawShadow; }
    void setDrawShadow(bool v) { kvSet(QStringLiteral("drawShadow"), m_drawShadow, v); }
    double shadowX() const { return m_shadowX; }
    void setShadowX(double v) { kvSet(QStringLiteral("shadowX"), m_shadowX, v); }
    double shadowY() const { return m_shadowY; }
    void setShadowY(double v) { kvSet(QStringLiteral("shadowY"), m_shadowY, v); }
    double shadowBlur() const { return m_shadowBlur; }
    void setShadowBlur(double v) { kvSet(QStringLiteral("shadowBlur"), m_shadowBlur, v); }
    qint64 imageScaling() const { return m_imageScaling; }
    void setImageScaling(qint64 v) { kvSet(QStringLiteral("imageScaling"), m_imageScaling, v); }

    QList<TextPositionPtr>& textPositions() { return m_textPositions; }
    const QList<TextPositionPtr>& textPositions() const { return m_textPositions; }
    QList<PositionPtr>& picturePositions() { return m_picturePositions; }
    const QList<PositionPtr>& picturePositions() const { return m_picturePositions; }

    qint64 selectedImagePosition() const { return m_selectedImagePosition; }
    void setSelectedImagePosition(qint64 v)
    {
        kvSet(QStringLiteral("selectedImagePosition"), m_selectedImagePosition, v);
    }
    qint64 selectedTextPosition() const { return m_selectedTextPosition; }
    void setSelectedTextPosition(qint64 v) { kvSet(QStringLiteral("selectedTextPosition"), m_selectedTextPosition, v); }

    bool dragging() const { return m_dragging; }
    void setDragging(bool v) { kvSet(QStringLiteral("dragging"), m_dragging, v); }
    bool draggingText() const { return m_draggingText; }
    void setDraggingText(bool v) { kvSet(QStringLiteral("draggingText"), m_draggingText, v); }
    qint64 handleBeingHeld() const { return m_handleBeingHeld; }
    void setHandleBeingHeld(qint64 v) { kvSet(QStringLiteral("handleBeingHeld"), m_handleBeingHeld, v); }
    bool lockPictures() const { return m_lockPictures; }
    void setLockPictures(bool v) { kvSet(QStringLiteral("lockPictures"), m_lockPictures, v); }
    bool lockText() const { return m_lockText; }
    void setLockText(bool v) { kvSet(QStringLiteral("lockText"), m_lockText, v); }
    bool drawFast() const { return m_drawFast; }
    void setDrawFast(bool v) { kvSet(QStringLiteral("drawFast"), m_drawFast, v); }

    // The application's handle and button images, loaded once for all collages.
    const QImage& cropTranslateHolderImage() const { return ResourceImages::image(QStringLiteral("crop_translate")); }
    const QImage& cropZoomHolderImage() const { return ResourceImages::image(QStringLiteral("crop_zoom")); }
    const QImage& translateHolderImage() const { return ResourceImages::image(QStringLiteral("move")); }
    const QImage& rotateHolderImage() const { return ResourceImages::image(QStringLiteral("rotate_only")); }
    const QImage& zoomHolderImage() const { return ResourceImages::image(QStringLiteral("scale_only")); }
    const QImage& plusImage() const { return ResourceImages::image(QStringLiteral("plus")); }
    const QImage& transparentBackgroundImage() const { return ResourceImages::image(QStringLiteral("transparent_background_pattern.png")); }
    const QImage& pickPictureNonPressedImage() const { return ResourceImages::image(QStringLiteral("image_picker_non_pressed")); }
    const QImage& pickPicturePressedImage() const { return ResourceImages::image(QStringLiteral("image_picker_pressed")); }

    // Face centroids by identity (the host's cache when it has one).
    QHash<QString, QPointF>& faceCentroidDict() { return caches().faceCentroids; }
    const QHash<QString, QPointF>& faceCentroidDict() const { return caches().faceCentroids; }
    bool beingObserved() const { return m_beingObserved; }
    qint64 pickPictureForPositionIndex() const { return m_pickPictureForPositionIndex; }
    void setPickPictureForPositionIndex(qint64 v)
    {
        kvSet(QStringLiteral("pickPictureForPositionIndex"), m_pickPictureForPositionIndex, v);
    }

    QPointF positionOfCropTranslateHolder() const { return m_positionOfCropTranslateHolder; }
    void setPositionOfCropTranslateHolder(QPointF p) { m_positionOfCropTranslateHolder = p; }
    QPointF positionOfCropZoomHolder() const { return m_positionOfCropZoomHolder; }
    void setPositionOfCropZoomHolder(QPointF p) { m_positionOfCropZoomHolder = p; }
    QPointF positionOfRotateHolder() const { return m_positionOfRotateHolder; }
    void setPositionOfRotateHolder(QPointF p) { m_positionOfRotateHolder = p; }
    QPointF positionOfScaleHolder() const { return m_positionOfScaleHolder; }
    void setPositionOfScaleHolder(QPointF p) { m_positionOfScaleHolder = p; }

    QPointF initialLocation() const { return m_initialLocation; }
    void setInitialLocation(QPointF p) { m_initialLocation = p; }
    QPointF previousLocation() const { return m_previousLocation; }
    void setPreviousLocation(QPointF p) { m_previousLocation = p; }
    QPointF currentLocation() const { return m_currentLocation; }
    void setCurrentLocation(QPointF p) { m_currentLocation = p; }
    double initialRotationAngle() const { return m_initialRotationAngle; }
    void setInitialRotationAngle(double v) { m_initialRotationAngle = v; }
    double initialL() const { return m_initialL; }
    void setInitialL(double v) { m_initialL = v; }

    bool constrainingText() const { return m_constrainingText; }
    void setConstrainingText(bool v) { m_constrainingText = v; }
    const std::optional<QList<double>>& constrainingTextXPosArray() const { return m_constrainingTextXPosArray; }
    void setConstrainingTextXPosArray(std::optional<QList<double>> v) { m_constrainingTextXPosArray = std::move(v); }
    const std::optional<QList<double>>& constrainingTextYPosArray() const { return m_constrainingTextYPosArray; }
    void setConstrainingTextYPosArray(std::optional<QList<double>> v) { m_constrainingTextYPosArray = std::move(v); }

protected:
    const KVKeyTable& kvKeyTable() const override { return keyTable(); }

    bool validSlotIndex(qint64 index) const { return index >= 0 && index < m_picturePositions.size(); }
    // A type's reader records a picture it had to put back where it shows.
    void notePicturePutBackOnReading(const QString& md5) { m_picturesPutBackOnReading.append(md5); }

    using LayerHandler = void (Collage::*)(QPointF, double, double, const MouseEvent&);
    // A drag or mouse-up goes to the layers as the locks and selection say.
    void dispatchFollowUp(QPointF point, double width, double height, const MouseEvent& event,
                          LayerHandler textLayer, LayerHandler pictureLayer);

private:
    CollageCaches& caches() const;

    QString m_collageType;
    QStringList m_images;
    QHash<QString, QString> m_md5ToPathsDictionary;
    QHash<QString, QDateTime> m_md5ToModifiedTimeDictionary;
    CollageHost* m_myWindowController = nullptr;
    QStringList m_picturesPutBackOnReading;

    qint64 m_width;
    qint64 m_height;
    qint64 m_resolution = 300;
    bool m_backgroundIsImage = false;
    bool m_backgroundImageIsPattern = false;
    qint64 m_backgroundImagePatternNumberOfRows = -1;
    bool m_backgroundIsTransparent = false;
    QString m_backgroundImagePath;
    QImage m_backgroundImage;
    Color m_backgroundColor = Color::white();
    Color m_borderColor = Color::white();
    double m_spacing = 0.05;
    double m_strokeWidth = 0.1;
    double m_cornerRadiusSize = 0.0;
    bool m_drawShadow = true;
    double m_shadowX = 0.2;
    double m_shadowY = -0.2;
    double m_shadowBlur = 0.5;
    qint64 m_imageScaling = ImageScalingCropToFill;

    QList<TextPositionPtr> m_textPositions;
    QList<PositionPtr> m_picturePositions;
    qint64 m_selectedImagePosition = -1;
    qint64 m_selectedTextPosition = -1;
    bool m_dragging = false;
    bool m_draggingText = false;
    qint64 m_handleBeingHeld = HeldHandleNone;
    bool m_lockPictures = false;
    bool m_lockText = false;
    bool m_drawFast = false;

    mutable CollageCaches m_ownCaches; // while no host caches for it
    bool m_beingObserved = false;
    qint64 m_pickPictureForPositionIndex = -1;
    QPointF m_positionOfCropTranslateHolder{10, 10};
    QPointF m_positionOfCropZoomHolder{40, 10};
    QPointF m_positionOfRotateHolder{70, 10};
    QPointF m_positionOfScaleHolder{100, 10};
    QPointF m_initialLocation;
    QPointF m_previousLocation;
    QPointF m_currentLocation;
    double m_initialRotationAngle = 0.0;
    double m_initialL = 0.0;
    bool m_constrainingText = false;
    std::optional<QList<double>> m_constrainingTextXPosArray;
    std::optional<QList<double>> m_constrainingTextYPosArray;
    int m_gestureCursorPushes = 0;
};

} // namespace qf
