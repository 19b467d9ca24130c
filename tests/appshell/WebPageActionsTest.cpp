#include "app/shell/WebPageActions.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/random/RandomSource.h"
#include "platform/services/UrlOpener.h"
#include "platform/services/WebSites.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QSet>
#include <QTemporaryDir>

using namespace qf;

namespace {

struct RecordingOpener final : UrlOpener {
    QStringList opened;
    // Whether something takes the address, as a desktop with a browser does.
    bool taken = true;
    bool openUrl(const QUrl& url) override
    {
        opened.append(url.toString(QUrl::FullyEncoded));
        return taken;
    }
};

class WebPageActionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        UserDefaults::standard().useFile(m_dir.filePath(QStringLiteral("defaults.ini")));
        UserDefaults::standard().setValue(QString::fromLatin1(kWebSiteAddressDefaultsKey),
                                          QStringLiteral("https://site.test/"));
        UserDefaults::standard().setValue(QString::fromLatin1(kNewsletterServiceAddressDefaultsKey),
                                          QStringLiteral("http://news.test"));
    }
    void TearDown() override { UserDefaults::standard().useStandardStore(); }

    RecordingOpener opener;

private:
    QTemporaryDir m_dir;
    ScopedUrlOpener m_scoped{opener};
};

const QString kTracking = QStringLiteral("?utm_source=macapp&utm_medium=qf6macapp&utm_campaign=qf6macapp_");

struct PageCase {
    const char* name;
    void (*action)();
    QString url;
};

TEST_F(WebPageActionsTest, everyActionOpensExactlyItsPage)
{
    const PageCase cases[] = {
        {"store", &WebPageActions::showQuiltfolioInStore, QStringLiteral("appstream://com.quiltfolio.quiltfolio")},
        {"phone", &WebPageActions::showPhoneApp, QStringLiteral("https://store.quiltfolio.invalid/apps/quiltfolio-phone")},
        {"share on Twitter", &WebPageActions::shareOnTwitter,
         QStringLiteral("https://twitter.com/intent/tweet?text=Making%20photo%20collages%20with%20Quiltfolio%20"
                        "https%3A%2F%2Fsite.test")},
        {"share on Facebook", &WebPageActions::shareOnFacebook,
         QStringLiteral("https://www.facebook.com/sharer/sharer.php?u=https%3A%2F%2Fsite.test")},
        {"support", &WebPageActions::openSupportWebsite, "https://site.test/support.html" + kTracking + "support"},
        {"quick start", &WebPageActions::showQuickStart,
         "https://site.test/mac-quick-start-guide.html" + kTracking + "qstart"},
        {"tutorials", &WebPageActions::showQuiltfolioTutorialVideos,
         "https://site.test/tutorials.html" + kTracking + "tutorials"},
        {"newsletter", &WebPageActions::subscribeToNewsletter, "http://news.test/join" + kTracking + "subscribe"},
        {"Facebook page", &WebPageActions::showFacebookPage, QStringLiteral("https://site.test/facebook-page")},
        {"Twitter page", &WebPageActions::showTwitterPage, QStringLiteral("https://site.test/twitter-page")},
    };
    for (const PageCase& c : cases) {
        SCOPED_TRACE(c.name);
        opener.opened.clear();
        c.action();
        EXPECT_EQ(opener.opened, QStringList{c.url});
    }
}

// The software centre finds the component only under the id its description
// declares, and launches it only through a desktop entry of the same name.
TEST_F(WebPageActionsTest, storePageNamesTheComponentThatIsInstalled)
{
    // The id is the address's host, which an address keeps only in lower case.
    const QUrl page = WebPageActions::storePage();
    const QString id = page.host();
    ASSERT_EQ(page.scheme(), QStringLiteral("appstream"));
    ASSERT_FALSE(id.isEmpty());
    const QDir files(QStringLiteral(QF_DESKTOP_FILES_DIR));
    EXPECT_TRUE(files.exists(id + QStringLiteral(".desktop")));
    QFile description(files.filePath(id + QStringLiteral(".metainfo.xml")));
    ASSERT_TRUE(description.open(QIODevice::ReadOnly)) << id.toStdString();
    const QByteArray text = description.readAll();
    EXPECT_TRUE(text.contains("<id>" + id.toUtf8() + "</id>"));
    EXPECT_TRUE(text.contains("<launchable type=\"desktop-id\">" + id.toUtf8() + ".desktop</launchable>"));
}

