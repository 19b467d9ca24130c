#pragma once

#include <QString>

namespace qf {

// The user default that overrides the product's web-site address.
inline constexpr char kWebSiteAddressDefaultsKey[] = "QFWebSiteAddress";
// The user default that overrides the newsletter service's address.
inline constexpr char kNewsletterServiceAddressDefaultsKey[] = "QFNewsletterServiceAddress";

// The product's web-site address, without a trailing slash: the user default
// when it holds a non-empty text, else a placeholder that resolves nowhere.
QString productWebSiteAddress();

// The newsletter service's address (scheme and host, maybe a port), without
// a trailing slash: the sign-up form is posted below it and its short link
// lives there. The user default when it holds a non-empty text, else a
// plain-HTTP placeholder that resolves nowhere.
QString newsletterServiceAddress();

} // namespace qf
