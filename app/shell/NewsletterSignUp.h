#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QNetworkReply>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>

class QNetworkAccessManager;

namespace qf {

// Joining the newsletter: the address check, the sign-up form and its post
// to the newsletter service, and the user defaults of the sign-up window.
class NewsletterSignUp : public QObject {
    Q_OBJECT
public:
    using FormFields = QList<QPair<QString, QString>>;

    explicit NewsletterSignUp(QObject* parent = nullptr);
    ~NewsletterSignUp() override;

    // Defaults keys: how often the window was shown (only read), the window's
    // do-not-show-again box, and YES once a form was posted.
    static QString showCountKey() { return QStringLiteral("showNlCount"); }
    static QString dontShowKey() { return QStringLiteral("dontShowNl"); }
    static QString hasSubscribedKey() { return QStringLiteral("hasSubscribedToNl"); }

    // The do-not-show-again box is offered from the third showing on; a
    // count of another type counts as absent (0).
    static bool offersDontShowAgain();
    static void setDontShowAgain(bool dontShow);

    // The whole text matches ^.+@([A-Za-z0-9-]+\.)+[A-Za-z]{2}[A-Za-z]*$ (no
    // line break anywhere, a trailing one included).
    static bool isValidEmail(const QString& text);

    // The eleven pairs of the sign-up form.
    static FormFields formFields(const QString& name, const QString& email, QDate today);
    // key=value pairs joined by "&", every key and value percent-escaped as
    // UTF-8 (only unreserved characters stay as they are).
    static QByteArray formBody(const FormFields& fields);
    // The service's form endpoint: <newsletter service>/subscribe/post.
    static QString formAddress();

    // A valid address is posted with today's date and remembered as
    // subscribed at once; answers whether a form went out. Nothing waits for
    // the answer, which is never looked at.
    bool join(const QString& name, const QString& email);

    // The last post, while it runs.
    QNetworkReply* lastPost() const { return m_lastPost; }

private:
    QNetworkAccessManager* m_network;
    QPointer<QNetworkReply> m_lastPost;
};

} // namespace qf
