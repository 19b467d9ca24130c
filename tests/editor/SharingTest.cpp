#include "document/CollageDocument.h"
#include "editor/EditorOnDocument.h"
#include "editor/CollageSharing.h"
#include "editor/FotoloomController.h"
#include "editor/PopUpNotice.h"
#include "model/Collage.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/files/PrivateTemporaryFolder.h"
#include "platform/services/DesktopShareServices.h"
#include "platform/services/ShareService.h"
#include "platform/vision/FaceDetector.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QUrl>

using namespace qf;
using Entry = CollageSharing::Entry;
namespace Names = ShareServiceNames;

namespace {

class NoFaces : public FaceDetector {
public:
    QList<QRectF> detectFaces(const QImage&) override { return {}; }
};

class FakeService : public ShareService {
public:
    FakeService(QString name, QString title, bool can = true) : m_name(std::move(name)), m_title(std::move(title)), can(can) {}
    QString name() const override { return m_name; }
    QString title() const override { return m_title; }
    bool canPerformWithItems(const ShareItems& items) const override
    {
        asked << items;
        return can;
    }
    void performWithItems(const ShareItems& items, Finished done) override
    {
        performed << items;
        imageSizes << QImage(items.imagePath).size();
        finished = std::move(done);
    }

    QString m_name, m_title;
    bool can;
    mutable QList<ShareItems> asked;
    QList<ShareItems> performed;
    QList<QSize> imageSizes;
    Finished finished;
};

class FakeRegistry : public ShareServiceRegistry {
public:
    QHash<QString, std::shared_ptr<FakeService>> services;
    std::shared_ptr<FakeService> add(const QString& name, const QString& title, bool can = true)
    {
        return services[name] = std::make_shared<FakeService>(name, title, can);
    }
    std::shared_ptr<ShareService> serviceNamed(const QString& name) const override { return services.value(name); }
};

class SharingTest : public ::testing::Test, protected test::EditorOnDocument {
protected:
    QTemporaryDir dir;
    NoFaces noFaces;
    ScopedFaceDetector faces{noFaces};
    std::shared_ptr<FakeRegistry> registry = std::make_shared<FakeRegistry>();
    std::unique_ptr<CollageSharing> sharing;
    QStringList notices;

