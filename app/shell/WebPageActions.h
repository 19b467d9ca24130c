#pragma once

namespace qf {

// The web pages the shell's buttons open. Until the pages are wired to the
// browser the installed actions only log; tests install their own.
class WebPageActions {
public:
    virtual ~WebPageActions() = default;
    virtual void showQuickStart() = 0;
    virtual void showQuiltfolioTutorialVideos() = 0;
    virtual void showTwitterPage() = 0;
    virtual void showFacebookPage() = 0;

    // The installed actions; a logging stub unless something was installed.
    static WebPageActions& current();
    // Not owned; nullptr puts the stub back.
    static void setCurrent(WebPageActions* actions);
};

} // namespace qf
