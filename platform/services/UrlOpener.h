#pragma once

#include "platform/core/Installable.h"

#include <QUrl>

namespace qf {

// Hands addresses to the desktop: the default browser for web pages, the
// registered handler for other schemes. The program uses the desktop's
// opener; tests install one that records (nullptr restores the desktop's).
class UrlOpener : public Installable<UrlOpener> {
public:
    virtual ~UrlOpener() = default;
    // Returns at once: whether something took the address (a browser, the
    // scheme's handler). False when nothing could, for the caller to say so.
    virtual bool openUrl(const QUrl& url) = 0;

private:
    friend class Installable<UrlOpener>;
    static UrlOpener& defaultInstance();
};

// QDesktopServices::openUrl.
class DesktopUrlOpener final : public UrlOpener {
public:
    bool openUrl(const QUrl& url) override;
};

using ScopedUrlOpener = UrlOpener::Scoped;

} // namespace qf