    void SetUp() override
    {
        UserDefaults::standard().useFile(dir.filePath(QStringLiteral("defaults.ini")));
        openEditor();
        c->exporter().setTemporaryFolder(std::make_shared<PrivateTemporaryFolder>(dir.filePath(QStringLiteral("tmp"))));
        ASSERT_TRUE(c->windowDidLoad().ok());
        c->collage()->setWidth(300);
        c->collage()->setHeight(200);
        sharing = std::make_unique<CollageSharing>(*c, c->exporter(), registry);
        sharing->setNotifier([this](const QString& text) { notices << text; });
    }
    void TearDown() override { UserDefaults::standard().useStandardStore(); }
    QStringList titles() const
    {
        QStringList out;
        for (const auto& entry : sharing->menuEntries())
            out << entry.title;
        return out;
    }
    bool renderedAnything() const { return QDir(dir.filePath(QStringLiteral("tmp"))).exists(); }
};

TEST_F(SharingTest, MenuKeepsItsOrderAndShowsOnlyTheServicesThereAre)
{
    struct Row {
        QStringList names;
        QStringList titles;
    };
    const QList<Row> rows = {
        {{}, {}},
        // What a GNOME desktop with xdg-utils offers.
        {{Names::composeEmail, Names::useAsDesktopPicture}, {"Email", "Set Desktop Picture"}},
        // Without a phone service the two-step entries would go nowhere.
        {{Names::addToPhotos, Names::postOnTwitter, Names::postOnFacebook}, {"Facebook", "Twitter", "Photos"}},
        {{Names::addToPhotos, Names::useAsDesktopPicture, Names::sendViaAirDrop, Names::postImageOnFlickr,
          Names::composeEmail, Names::composeMessage, Names::postOnTwitter, Names::postOnFacebook},
         {"Facebook", "Twitter", "Instagram", "WhatsApp", "Messages", "Email", "Flickr", "AirDrop",
          "Set Desktop Picture", "Photos"}},
    };
    const QHash<QString, QString> serviceTitles = {
        {Names::postOnFacebook, "Facebook"}, {Names::postOnTwitter, "Twitter"}, {Names::composeMessage, "Messages"},
        {Names::composeEmail, "Email"}, {Names::postImageOnFlickr, "Flickr"}, {Names::sendViaAirDrop, "AirDrop"},
        {Names::useAsDesktopPicture, "Desktop"}, {Names::addToPhotos, "Photos"}};
    for (const Row& row : rows) {
        registry->services.clear();
        for (const QString& name : row.names)
            registry->add(name, serviceTitles.value(name));
        EXPECT_EQ(titles(), row.titles) << row.names.join(u' ').toStdString();
    }
    // A service without a title is no entry.
    registry->services.clear();
    registry->add(Names::composeEmail, QStringLiteral(" \t"));
    registry->add(Names::postImageOnFlickr, QStringLiteral("Flickr"));
    EXPECT_EQ(titles(), QStringList{"Flickr"});
}

TEST_F(SharingTest, AServiceThatCannotPerformRendersNothing)
{
    struct Row {
        Entry entry;
        QString service;
        QString sheet; // empty: nothing is shown
    };
    const QList<Row> rows = {
        {Entry::Facebook, Names::postOnFacebook, "Facebook not setup"},
        {Entry::Twitter, Names::postOnTwitter, "Twitter not setup"},
        {Entry::Flickr, Names::postImageOnFlickr, "Flickr not setup"},
        {Entry::Email, Names::composeEmail, "Email not setup"},
        {Entry::AirDrop, Names::sendViaAirDrop, {}},
        {Entry::Photos, Names::addToPhotos, {}},
        {Entry::DesktopPicture, Names::useAsDesktopPicture, {}},
        {Entry::Message, Names::composeMessage, {}},
    };
    for (const Row& row : rows) {
        window.alerts.clear();
        const auto service = registry->add(row.service, QStringLiteral("S"), false);
        sharing->share(row.entry);
        EXPECT_EQ(service->asked.size(), 1);
        EXPECT_TRUE(service->asked.value(0).imagePath.isEmpty());
        EXPECT_TRUE(service->performed.isEmpty());
        EXPECT_EQ(window.savingShown, 0) << row.service.toStdString();
        EXPECT_FALSE(renderedAnything());
        EXPECT_FALSE(sharing->nameOfSharingServiceUsed());
        ASSERT_EQ(window.alerts.size(), row.sheet.isEmpty() ? 0 : 1) << row.service.toStdString();
        if (!row.sheet.isEmpty()) {
            EXPECT_EQ(window.alerts[0].message, row.sheet);
            EXPECT_TRUE(window.alerts[0].informativeText.startsWith("Please setup your"));
        }
    }
}

TEST_F(SharingTest, AShareRendersAtFullSizeThenReportsAsTheServiceDid)
{
    struct Row {
        Entry entry;
        QString service;
        bool succeeds;
        QString notice; // empty: none
    };
    const QList<Row> rows = {
        {Entry::DesktopPicture, Names::useAsDesktopPicture, true, "Set as Desktop Picture"},
        {Entry::Photos, Names::addToPhotos, true, "Added to Photos"},
        {Entry::Email, Names::composeEmail, true, {}},
        {Entry::Email, Names::composeEmail, false, "Email could not take the collage"},
        {Entry::DesktopPicture, Names::useAsDesktopPicture, false, "Set Desktop Picture could not take the collage"},
    };
    for (const Row& row : rows) {
        notices.clear();
        const int renders = window.savingShown;
        const QString title = row.entry == Entry::Email ? "Email" : "Set Desktop Picture";
        const auto service = registry->add(row.service, title);
        sharing->share(row.entry);
        ASSERT_EQ(service->performed.size(), 1);
        EXPECT_EQ(window.savingShown, renders + 1);
        EXPECT_EQ(service->imageSizes[0], QSize(300, 200));
        EXPECT_EQ(sharing->nameOfSharingServiceUsed(), row.service);
        service->finished(row.succeeds, QStringLiteral("refused"));
        EXPECT_FALSE(sharing->nameOfSharingServiceUsed());
        EXPECT_EQ(notices, row.notice.isEmpty() ? QStringList() : QStringList{row.notice});
    }
}

TEST_F(SharingTest, MailCarriesTheBodyAndPostsTheText)
{
    UserDefaults::standard().setValue(QStringLiteral("QFWebSiteAddress"), QStringLiteral("https://q.test/"));
    const QString rule(22, u'-');
    const QString body = "Hi,\n\nCheckout this Collage!\n\nBest Regards,\n\n\n" + rule + "  " + rule + "  " + rule
        + "\nCollage created using Quiltfolio app for Linux: https://q.test/download \n\n\n\n";
    EXPECT_EQ(CollageSharing::mailBody(), body);
    EXPECT_EQ(CollageSharing::postText(),
              "Checkout this collage I made using Quiltfolio app! https://q.test/download @Quiltfolio");

    const auto mail = registry->add(Names::composeEmail, "Email");
    sharing->share(Entry::Email);
    ASSERT_EQ(mail->performed.size(), 1);
    EXPECT_EQ(mail->asked[0].text, body);
    EXPECT_EQ(mail->performed[0].text, body);
    EXPECT_EQ(mail->performed[0].subject, doc.displayName());
    EXPECT_TRUE(mail->performed[0].imagePath.endsWith(".jpg"));
}

TEST_F(SharingTest, AMailGetsASafelyNamedPictureThatGoesOnceNotNeeded)
{
    // xdg-email hands Thunderbird the path inside a quoted list of its own.
    doc.setUntitledDisplayName(QStringLiteral("x',attachment='file:///etc/passwd' ,b.quiltfolioproj"));
    const auto mail = registry->add(Names::composeEmail, "Email");
    sharing->share(Entry::Email);
    ASSERT_EQ(mail->performed.size(), 1);
    const QString taken = mail->performed[0].imagePath;
    EXPECT_EQ(QFileInfo(taken).fileName(), "x-attachment-file-etc-passwd-b.jpg");
    EXPECT_TRUE(taken.startsWith(dir.filePath(QStringLiteral("tmp/"))));
    // The composer reads the picture after it started.
    mail->finished(true, {});
    EXPECT_TRUE(QFileInfo::exists(taken));

    sharing->share(Entry::Email);
    ASSERT_EQ(mail->performed.size(), 2);
    const QString refused = mail->performed[1].imagePath;
    EXPECT_NE(refused, taken);
    EXPECT_TRUE(QFileInfo::exists(refused));
    mail->finished(false, QStringLiteral("no"));
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(refused).absolutePath()));
    EXPECT_TRUE(QFileInfo::exists(taken));

    // The rest goes with the folder (the application's at quit).
    c->exporter().setTemporaryFolder(nullptr);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("tmp"))));
}

