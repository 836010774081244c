#pragma once
#include <memory>

class QTimer;

namespace spoolar {

class JobDispatcher;

// TMR_Wait and TMR_Fax on the Qt event loop: each fires once, one second after it was switched
// on, and runs the dispatcher's tick; the dispatcher then decides whether it runs again. A
// timer is never armed while a tick runs, so ticks do not nest.
class DispatchTimers
{
public:
    explicit DispatchTimers(JobDispatcher& dispatcher, int intervalMs = 1000);
    ~DispatchTimers();
    DispatchTimers(const DispatchTimers&) = delete;
    DispatchTimers& operator=(const DispatchTimers&) = delete;

    // Brings the two timers in line with the dispatcher's state.
    void sync();

private:
    JobDispatcher& m_dispatcher;
    std::unique_ptr<QTimer> m_wait;
    std::unique_ptr<QTimer> m_fax;
};

} // namespace spoolar
