#pragma once

#include <QObject>

#include <functional>
#include <memory>

namespace qf {

// The export dialog's accessory as the document drives it: the picture
// type, the JPEG quality and the TIFF compression. Its view belongs to the
// windowing layer, which installs the maker; without one the document's
// export choices work through its fields alone.
class SaveAccessory {
public:
    virtual ~SaveAccessory() = default;

    // The view the save dialog shows under itself; the accessory's own.
    virtual QObject* view() = 0;
    // 0 JPEG, 1 PNG, 2 TIFF: the type shown, with only its own controls.
    virtual void showType(int index) = 0;
    virtual void showJpegQuality(int percent) = 0;
    virtual void showTiffCompression(int index) = 0;

    // What the user chose in the view.
    std::function<void(int)> typeChosen;
    std::function<void(int)> jpegQualityChanged;
    std::function<void(int)> tiffCompressionChosen;

    using Maker = std::function<std::unique_ptr<SaveAccessory>()>;
    static void setMaker(Maker maker);
    // A new accessory; null while no maker is installed.
    static std::unique_ptr<SaveAccessory> make();
};

} // namespace qf
