#pragma once

#include <QString>

namespace qf {

// The user default that overrides the product's web-site address.
inline constexpr char kWebSiteAddressDefaultsKey[] = "QFWebSiteAddress";

// The product's web-site address, without a trailing slash: the user default
// when it holds a non-empty text, else a placeholder that resolves nowhere.
QString productWebSiteAddress();

} // namespace qf
