#pragma once
#include <functional>
#include <memory>

class QSocketNotifier;

namespace spoolar {

// Turns SIGTERM and SIGINT into a call on the Qt event loop, so the program ends between two
// pieces of work (never in the middle of a job). One object per process.
class TerminationSignals
{
public:
    explicit TerminationSignals(std::function<void(int signal)> handler);
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // False when the signals could not be caught (they then end the process as usual).
    bool active() const { return m_notifier != nullptr; }

private:
    std::function<void(int)> m_handler;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace spoolar
