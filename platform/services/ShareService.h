#pragma once

#include <QIcon>
#include <QString>

#include <functional>
#include <memory>

namespace qf {

// What a share hands over: a picture file and, for some services, a text.
// The question whether a service can perform is asked before the picture is
// rendered, so `imagePath` is then empty.
struct ShareItems {
    QString imagePath;
    QString subject;
    QString text;
};

// One sharing service of the desktop. Main thread only.
class ShareService {
public:
    // How a perform ended: success, or failure with a reason for the log.
    using Finished = std::function<void(bool succeeded, const QString& error)>;

    virtual ~ShareService() = default;

    // The registry's name of the service (one of ShareServiceNames).
    virtual QString name() const = 0;
    // The menu's title and image.
    virtual QString title() const = 0;
    virtual QIcon icon() const { return {}; }
    // Whether the service can take the items now; cheap, renders nothing.
    virtual bool canPerformWithItems(const ShareItems& items) const = 0;
    // Hands the items over; `finished` runs once, possibly later, on the main
    // thread.
    virtual void performWithItems(const ShareItems& items, Finished finished) = 0;
};

// The names services are known by, in the order of the Share menu.
namespace ShareServiceNames {
inline const QString postOnFacebook = QStringLiteral("qf.share.facebook");
inline const QString postOnTwitter = QStringLiteral("qf.share.twitter");
inline const QString composeMessage = QStringLiteral("qf.share.message");
inline const QString composeEmail = QStringLiteral("qf.share.email");
inline const QString postImageOnFlickr = QStringLiteral("qf.share.flickr");
inline const QString sendViaAirDrop = QStringLiteral("qf.share.airdrop");
inline const QString useAsDesktopPicture = QStringLiteral("qf.share.desktop-picture");
inline const QString addToPhotos = QStringLiteral("qf.share.photos");
} // namespace ShareServiceNames

// The services this machine offers, by name. Tests answer through a fake;
// the desktop's own registry is desktopRegistry().
class ShareServiceRegistry {
public:
    virtual ~ShareServiceRegistry() = default;

    // The service of that name, or null when the machine has none.
    virtual std::shared_ptr<ShareService> serviceNamed(const QString& name) const = 0;

    // The registry of this desktop, made once.
    static std::shared_ptr<ShareServiceRegistry> desktopRegistry();
};

} // namespace qf