// The alerts of pages not opened that are on screen, with their addresses.
QStringList addressesShown()
{
    QStringList shown;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() != QStringLiteral("pageNotOpenedAlert") || !window->isVisible())
            continue;
        auto* field = window->findChild<QLineEdit*>(QStringLiteral("pageAddressField"));
        shown << (field && field->isReadOnly() ? field->text() : QStringLiteral("(no address field)"));
    }
    return shown;
}

void closeAlerts()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QStringLiteral("pageNotOpenedAlert"))
            window->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(WebPageActionsTest, aPageNothingOpensIsSaidWithItsAddressToCopy)
{
    const struct {
        const char* name;
        bool taken;
        void (*action)();
        QStringList shown;
    } cases[] = {
        {"a browser took it", true, &WebPageActions::showQuickStart, {}},
        {"help menu", false, &WebPageActions::openSupportWebsite, {"https://site.test/support.html" + kTracking + "support"}},
        {"getting started", false, &WebPageActions::showTwitterPage, {QStringLiteral("https://site.test/twitter-page")}},
        {"software centre", false, &WebPageActions::showQuiltfolioInStore, {QStringLiteral("appstream://com.quiltfolio.quiltfolio")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        opener.taken = c.taken;
        c.action();
        EXPECT_EQ(addressesShown(), c.shown);
        closeAlerts();
        EXPECT_TRUE(addressesShown().isEmpty());
    }
}

TEST_F(WebPageActionsTest, tabletPageIsTheFirstOnlyForMultiplesOfThree)
{
    const QString first = QStringLiteral("https://store.quiltfolio.invalid/apps/quiltfolio-tablet");
    const QString second = QStringLiteral("https://store.quiltfolio.invalid/apps/quiltfolio-tablet-hd");
    const struct {
        quint32 random;
        QString url;
    } cases[] = {{3, first}, {4, second}, {0, first}, {5, second}, {0xFFFFFFFFu, first}, {0xFFFFFFFEu, second}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.random);
        opener.opened.clear();
        ScriptedRandomSource random({c.random});
        ScopedRandomSource scoped(random);
        WebPageActions::showTabletApp();
        EXPECT_EQ(opener.opened, QStringList{c.url});
        EXPECT_EQ(random.callCount(), 1u);
    }
}

TEST_F(WebPageActionsTest, copyingTheLinkLeavesOnlyTheLinkOnTheClipboard)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    auto* old = new QMimeData;
    old->setHtml(QStringLiteral("<b>old</b>"));
    old->setImageData(QImage(2, 2, QImage::Format_RGB32));
    clipboard->setMimeData(old);

    WebPageActions::copyLinkToQuiltfolio();

    const QMimeData* now = clipboard->mimeData();
    ASSERT_NE(now, nullptr);
    EXPECT_EQ(now->formats(), QStringList{QStringLiteral("text/plain")});
    EXPECT_EQ(clipboard->text(), QStringLiteral("https://store.quiltfolio.invalid/apps/quiltfolio"));
    EXPECT_TRUE(opener.opened.isEmpty());
}

TEST_F(WebPageActionsTest, placeholderHostsWhenNothingIsConfigured)
{
    UserDefaults::standard().remove(QString::fromLatin1(kWebSiteAddressDefaultsKey));
    UserDefaults::standard().remove(QString::fromLatin1(kNewsletterServiceAddressDefaultsKey));
    WebPageActions::showTwitterPage();
    WebPageActions::subscribeToNewsletter();
    ASSERT_EQ(opener.opened.size(), 2);
    EXPECT_EQ(opener.opened[0], QStringLiteral("https://www.quiltfolio.invalid/twitter-page"));
    EXPECT_EQ(opener.opened[1], "http://newsletter.quiltfolio.invalid/join" + kTracking + "subscribe");
}

TEST_F(WebPageActionsTest, menuOffersEveryActionOnce)
{
    QSet<QString> names;
    QStringList pages;
    int copies = 0;
    for (const WebPageActions::MenuEntry& entry : WebPageActions::menuEntries()) {
        if (entry.title.isEmpty())
            continue;
        SCOPED_TRACE(entry.objectName.toStdString());
        ASSERT_NE(entry.action, nullptr);
        EXPECT_FALSE(names.contains(entry.objectName));
        names.insert(entry.objectName);
        const qsizetype before = opener.opened.size();
        entry.action();
        if (opener.opened.size() == before)
            ++copies;
    }
    EXPECT_EQ(copies, 1); // the link copy opens nothing
    EXPECT_EQ(opener.opened.size(), 11);
    EXPECT_EQ(QSet<QString>(opener.opened.begin(), opener.opened.end()).size(), 11);
}

} // namespace
