#include "app/shell/NewsletterSignUp.h"
#include "app/shell/QFSubscribeToNlWindowController.h"
#include "model/UtilityFunctions.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/services/WebSites.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <algorithm>

using namespace qf;

namespace {

// One HTTP request as a loopback server received it.
struct ReceivedRequest {
    QByteArray requestLine;
    QMap<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
    bool complete = false;
};

// Accepts connections on 127.0.0.1 and reads the first request whole.
class LoopbackServer {
public:
    LoopbackServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                ++connections;
                QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] {
                    m_raw += socket->readAll();
                    parse();
                });
            }
        });
    }
    bool listening() const { return m_server.isListening(); }
    QString address() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()); }

    // Runs the event loop until the request is in or the time is up.
    void waitForRequest(int ms)
    {
        const QDeadlineTimer deadline(ms);
        while (!request.complete && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }

    ReceivedRequest request;
    int connections = 0;

private:
    void parse()
    {
        const qsizetype end = m_raw.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> lines = m_raw.left(end).split('\n');
        request.requestLine = lines.first().trimmed();
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
        }
        const qsizetype length = request.headers.value("content-length").toLongLong();
        request.body = m_raw.mid(end + 4);
        request.complete = request.body.size() >= length;
    }

    QTcpServer m_server;
    QByteArray m_raw;
};

using Pairs = QList<QPair<QString, QString>>;

// key=value pairs of a form body, each side percent-decoded as UTF-8 and
// nothing else (a "+" would stay a "+"), sorted by key.
Pairs decodeForm(const QByteArray& body)
{
    Pairs pairs;
    for (const QByteArray& pair : body.split('&')) {
        const qsizetype eq = pair.indexOf('=');
        pairs.append({QString::fromUtf8(QByteArray::fromPercentEncoding(pair.left(eq))),
                      QString::fromUtf8(QByteArray::fromPercentEncoding(pair.mid(eq + 1)))});
    }
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}

class NewsletterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        UserDefaults::standard().useFile(m_dir.filePath(QStringLiteral("defaults.ini")));
        // A proxy from the environment must not take the loopback post.
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        ASSERT_TRUE(server.listening());
        UserDefaults::standard().setValue(QString::fromLatin1(kNewsletterServiceAddressDefaultsKey),
                                          server.address());
    }
    void TearDown() override { UserDefaults::standard().useStandardStore(); }

    static UserDefaults& defaults() { return UserDefaults::standard(); }

    LoopbackServer server;

private:
    QTemporaryDir m_dir;
};

TEST(NewsletterEmail, wholeTextMustMatch)
{
    const struct {
        const char* text;
        bool valid;
    } cases[] = {
        {"a@b.co", true},
        {"a@b.c", false},          // last label of one letter
        {"a@localhost", false},    // no dot after the at sign
        {"@b.com", false},         // nothing before the at sign
        {"x y@sub.b.com", true},   // anything goes before the at sign
        {"a@b.co\n", false},       // a trailing line break
        {"\na@b.co", false},
        {"a@b.c0", false},         // the last label is letters only
        {"a@b_c.com", false},
        {"a@b-c.museum", true},
        {"a@@b.co", true},         // ".+" takes the first at sign
        {"a@b.co ", false},
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(NewsletterSignUp::isValidEmail(QString::fromUtf8(c.text)), c.valid);
    }
}

TEST_F(NewsletterTest, postsTheElevenPairsWithBothHeaders)
{
    const struct {
        QString name;
        QString email;
    } cases[] = {
        {QStringLiteral("Tom & Jerry"), QStringLiteral("ann+news@example.com")},
        {QString(), QStringLiteral("a=b@x.co")},
        {QStringLiteral("Zoë Łukasz 100%"), QStringLiteral("z#1@mail.example.org")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.email.toStdString());
        LoopbackServer local;
        ASSERT_TRUE(local.listening());
        defaults().setValue(QString::fromLatin1(kNewsletterServiceAddressDefaultsKey), local.address());
        defaults().remove(NewsletterSignUp::hasSubscribedKey());

        NewsletterSignUp signUp;
        ASSERT_TRUE(signUp.join(c.name, c.email));
        // Remembered at once, before any answer.
        EXPECT_TRUE(defaults().boolForKey(NewsletterSignUp::hasSubscribedKey()));
        local.waitForRequest(5000);
        ASSERT_TRUE(local.request.complete);

        const ReceivedRequest& r = local.request;
        EXPECT_EQ(r.requestLine, "POST /subscribe/post HTTP/1.1");
        EXPECT_EQ(r.headers.value("content-type"), "application/x-www-form-urlencoded");
        EXPECT_EQ(r.headers.value("content-length"), QByteArray::number(r.body.size()));
        // Everything but the separators is escaped.
        EXPECT_FALSE(r.body.contains('+'));
        EXPECT_FALSE(r.body.contains(' '));
        EXPECT_EQ(r.body.count('&'), 10);

        Pairs expected = {
            {"u", "5c0e7b92d4a18f3e6b2c09d71"},
            {"id", "a83f05c2e9"},
            {"MERGE0", c.email},
            {"MERGE1", c.name},
            {"MERGE2", "Paid"},
            {"MERGE3", QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))},
            {"MERGE4", "2001-01-01"},
            {"MERGE5", UtilityFunctions::applicationVersion()},
            {"MERGE6", UtilityFunctions::applicationIdentifier()},
            {"MERGE7", "Online"},
            {"group[10309][1]", "1"},
        };
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(decodeForm(r.body), expected);
    }
}

