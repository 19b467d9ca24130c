#pragma once

#include <QList>
#include <QString>
#include <QUrl>

namespace qf {

// The web pages of the Help menu and the getting-started window. Each action
// hands its page's address to the installed UrlOpener and returns at once;
// when nothing takes the address, a modal alert says so and shows it to copy;
// the tablet page is chosen with the installed RandomSource and the link is
// copied to the application's clipboard.
class WebPageActions {
public:
    // ---- addresses ----------------------------------------------------------------
    // The program's component as the desktop knows it: the name of its
    // desktop entry and the id of its software-centre description, both in
    // resources/linux.
    static QString desktopComponentIdentifier();
    // The program's store page, for the desktop's software centre.
    static QUrl storePage();
    // The program's store page as a web link, for copying.
    static QString storeLink();
    static QUrl phoneAppPage();
    // The tablet app pages: the first is opened when the random value is
    // divisible by 3, the second otherwise.
    static QUrl firstTabletAppPage();
    static QUrl secondTabletAppPage();
    static QUrl tabletAppPageFor(quint32 randomValue);
    static QUrl twitterSharePage();
    static QUrl facebookSharePage();
    static QUrl supportPage();
    static QUrl quickStartPage();
    static QUrl tutorialsPage();
    static QUrl newsletterPage();
    static QUrl facebookPage();
    static QUrl twitterPage();

    // ---- actions ------------------------------------------------------------------
    static void showQuiltfolioInStore();
    static void showPhoneApp();
    // Draws one random value.
    static void showTabletApp();
    static void shareOnTwitter();
    static void shareOnFacebook();
    // The clipboard holds the store link as plain text and nothing else.
    static void copyLinkToQuiltfolio();
    static void openSupportWebsite();
    static void showQuickStart();
    static void showQuiltfolioTutorialVideos();
    static void subscribeToNewsletter();
    static void showFacebookPage();
    static void showTwitterPage();

    // The menu items of these actions, in menu order; an entry with an empty
    // title is a separator.
    struct MenuEntry {
        QString title;
        QString objectName;
        void (*action)() = nullptr;
    };
    static QList<MenuEntry> menuEntries();
};

} // namespace qf
