#include "cli/StopSignals.h"

#include <csignal>

namespace trajetix::cli {

namespace {

std::atomic_bool stopFlag{false};
std::atomic_int signalNumber{0};
static_assert(std::atomic_bool::is_always_lock_free && std::atomic_int::is_always_lock_free,
              "set from a signal handler");

extern "C" void onStopSignal(int signal)
{
    int none = 0;
    signalNumber.compare_exchange_strong(none, signal);
    stopFlag.store(true);
}

} // namespace

void catchStopSignals()
{
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

const std::atomic_bool &stopRequested()
{
    return stopFlag;
}

int stopSignal()
{
    return signalNumber.load();
}

int exitStatusForStop()
{
    const int signal = signalNumber.load();
    return 128 + (signal != 0 ? signal : SIGINT);
}

} // namespace trajetix::cli