TEST_F(NewsletterTest, invalidAddressPostsNothing)
{
    NewsletterSignUp signUp;
    for (const QString& email : {QStringLiteral("a@b.c"), QString(), QStringLiteral("a@b.co\n")}) {
        SCOPED_TRACE(email.toStdString());
        EXPECT_FALSE(signUp.join(QStringLiteral("Ann"), email));
        EXPECT_EQ(signUp.lastPost(), nullptr);
    }
    server.waitForRequest(300);
    EXPECT_EQ(server.connections, 0);
    EXPECT_FALSE(defaults().contains(NewsletterSignUp::hasSubscribedKey()));
}

TEST_F(NewsletterTest, dontShowAgainIsOfferedFromTheThirdShowing)
{
    const struct {
        QVariant count;
        bool offered;
    } cases[] = {
        {QVariant(), false},
        {QVariant(2), false},
        {QVariant(3), true},
        {QVariant(qlonglong(40)), true},
        {QVariant(QStringLiteral("3")), true}, // as an INI file hands it back
        {QVariant(QStringLiteral("many")), false},
        {QVariant(true), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count.toString().toStdString());
        if (c.count.isValid())
            defaults().setValue(NewsletterSignUp::showCountKey(), c.count);
        else
            defaults().remove(NewsletterSignUp::showCountKey());
        EXPECT_EQ(NewsletterSignUp::offersDontShowAgain(), c.offered);
    }
    NewsletterSignUp::setDontShowAgain(true);
    EXPECT_TRUE(defaults().boolForKey(NewsletterSignUp::dontShowKey()));
    NewsletterSignUp::setDontShowAgain(false);
    EXPECT_FALSE(defaults().boolForKey(NewsletterSignUp::dontShowKey(), true));
}

TEST_F(NewsletterTest, theWindowStartsEmptyKeepsStillAndThanksLongEnoughToRead)
{
    auto* window = QFSubscribeToNlWindowController::sharedSubscribeToNlWindowController();
    auto* name = window->findChild<QLineEdit*>(QStringLiteral("nameTextField"));
    auto* email = window->findChild<QLineEdit*>(QStringLiteral("emailTextField"));
    auto* error = window->findChild<QLabel*>(QStringLiteral("emailErrorTextField"));
    auto* thanks = window->findChild<QLabel*>(QStringLiteral("thanksTextField1"));
    auto* join = window->findChild<QPushButton*>(QStringLiteral("joinButton"));
    ASSERT_TRUE(name && email && error && thanks && join);

    // First showing: a wrong address shows the error, the fields stay put.
    QPoint emailBefore, emailAfter;
    bool errorShown = false;
    QTimer::singleShot(0, window, [&] {
        QCoreApplication::processEvents();
        name->setText(QStringLiteral("Ann"));
        email->setText(QStringLiteral("ann@"));
        emailBefore = email->mapTo(window, QPoint());
        join->click();
        QCoreApplication::processEvents();
        errorShown = error->isVisible();
        emailAfter = email->mapTo(window, QPoint());
        window->close();
    });
    window->runModal();
    EXPECT_TRUE(errorShown);
    EXPECT_EQ(emailAfter, emailBefore);

    // Second showing: nothing of the first is left to type after.
    QString nameShown = QStringLiteral("?"), emailShown = QStringLiteral("?");
    bool thanked = false, thankedLater = false, laterRan = false;
    QTimer::singleShot(0, window, [&] {
        nameShown = name->text();
        emailShown = email->text();
        email->setText(QStringLiteral("ann@example.com"));
        join->click();
        thanked = thanks->isVisible();
        QTimer::singleShot(1000, [&] {
            thankedLater = thanks->isVisible() && window->isVisible();
            laterRan = true;
        });
    });
    QElapsedTimer shown;
    shown.start();
    window->runModal();
    const qint64 elapsed = shown.elapsed();
    const QDeadlineTimer deadline(2000);
    while (!laterRan && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(nameShown, QString());
    EXPECT_EQ(emailShown, QString());
    EXPECT_TRUE(thanked);
    // Two seconds or more to read them; then the window closes by itself.
    EXPECT_TRUE(thankedLater) << "the thanks are still there after a second";
    EXPECT_GE(elapsed, 2000);
    EXPECT_LT(elapsed, 10000);
    EXPECT_FALSE(window->isVisible());
}

} // namespace
