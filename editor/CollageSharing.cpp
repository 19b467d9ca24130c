#include "editor/CollageSharing.h"

#include "document/CollageDocument.h"
#include "editor/CollageExporter.h"
#include "editor/EditorSession.h"
#include "editor/EditorWindow.h"
#include "document/CollageDocument.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/services/ShareService.h"
#include "platform/services/WebSites.h"

#include <QLoggingCategory>
#include <QPointer>

Q_LOGGING_CATEGORY(lcSharing, "qf.editor.sharing")

namespace qf {

namespace {

constexpr CollageSharing::Entry kMenuOrder[] = {
    CollageSharing::Entry::Facebook, CollageSharing::Entry::Twitter,  CollageSharing::Entry::Instagram,
    CollageSharing::Entry::WhatsApp, CollageSharing::Entry::Message,  CollageSharing::Entry::Email,
    CollageSharing::Entry::Flickr,   CollageSharing::Entry::AirDrop,  CollageSharing::Entry::DesktopPicture,
    CollageSharing::Entry::Photos,
};

// The user default that names the product's social-network account.
const QString kSocialAccountKey = QStringLiteral("QFSocialAccountName");

bool isTwoStep(CollageSharing::Entry entry)
{
    return entry == CollageSharing::Entry::Instagram || entry == CollageSharing::Entry::WhatsApp;
}

} // namespace

CollageSharing::CollageSharing(EditorSession& session, CollageExporter& exporter,
                               std::shared_ptr<ShareServiceRegistry> registry)
    : m_session(session)
    , m_exporter(exporter)
    , m_registry(std::move(registry))
{
}

CollageSharing::~CollageSharing() = default;

QString CollageSharing::serviceName(Entry entry)
{
    switch (entry) {
    case Entry::Facebook: return ShareServiceNames::postOnFacebook;
    case Entry::Twitter: return ShareServiceNames::postOnTwitter;
    case Entry::Message: return ShareServiceNames::composeMessage;
    case Entry::Email: return ShareServiceNames::composeEmail;
    case Entry::Flickr: return ShareServiceNames::postImageOnFlickr;
    case Entry::AirDrop: return ShareServiceNames::sendViaAirDrop;
    case Entry::DesktopPicture: return ShareServiceNames::useAsDesktopPicture;
    case Entry::Photos: return ShareServiceNames::addToPhotos;
    case Entry::Instagram:
    case Entry::WhatsApp: break;
    }
    return {};
}

QList<CollageSharing::MenuEntry> CollageSharing::menuEntries() const
{
    QList<MenuEntry> entries;
    if (!m_registry)
        return entries;
    // The two steps go through the phone service; without it they would
    // render a picture that then goes nowhere.
    const bool phones = m_registry->serviceNamed(ShareServiceNames::sendViaAirDrop) != nullptr;
    for (const Entry entry : kMenuOrder) {
        if (entry == Entry::Instagram) {
            if (phones)
                entries.append({entry, tr("Instagram"), QIcon()});
            continue;
        }
        if (entry == Entry::WhatsApp) {
            if (phones)
                entries.append({entry, tr("WhatsApp"), QIcon()});
            continue;
        }
        const std::shared_ptr<ShareService> service = m_registry->serviceNamed(serviceName(entry));
        if (!service || service->title().trimmed().isEmpty())
            continue;
        entries.append({entry, entry == Entry::DesktopPicture ? tr("Set Desktop Picture") : service->title(),
                        service->icon()});
    }
    return entries;
}

QString CollageSharing::downloadPageAddress()
{
    return productWebSiteAddress() + QStringLiteral("/download");
}

QString CollageSharing::socialAccountName()
{
    const QVariant stored = UserDefaults::standard().value(kSocialAccountKey);
    if (stored.typeId() == QMetaType::QString && !stored.toString().trimmed().isEmpty())
        return stored.toString().trimmed();
    return QStringLiteral("@Quiltfolio");
}

QString CollageSharing::mailBody()
{
    const QString rule = QString(22, u'-');
    return tr("Hi,") + QStringLiteral("\n\n") + tr("Checkout this Collage!") + QStringLiteral("\n\n")
        + tr("Best Regards,") + QStringLiteral("\n\n\n") + rule + QStringLiteral("  ") + rule + QStringLiteral("  ")
        + rule + QStringLiteral("\n") + tr("Collage created using Quiltfolio app for Linux: ") + downloadPageAddress()
        + QStringLiteral(" \n\n\n\n");
}

QString CollageSharing::postText()
{
    return tr("Checkout this collage I made using Quiltfolio app!") + QStringLiteral(" ") + downloadPageAddress()
        + QStringLiteral(" ") + socialAccountName();
}

ShareItems CollageSharing::itemsFor(Entry entry, const QString& imagePath) const
{
    ShareItems items;
    items.imagePath = imagePath;
    if (entry == Entry::Twitter)
        items.text = postText();
    if (entry == Entry::Email) {
        items.subject = m_session.document().displayName();
        items.text = mailBody();
    }
    return items;
}

std::optional<AlertText> CollageSharing::notSetUpAlert(Entry entry)
{
    const auto alert = [](const QString& message, const QString& text) {
        return AlertText{message, text, tr("OK")};
    };
    switch (entry) {
    case Entry::Facebook:
        return alert(tr("Facebook not setup"), tr("Please setup your Facebook account on this computer and try again later."));
    case Entry::Twitter:
        return alert(tr("Twitter not setup"), tr("Please setup your Twitter account on this computer and try again later."));
    case Entry::Flickr:
        return alert(tr("Flickr not setup"), tr("Please setup your Flickr account on this computer and try again later."));
    case Entry::Email:
        return alert(tr("Email not setup"), tr("Please setup your Email account on this computer and try again later."));
    default:
        return std::nullopt;
    }
}

AlertText CollageSharing::twoStepAlert(Entry entry)
{
    const bool instagram = entry == Entry::Instagram;
    return {instagram ? tr("Posting to Instagram is a two step process") : tr("Posting to WhatsApp is a two step process"),
            tr("1. %1\n2. %2")
                .arg(tr("Use AirDrop to transfer picture to iPhone/iPad"),
                     instagram ? tr("Use Instagram app on iPhone/iPad to post the picture.")
                               : tr("Use WhatsApp on iPhone/iPad to post the picture.")),
            tr("AirDrop"), tr("Cancel")};
}

void CollageSharing::share(Entry entry)
{
    if (isTwoStep(entry))
        shareInTwoSteps(entry);
    else
        shareThroughService(entry);
    m_session.setOnscreenDrawingViewNeedsDisplay();
}

void CollageSharing::shareInTwoSteps(Entry entry)
{
    EditorWindow* window = m_session.window();
    if (!window || !m_registry || !m_registry->serviceNamed(ShareServiceNames::sendViaAirDrop))
        return;
    QPointer<CollageSharing> self(this);
    window->showChoiceSheet(twoStepAlert(entry), [self](bool accepted) {
        if (self && accepted)
            self->share(Entry::AirDrop);
    });
}

void CollageSharing::shareThroughService(Entry entry)
{
    const std::shared_ptr<ShareService> service = m_registry ? m_registry->serviceNamed(serviceName(entry)) : nullptr;
    if (!service)
        return;
    // Asked before the render: a full-size render the service then refuses
    // would be time spent for nothing.
    if (!service->canPerformWithItems(itemsFor(entry, {}))) {
        if (const std::optional<AlertText> alert = notSetUpAlert(entry); alert && m_session.window())
            m_session.window()->showAlertSheet(*alert);
        return;
    }
    const std::optional<QString> path = m_exporter.saveImageAtTempLocationWithName(m_session.document().displayName());
    if (!path) {
        qCWarning(lcSharing) << "no picture to share with" << service->name();
        if (m_notify)
            m_notify(tr("The collage could not be rendered for sharing"));
        return;
    }
    const ShareItems items = itemsFor(entry, *path);
    m_nameOfSharingServiceUsed = service->name();
    m_serviceUsed = service;
    QPointer<CollageSharing> self(this);
    const QString serviceName = service->name();
    // A picture the service took stays until the application quits: the
    // program it hands it to (a mail composer) reads it at a time of its own.
    service->performWithItems(items, [self, serviceName, picture = *path](bool succeeded, const QString& error) {
        if (!self)
            return;
        if (succeeded) {
            self->sharingServiceDidShareItems(serviceName);
        } else {
            self->m_exporter.discardTemporaryImage(picture);
            self->sharingServiceDidFailToShareItems(serviceName, error);
        }
    });
}

void CollageSharing::sharingServiceDidShareItems(const QString& serviceName)
{
    QString notice;
    if (m_nameOfSharingServiceUsed == ShareServiceNames::addToPhotos)
        notice = tr("Added to Photos");
    else if (m_nameOfSharingServiceUsed == ShareServiceNames::useAsDesktopPicture)
        notice = tr("Set as Desktop Picture");
    qCInfo(lcSharing) << "shared with" << serviceName;
    m_nameOfSharingServiceUsed.reset();
    m_serviceUsed.reset();
    if (!notice.isEmpty() && m_notify)
        m_notify(notice);
}

void CollageSharing::sharingServiceDidFailToShareItems(const QString& serviceName, const QString& error)
{
    qCWarning(lcSharing) << "sharing with" << serviceName << "failed:" << error;
    const bool wasStarted = m_nameOfSharingServiceUsed.has_value();
    QString title;
    if (m_registry)
        if (const std::shared_ptr<ShareService> service = m_registry->serviceNamed(serviceName))
            title = service->title();
    m_nameOfSharingServiceUsed.reset();
    m_serviceUsed.reset();
    if (wasStarted && m_notify)
        m_notify(title.isEmpty() ? tr("The collage could not be shared") : tr("%1 could not take the collage").arg(title));
}

} // namespace qf
