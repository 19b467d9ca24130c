#include "editor/PopUpNotice.h"

#include <QTimer>

namespace qf {

namespace {

class MainLoopCall : public DelayedCall {
public:
    MainLoopCall()
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            // The call may start the next one.
            const std::function<void()> call = std::move(m_call);
            m_call = {};
            if (call)
                call();
        });
    }
    void start(std::chrono::milliseconds delay, std::function<void()> call) override
    {
        m_call = std::move(call);
        m_timer.start(delay);
    }
    void cancel() override
    {
        m_timer.stop();
        m_call = {};
    }

private:
    QTimer m_timer;
    std::function<void()> m_call;
};

} // namespace

std::unique_ptr<DelayedCall> DelayedCall::onMainLoop()
{
    return std::make_unique<MainLoopCall>();
}

PopUpNotice::PopUpNotice(std::function<void(const QString&)> show, std::function<void()> hide,
                         std::unique_ptr<DelayedCall> hideLater)
    : m_show(std::move(show))
    , m_hide(std::move(hide))
    , m_hideLater(std::move(hideLater))
{
}

void PopUpNotice::showPopUpNotification(const QString& text)
{
    m_hideLater->cancel();
    if (m_show)
        m_show(text);
    m_hideLater->start(delay(), [this] { hidePopUpNotification(); });
}

void PopUpNotice::hidePopUpNotification()
{
    if (m_hide)
        m_hide();
}

void PopUpNotice::setDelayedCall(std::unique_ptr<DelayedCall> hideLater)
{
    if (m_hideLater)
        m_hideLater->cancel();
    m_hideLater = std::move(hideLater);
}

} // namespace qf
