#include "app/shell/NewsletterSignUp.h"

#include "model/UtilityFunctions.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/services/WebSites.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QUrl>

namespace qf {

NewsletterSignUp::NewsletterSignUp(QObject* parent)
    : QObject(parent)
    , m_network(new QNetworkAccessManager(this))
{
}

NewsletterSignUp::~NewsletterSignUp() = default;

bool NewsletterSignUp::offersDontShowAgain()
{
    const QVariant count = UserDefaults::standard().value(showCountKey());
    bool ok = false;
    qlonglong n = 0;
    switch (count.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        n = count.toLongLong(&ok);
        break;
    case QMetaType::QString:
        // INI files hand numbers back as text.
        n = count.toString().toLongLong(&ok);
        break;
    default:
        break;
    }
    return ok && n >= 3;
}

void NewsletterSignUp::setDontShowAgain(bool dontShow)
{
    UserDefaults::standard().setValue(dontShowKey(), dontShow);
}

bool NewsletterSignUp::isValidEmail(const QString& text)
{
    // Anchored at the very ends: "$" alone would let a final line break through.
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral(".+@([A-Za-z0-9-]+\\.)+[A-Za-z]{2}[A-Za-z]*")));
    return pattern.match(text).hasMatch();
}

NewsletterSignUp::FormFields NewsletterSignUp::formFields(const QString& name, const QString& email, QDate today)
{
    return {
        {QStringLiteral("u"), QStringLiteral("5c0e7b92d4a18f3e6b2c09d71")},
        {QStringLiteral("id"), QStringLiteral("a83f05c2e9")},
        {QStringLiteral("MERGE0"), email},
        {QStringLiteral("MERGE1"), name},
        {QStringLiteral("MERGE2"), QStringLiteral("Paid")},
        {QStringLiteral("MERGE3"), today.toString(QStringLiteral("yyyy-MM-dd"))},
        {QStringLiteral("MERGE4"), QStringLiteral("2001-01-01")},
        {QStringLiteral("MERGE5"), UtilityFunctions::applicationVersion()},
        {QStringLiteral("MERGE6"), UtilityFunctions::applicationIdentifier()},
        {QStringLiteral("MERGE7"), QStringLiteral("Online")},
        {QStringLiteral("group[10309][1]"), QStringLiteral("1")},
    };
}

QByteArray NewsletterSignUp::formBody(const FormFields& fields)
{
    QByteArrayList pairs;
    pairs.reserve(fields.size());
    for (const auto& [key, value] : fields)
        pairs.append(QUrl::toPercentEncoding(key) + '=' + QUrl::toPercentEncoding(value));
    return pairs.join('&');
}

QString NewsletterSignUp::formAddress()
{
    return newsletterServiceAddress() + QStringLiteral("/subscribe/post");
}

bool NewsletterSignUp::join(const QString& name, const QString& email)
{
    if (email.isEmpty() || !isValidEmail(email))
        return false;
    const QByteArray body = formBody(formFields(name, email, QDate::currentDate()));
    QNetworkRequest request{QUrl(formAddress())};
    request.setRawHeader("Content-Length", QByteArray::number(body.size()));
    request.setRawHeader("Content-Type", "application/x-www-form-urlencoded");
    QNetworkReply* reply = m_network->post(request, body);
    // Whatever comes back is dropped unread.
    connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
    m_lastPost = reply;
    UserDefaults::standard().setValue(hasSubscribedKey(), true);
    return true;
}

} // namespace qf
