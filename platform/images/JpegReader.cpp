#include "platform/images/JpegReader.h"

#include "platform/images/JpegErrors.h"

#include <QColorSpace>
#include <QSysInfo>

#include <csetjmp>
#include <cmath>
#include <cstring>
#include <new>

#include <algorithm>

namespace qf {

namespace {

// The decode itself. No object with a destructor lives in this frame
// across the jump: the picture and the profile are the caller's.
bool decodeInto(const QByteArray& bytes, QSize scaledSize, bool exact, QRect* region, QImage* image,
                QByteArray* profile)
{
    jpeg_decompress_struct cinfo{};
    JpegErrors errors{};
    cinfo.err = errors.install();
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.constData()), static_cast<unsigned long>(bytes.size()));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF); // ICC profile
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK || cinfo.num_components != 3
        || (cinfo.jpeg_color_space != JCS_YCbCr && cinfo.jpeg_color_space != JCS_RGB)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if (!scaledSize.isEmpty()) {
        // As the image reader picks it: the smallest M/8 still as large.
        const double f = std::min(double(cinfo.image_width) / scaledSize.width(),
                                  double(cinfo.image_height) / scaledSize.height());
        cinfo.scale_num = unsigned(std::clamp(int(std::ceil(8 / f)), 1, 8));
        cinfo.scale_denom = 8;
    }
    // The bytes of Format_RGB32 in memory, the fourth set to 0xFF.
    cinfo.out_color_space = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? JCS_EXT_BGRX : JCS_EXT_XRGB;
    jpeg_calc_output_dimensions(&cinfo);
    const QSize output(int(cinfo.output_width), int(cinfo.output_height));
    if (cinfo.output_components != 4 || (exact && !scaledSize.isEmpty() && output != scaledSize)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    bool allocated = false;
    try {
        for (jpeg_saved_marker_ptr marker = cinfo.marker_list; marker; marker = marker->next) {
            if (marker->marker == JPEG_APP0 + 2 && marker->data_length > 128 + 4 + 14
                && std::memcmp(marker->data, "ICC_PROFILE", 12) == 0)
                profile->append(reinterpret_cast<const char*>(marker->data) + 14, qsizetype(marker->data_length) - 14);
        }
        *image = QImage(output, QImage::Format_RGB32);
        allocated = !image->isNull();
    } catch (const std::bad_alloc&) {
        allocated = false;
    }
    if (!allocated) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    // The picture is made before the decoder's buffers, as the whole
    // picture's decode makes it: a progressive JPEG's coefficients, freed
    // first, then leave no hole under a picture that is kept.
    const QRect whole(QPoint(), output);
    QRect wanted = region && whole.contains(*region) && !region->isEmpty() ? *region : whole;
    jpeg_start_decompress(&cinfo);
    if (wanted.width() < output.width()) {
        // Out to the blocks' edges: libjpeg moves the left edge and widens.
        auto left = JDIMENSION(wanted.x());
        auto columns = JDIMENSION(wanted.width());
        jpeg_crop_scanline(&cinfo, &left, &columns);
        wanted.setLeft(int(left));
        wanted.setWidth(int(columns));
    }
    if (wanted.top() > 0 && jpeg_skip_scanlines(&cinfo, JDIMENSION(wanted.top())) != JDIMENSION(wanted.top())) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    const auto end = JDIMENSION(wanted.top() + wanted.height());
    while (cinfo.output_scanline < end) {
        JSAMPROW row = image->scanLine(int(cinfo.output_scanline)) + qsizetype(wanted.left()) * 4;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    // Rows left below the region are never decoded.
    if (end == cinfo.output_height)
        jpeg_finish_decompress(&cinfo);
    if (cinfo.density_unit == 1) {
        image->setDotsPerMeterX(int(100. * cinfo.X_density / 2.54));
        image->setDotsPerMeterY(int(100. * cinfo.Y_density / 2.54));
    } else if (cinfo.density_unit == 2) {
        image->setDotsPerMeterX(int(100. * cinfo.X_density));
        image->setDotsPerMeterY(int(100. * cinfo.Y_density));
    }
    jpeg_destroy_decompress(&cinfo);
    if (region)
        *region = wanted;
    return true;
}

std::optional<QImage> decodeAtScale(const QByteArray& bytes, QSize scaledSize, bool exact, QRect* region)
{
    if (bytes.size() < 4 || uchar(bytes[0]) != 0xFF || uchar(bytes[1]) != 0xD8)
        return std::nullopt;
    QImage image;
    QByteArray profile;
    if (!decodeInto(bytes, scaledSize, exact, region, &image, &profile))
        return std::nullopt;
    if (!profile.isEmpty())
        image.setColorSpace(QColorSpace::fromIccProfile(profile));
    return image;
}

} // namespace

std::optional<QImage> JpegReader::decode(const QByteArray& bytes, QSize scaledSize, QRect* region)
{
    return decodeAtScale(bytes, scaledSize, true, region);
}

std::optional<QImage> JpegReader::decodeAtStepFor(const QByteArray& bytes, QSize scaledSize)
{
    return decodeAtScale(bytes, scaledSize, false, nullptr);
}

} // namespace qf