TEST_F(SharingTest, TwoStepEntriesGoThroughThePhoneServiceOnlyWhenAccepted)
{
    const auto phone = registry->add(Names::sendViaAirDrop, "AirDrop");
    for (const bool accept : {false, true}) {
        sharing->share(Entry::WhatsApp);
        ASSERT_EQ(window.choices.size(), accept ? 2 : 1);
        EXPECT_EQ(window.choices.last().message, "Posting to WhatsApp is a two step process");
        EXPECT_EQ(window.choices.last().informativeText,
                  "1. Use AirDrop to transfer picture to iPhone/iPad\n2. Use WhatsApp on iPhone/iPad to post the picture.");
        window.choiceEnded(accept);
        EXPECT_EQ(phone->performed.size(), accept ? 1 : 0);
        EXPECT_EQ(window.savingShown, accept ? 1 : 0);
    }
    // Without it the entry is not there, and a share of it asks nothing.
    registry->services.clear();
    sharing->share(Entry::Instagram);
    EXPECT_EQ(window.choices.size(), 2);
}

// ---- the pop-up notice ----------------------------------------------------------------

class ManualCall : public DelayedCall {
public:
    explicit ManualCall(qint64& now) : m_now(now) {}
    void start(std::chrono::milliseconds delay, std::function<void()> call) override
    {
        m_due = m_now + delay.count();
        m_call = std::move(call);
    }
    void cancel() override { m_call = {}; }
    void advanceTo(qint64 time)
    {
        m_now = time;
        if (m_call && m_due <= m_now)
            std::exchange(m_call, {})();
    }

private:
    qint64& m_now;
    qint64 m_due = 0;
    std::function<void()> m_call;
};

TEST(PopUpNotice, HidesTwoSecondsAfterTheLastNotice)
{
    struct Row {
        QList<qint64> noticesAt;
        QList<std::pair<qint64, bool>> visibleAt;
    };
    const QList<Row> rows = {
        {{0}, {{1999, true}, {2000, false}}},
        {{0, 1000}, {{1000, true}, {2000, true}, {2999, true}, {3000, false}}},
        {{0, 3000}, {{2000, false}, {3000, true}, {5000, false}}},
    };
    for (const Row& row : rows) {
        qint64 now = 0;
        bool visible = false;
        QString text;
        auto call = std::make_unique<ManualCall>(now);
        ManualCall* clock = call.get();
        PopUpNotice notice([&](const QString& t) { visible = true, text = t; }, [&] { visible = false; }, std::move(call));
        QList<qint64> pending = row.noticesAt;
        for (const auto& [time, expected] : row.visibleAt) {
            while (!pending.isEmpty() && pending.first() <= time) {
                clock->advanceTo(pending.first());
                notice.showPopUpNotification(QString::number(pending.takeFirst()));
            }
            clock->advanceTo(time);
            EXPECT_EQ(visible, expected) << "at " << time;
        }
        EXPECT_EQ(text, QString::number(row.noticesAt.last()));
    }
}

