#include "app/DispatchTimers.h"

#include "app/JobDispatcher.h"

#include <QTimer>

namespace spoolar {

DispatchTimers::DispatchTimers(JobDispatcher& dispatcher, int intervalMs)
    : m_dispatcher(dispatcher), m_wait(std::make_unique<QTimer>()),
      m_fax(std::make_unique<QTimer>())
{
    for (QTimer* timer : {m_wait.get(), m_fax.get()}) {
        timer->setSingleShot(true);
        timer->setInterval(intervalMs);
    }
    QObject::connect(m_wait.get(), &QTimer::timeout, [this] {
        m_dispatcher.tick();
        sync();
    });
    QObject::connect(m_fax.get(), &QTimer::timeout, [this] {
        m_dispatcher.faxTick();
        sync();
    });
    m_dispatcher.setTimersChanged([this] { sync(); });
}

DispatchTimers::~DispatchTimers()
{
    m_dispatcher.setTimersChanged({});
}

void DispatchTimers::sync()
{
    const auto follow = [this](QTimer& timer, bool on) {
        if (!on || m_dispatcher.ended())
            timer.stop();
        else if (!timer.isActive() && !m_dispatcher.busy())
            timer.start();
    };
    follow(*m_wait, m_dispatcher.pollingEnabled());
    follow(*m_fax, m_dispatcher.faxWaitRunning());
}

} // namespace spoolar
