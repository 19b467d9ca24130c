#include "platform/vision/OpenCvFaceDetector.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>

#include <algorithm>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace qf {

namespace {

// Larger pictures are scaled down first: a face smaller than the smallest
// size looked for would be missed anyway, and the cost grows with the area.
constexpr int kMaxSide = 1200;
// Coarse scale steps for speed; five neighbours keep background texture
// from passing for a face.
constexpr double kScaleFactor = 1.2;
constexpr int kMinNeighbors = 5;
// Faces narrower than this share of the short side are not looked for.
constexpr int kMinFaceDivisor = 20;

} // namespace

struct OpenCvFaceDetector::Impl {
    std::string path;
    bool usable = false;
    // A classifier keeps scratch state between calls, so each call borrows
    // one of its own; idle ones wait here for the next call.
    QMutex mutex;
    std::vector<std::unique_ptr<cv::CascadeClassifier>> idle;

    std::unique_ptr<cv::CascadeClassifier> borrow()
    {
        {
            QMutexLocker lock(&mutex);
            if (!idle.empty()) {
                std::unique_ptr<cv::CascadeClassifier> c = std::move(idle.back());
                idle.pop_back();
                return c;
            }
        }
        auto c = std::make_unique<cv::CascadeClassifier>();
        try {
            if (c->load(path) && !c->empty())
                return c;
        } catch (const std::exception& e) { // a malformed cascade file
            qWarning().noquote() << "Face cascade:" << e.what();
        }
        return nullptr;
    }

    void giveBack(std::unique_ptr<cv::CascadeClassifier> c)
    {
        QMutexLocker lock(&mutex);
        idle.push_back(std::move(c));
    }
};

OpenCvFaceDetector::OpenCvFaceDetector(const QString& cascadePath)
    : m_impl(std::make_unique<Impl>())
{
    const QString path = cascadePath.isEmpty() ? findCascadeFile() : cascadePath;
    if (path.isEmpty()) {
        qWarning("No frontal-face cascade installed (package opencv-data): no faces will be found");
        return;
    }
    m_impl->path = QFile::encodeName(path).toStdString();
    if (std::unique_ptr<cv::CascadeClassifier> first = m_impl->borrow()) {
        m_impl->usable = true;
        m_impl->giveBack(std::move(first));
    }
    if (!m_impl->usable)
        qWarning().noquote() << "Cannot load the face cascade" << path << "- no faces will be found";
}

OpenCvFaceDetector::~OpenCvFaceDetector() = default;

bool OpenCvFaceDetector::isUsable() const
{
    return m_impl->usable;
}

QString OpenCvFaceDetector::findCascadeFile()
{
    static const char* const names[] = {"opencv4/haarcascades/haarcascade_frontalface_default.xml",
                                        "opencv/haarcascades/haarcascade_frontalface_default.xml"};
    for (const char* name : names) {
        QString found = QStandardPaths::locate(QStandardPaths::GenericDataLocation, QLatin1String(name));
        if (!found.isEmpty())
            return found;
        // XDG_DATA_DIRS may leave out the system prefixes (sandboxes do).
        for (const char* prefix : {"/usr/share/", "/usr/local/share/"}) {
            const QFileInfo info(QLatin1String(prefix) + QLatin1String(name));
            if (info.isFile() && info.isReadable())
                return info.absoluteFilePath();
        }
    }
    return {};
}

QList<QRectF> OpenCvFaceDetector::detectFaces(const QImage& image)
{
    if (!m_impl->usable || image.isNull())
        return {};

    QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    if (std::max(grey.width(), grey.height()) > kMaxSide)
        grey = grey.width() >= grey.height() ? grey.scaledToWidth(kMaxSide, Qt::SmoothTransformation)
                                             : grey.scaledToHeight(kMaxSide, Qt::SmoothTransformation);
    if (grey.isNull())
        return {};
    const double backX = double(image.width()) / grey.width();
    const double backY = double(image.height()) / grey.height();

    std::vector<cv::Rect> found;
    try {
        const cv::Mat view(grey.height(), grey.width(), CV_8UC1, const_cast<uchar*>(grey.constBits()),
                           static_cast<size_t>(grey.bytesPerLine()));
        cv::Mat equalised;
        cv::equalizeHist(view, equalised);
        const int minSide = std::max(1, std::min(grey.width(), grey.height()) / kMinFaceDivisor);
        std::unique_ptr<cv::CascadeClassifier> cascade = m_impl->borrow();
        if (!cascade)
            return {};
        cascade->detectMultiScale(equalised, found, kScaleFactor, kMinNeighbors, cv::CASCADE_SCALE_IMAGE,
                                  cv::Size(minSide, minSide));
        m_impl->giveBack(std::move(cascade));
    } catch (const std::exception& e) { // cv::Exception, or out of memory
        qWarning().noquote() << "Face detection failed:" << e.what();
        return {};
    }

    QList<QRectF> faces;
    faces.reserve(static_cast<qsizetype>(found.size()));
    for (const cv::Rect& r : found)
        faces.append(QRectF(r.x * backX, r.y * backY, r.width * backX, r.height * backY));
    return faces;
}

} // namespace qf
