#pragma once

#include <QString>

#include <chrono>
#include <functional>
#include <memory>

namespace qf {

// One pending call on the main event loop, restarted by start(). Tests give
// one that runs on their own clock.
class DelayedCall {
public:
    virtual ~DelayedCall() = default;
    // Replaces any pending call.
    virtual void start(std::chrono::milliseconds delay, std::function<void()> call) = 0;
    virtual void cancel() = 0;

    // A single-shot timer of the main event loop.
    static std::unique_ptr<DelayedCall> onMainLoop();
};

// The window's short notice: shown with its text, hidden again `delay()`
// after the last notice. A notice while one shows replaces the text and
// starts the delay again.
class PopUpNotice {
public:
    static constexpr std::chrono::milliseconds delay() { return std::chrono::milliseconds(2000); }

    PopUpNotice(std::function<void(const QString&)> show, std::function<void()> hide,
                std::unique_ptr<DelayedCall> hideLater = DelayedCall::onMainLoop());

    void showPopUpNotification(const QString& text);
    void hidePopUpNotification();
    void setDelayedCall(std::unique_ptr<DelayedCall> hideLater);

private:
    std::function<void(const QString&)> m_show;
    std::function<void()> m_hide;
    std::unique_ptr<DelayedCall> m_hideLater;
};

} // namespace qf
