#include "app/shell/WebPageActions.h"

#include "platform/random/RandomSource.h"
#include "platform/services/UrlOpener.h"
#include "platform/services/WebSites.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QMimeData>

namespace qf {

namespace {

// Placeholder: the store host resolves nowhere until a real one is set.
const QLatin1String kStoreAddress("https://store.quiltfolio.invalid/apps");

QUrl encodedUrl(const QString& text)
{
    return QUrl(text, QUrl::StrictMode);
}

QString escaped(const QString& text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

// A page of the web site with its tracking query.
QUrl trackedPage(const QString& base, const QString& path, const QString& campaignTag)
{
    return encodedUrl(base + path + QStringLiteral("?utm_source=macapp&utm_medium=qf6macapp&utm_campaign=qf6macapp_")
                      + campaignTag);
}

QString tr(const char* text)
{
    return QCoreApplication::translate("WebPageActions", text);
}

// Said over the window the user clicked in, and modal over it: the
// getting-started window is itself modal and stays on top.
void sayCouldNotOpen(const QUrl& url)
{
    auto* alert = new QDialog(QApplication::activeWindow());
    alert->setObjectName(QStringLiteral("pageNotOpenedAlert"));
    alert->setWindowTitle(tr("Page Not Opened"));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(alert);
    auto* message = new QLabel(tr("The page could not be opened: no web browser or other program took its "
                                  "address. You can copy the address and open it yourself."),
                               alert);
    message->setWordWrap(true);
    layout->addWidget(message);
    // On a field of its own: selectable, and never read as markup.
    auto* address = new QLineEdit(url.toString(QUrl::FullyEncoded), alert);
    address->setObjectName(QStringLiteral("pageAddressField"));
    address->setReadOnly(true);
    address->setMinimumWidth(460);
    layout->addWidget(address);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, alert);
    QObject::connect(buttons, &QDialogButtonBox::accepted, alert, &QDialog::accept);
    layout->addWidget(buttons);
    alert->show();
    address->selectAll();
    address->setFocus();
}

void open(const QUrl& url)
{
    if (!UrlOpener::current().openUrl(url))
        sayCouldNotOpen(url);
}

} // namespace

QString WebPageActions::desktopComponentIdentifier()
{
    return QStringLiteral("com.quiltfolio.quiltfolio");
}

QUrl WebPageActions::storePage()
{
    // The software centres of the desktop take their own scheme.
    return encodedUrl(QStringLiteral("appstream://") + desktopComponentIdentifier());
}

QString WebPageActions::storeLink()
{
    return kStoreAddress + QStringLiteral("/quiltfolio");
}

QUrl WebPageActions::phoneAppPage()
{
    return encodedUrl(kStoreAddress + QStringLiteral("/quiltfolio-phone"));
}

QUrl WebPageActions::firstTabletAppPage()
{
    return encodedUrl(kStoreAddress + QStringLiteral("/quiltfolio-tablet"));
}

QUrl WebPageActions::secondTabletAppPage()
{
    return encodedUrl(kStoreAddress + QStringLiteral("/quiltfolio-tablet-hd"));
}

QUrl WebPageActions::tabletAppPageFor(quint32 randomValue)
{
    return randomValue % 3 == 0 ? firstTabletAppPage() : secondTabletAppPage();
}

QUrl WebPageActions::twitterSharePage()
{
    const QString text = QStringLiteral("Making photo collages with Quiltfolio ") + productWebSiteAddress();
    return encodedUrl(QStringLiteral("https://twitter.com/intent/tweet?text=") + escaped(text));
}

QUrl WebPageActions::facebookSharePage()
{
    return encodedUrl(QStringLiteral("https://www.facebook.com/sharer/sharer.php?u=") + escaped(productWebSiteAddress()));
}

QUrl WebPageActions::supportPage()
{
    return trackedPage(productWebSiteAddress(), QStringLiteral("/support.html"), QStringLiteral("support"));
}

QUrl WebPageActions::quickStartPage()
{
    return trackedPage(productWebSiteAddress(), QStringLiteral("/mac-quick-start-guide.html"), QStringLiteral("qstart"));
}

QUrl WebPageActions::tutorialsPage()
{
    return trackedPage(productWebSiteAddress(), QStringLiteral("/tutorials.html"), QStringLiteral("tutorials"));
}

QUrl WebPageActions::newsletterPage()
{
    return trackedPage(newsletterServiceAddress(), QStringLiteral("/join"), QStringLiteral("subscribe"));
}

QUrl WebPageActions::facebookPage()
{
    return encodedUrl(productWebSiteAddress() + QStringLiteral("/facebook-page"));
}

QUrl WebPageActions::twitterPage()
{
    return encodedUrl(productWebSiteAddress() + QStringLiteral("/twitter-page"));
}

void WebPageActions::showQuiltfolioInStore() { open(storePage()); }
void WebPageActions::showPhoneApp() { open(phoneAppPage()); }
void WebPageActions::showTabletApp() { open(tabletAppPageFor(RandomSource::current().next())); }
void WebPageActions::shareOnTwitter() { open(twitterSharePage()); }
void WebPageActions::shareOnFacebook() { open(facebookSharePage()); }
void WebPageActions::openSupportWebsite() { open(supportPage()); }
void WebPageActions::showQuickStart() { open(quickStartPage()); }
void WebPageActions::showQuiltfolioTutorialVideos() { open(tutorialsPage()); }
void WebPageActions::subscribeToNewsletter() { open(newsletterPage()); }
void WebPageActions::showFacebookPage() { open(facebookPage()); }
void WebPageActions::showTwitterPage() { open(twitterPage()); }

void WebPageActions::copyLinkToQuiltfolio()
{
    // New data replaces everything the clipboard held.
    auto* data = new QMimeData;
    data->setText(storeLink());
    QGuiApplication::clipboard()->setMimeData(data);
}

QList<WebPageActions::MenuEntry> WebPageActions::menuEntries()
{
    return {
        {tr("Quick Start Guide"), QStringLiteral("actionQuickStart"), &showQuickStart},
        {tr("Tutorials"), QStringLiteral("actionTutorials"), &showQuiltfolioTutorialVideos},
        {tr("Quiltfolio Support"), QStringLiteral("actionSupport"), &openSupportWebsite},
        {},
        {tr("Newsletter Page"), QStringLiteral("actionNewsletterPage"), &subscribeToNewsletter},
        {tr("Quiltfolio on Facebook"), QStringLiteral("actionFacebookPage"), &showFacebookPage},
        {tr("Quiltfolio on Twitter"), QStringLiteral("actionTwitterPage"), &showTwitterPage},
        {},
        {tr("Share Quiltfolio on Twitter"), QStringLiteral("actionShareOnTwitter"), &shareOnTwitter},
        {tr("Share Quiltfolio on Facebook"), QStringLiteral("actionShareOnFacebook"), &shareOnFacebook},
        {tr("Copy Link to Quiltfolio"), QStringLiteral("actionCopyLink"), &copyLinkToQuiltfolio},
        {},
        {tr("Quiltfolio in the Software Centre"), QStringLiteral("actionShowInStore"), &showQuiltfolioInStore},
        {tr("Quiltfolio for Phones"), QStringLiteral("actionPhoneApp"), &showPhoneApp},
        {tr("Quiltfolio for Tablets"), QStringLiteral("actionTabletApp"), &showTabletApp},
    };
}

} // namespace qf
