#include "cli/Interrupt.h"

#include <csignal>

std::atomic<bool> g_interrupted{false};

namespace {
void OnInterrupt(int) {
    if (g_interrupted.exchange(true))
        std::signal(SIGINT, SIG_DFL); // a second Ctrl-C ends the program at once
}
} // namespace

void InstallInterruptHandler() {
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
}