// ---- the desktop's services -------------------------------------------------------------

TEST(DesktopShareServices, ExistOnlyWhereTheDesktopHasThem)
{
    struct Row {
        QStringList programs;
        QString desktop;
        bool mail, picture;
    };
    const QList<Row> rows = {
        {{}, "GNOME", false, false},
        {{"xdg-email"}, "KDE", true, false},
        {{"xdg-email", "gsettings"}, "ubuntu:GNOME", true, true},
        {{"gsettings"}, "GNOME-Classic:GNOME", false, true},
        {{"gsettings"}, "XFCE", false, false},
        {{"gsettings"}, "", false, false},
    };
    for (const Row& row : rows) {
        DesktopEnvironment environment;
        environment.findExecutable = [row](const QString& p) { return row.programs.contains(p) ? "/usr/bin/" + p : QString(); };
        environment.currentDesktop = row.desktop;
        DesktopShareServiceRegistry registry(environment);
        EXPECT_EQ(registry.serviceNamed(Names::composeEmail) != nullptr, row.mail) << row.desktop.toStdString();
        EXPECT_EQ(registry.serviceNamed(Names::useAsDesktopPicture) != nullptr, row.picture) << row.desktop.toStdString();
        EXPECT_EQ(registry.serviceNamed(Names::postOnTwitter), nullptr);
    }
}

TEST(DesktopShareServices, RunTheirProgramsWithThePicture)
{
    QTemporaryDir dir;
    const QString picture = dir.filePath("my collage.jpeg");
    QImage(4, 4, QImage::Format_RGB32).save(picture);
    QList<QStringList> runs;
    QList<bool> detached;
    bool darkRefused = true;
    DesktopEnvironment environment;
    environment.findExecutable = [](const QString& p) { return "/usr/bin/" + p; };
    environment.currentDesktop = "GNOME";
    environment.desktopPictureFolder = dir.filePath("pictures");
    environment.run = [&](const QString& program, const QStringList& arguments, bool detach, DesktopEnvironment::Done done) {
        runs << (QStringList{program} + arguments);
        detached << detach;
        done(!(darkRefused && arguments.contains("picture-uri-dark")), {});
    };
    DesktopShareServiceRegistry registry(environment);

    std::optional<bool> result;
    const auto finished = [&](bool ok, const QString&) { result = ok; };
    registry.serviceNamed(Names::composeEmail)->performWithItems({picture, "Subject", "Body"}, finished);
    ASSERT_EQ(runs.size(), 1);
    EXPECT_EQ(runs[0], (QStringList{"/usr/bin/xdg-email", "--subject", "Subject", "--body", "Body", "--attach", picture}));
    EXPECT_TRUE(detached[0]);
    EXPECT_EQ(result, true);

    // Twice: the second picture replaces the first in the folder; a desktop
    // without the dark key still counts as done.
    auto desktop = registry.serviceNamed(Names::useAsDesktopPicture);
    for (int i = 0; i < 2; ++i) {
        runs.clear();
        result.reset();
        desktop->performWithItems({picture, {}, {}}, finished);
        const QStringList kept = QDir(environment.desktopPictureFolder).entryList(QDir::Files);
        ASSERT_EQ(kept.size(), 1);
        const QString uri = QUrl::fromLocalFile(QDir(environment.desktopPictureFolder).filePath(kept[0])).toString();
        ASSERT_EQ(runs.size(), 2);
        EXPECT_EQ(runs[0], (QStringList{"/usr/bin/gsettings", "set", "org.gnome.desktop.background", "picture-uri", uri}));
        EXPECT_EQ(runs[1], (QStringList{"/usr/bin/gsettings", "set", "org.gnome.desktop.background", "picture-uri-dark", uri}));
        EXPECT_EQ(result, true);
    }
    // A refused light style is a failure.
    darkRefused = false;
    environment.run = [&](const QString&, const QStringList&, bool, DesktopEnvironment::Done done) { done(false, "no"); };
    GnomeDesktopPictureService refused(environment);
    refused.performWithItems({picture, {}, {}}, finished);
    EXPECT_EQ(result, false);
}

} // namespace
