#pragma once

#include "editor/EditorWindow.h"

#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace qf {

class CollageExporter;
class EditorSession;
class ShareService;
class ShareServiceRegistry;
struct ShareItems;

// The Share menu's work for one editor: which entries the machine offers,
// and each entry's share. A share asks its service first and renders only
// when the service can take the picture: the collage at its full pixel size
// under the saving sheet, written as a temporary JPEG the service is given
// (and removed again if the service turns it down).
//
// Main thread only.
class CollageSharing : public QObject {
    Q_OBJECT
public:
    // The Share menu's entries, in the menu's order.
    enum class Entry {
        Facebook,
        Twitter,
        Instagram,
        WhatsApp,
        Message,
        Email,
        Flickr,
        AirDrop,
        DesktopPicture,
        Photos,
    };
    struct MenuEntry {
        Entry entry;
        QString title;
        QIcon icon;
    };

    CollageSharing(EditorSession& session, CollageExporter& exporter, std::shared_ptr<ShareServiceRegistry> registry);
    ~CollageSharing() override;

    void setRegistry(std::shared_ptr<ShareServiceRegistry> registry) { m_registry = std::move(registry); }
    // Where pop-up notices go; none shows nothing.
    void setNotifier(std::function<void(const QString&)> notify) { m_notify = std::move(notify); }

    // The entries whose service the machine has and whose title is not
    // blank. The two-step entries need a service that sends to a phone.
    QList<MenuEntry> menuEntries() const;
    // The entry's share; an entry the machine lacks does nothing.
    void share(Entry entry);

    // The name of the service last started, until it reports how it went.
    const std::optional<QString>& nameOfSharingServiceUsed() const { return m_nameOfSharingServiceUsed; }
    // The service's report of the share started last.
    void sharingServiceDidShareItems(const QString& serviceName);
    void sharingServiceDidFailToShareItems(const QString& serviceName, const QString& error);

    // The registry's name of the entry's service; empty for the two-step entries.
    static QString serviceName(Entry entry);
    // The items of the entry with the picture file (empty when only asking).
    ShareItems itemsFor(Entry entry, const QString& imagePath) const;
    static QString mailBody();
    static QString postText();
    // The sheet of an entry whose service is not set up; none for the
    // entries that say nothing then.
    static std::optional<AlertText> notSetUpAlert(Entry entry);
    static AlertText twoStepAlert(Entry entry);
    // The product's download page and social-network account the shared texts name.
    static QString downloadPageAddress();
    static QString socialAccountName();

private:
    void shareThroughService(Entry entry);
    void shareInTwoSteps(Entry entry);

    EditorSession& m_session;
    CollageExporter& m_exporter;
    std::shared_ptr<ShareServiceRegistry> m_registry;
    std::function<void(const QString&)> m_notify;
    std::optional<QString> m_nameOfSharingServiceUsed;
    std::shared_ptr<ShareService> m_serviceUsed; // kept alive until it reports
};

} // namespace qf
