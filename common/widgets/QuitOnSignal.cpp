#include "QuitOnSignal.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <array>
#include <csignal>

namespace common {

namespace {

constexpr std::array kStopSignals = {SIGTERM, SIGINT, SIGHUP};

// A handler may only write to a descriptor: the event loop reads the other end.
int g_signalPipe[2] = {-1, -1};

extern "C" void WriteSignal(int number) {
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const ssize_t written = write(g_signalPipe[0], &byte, 1);
}

void SetHandler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : kStopSignals) {
        sigaction(number, &action, nullptr);
    }
}

}  // namespace

QuitOnSignal::QuitOnSignal() {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) {
        return;  // the signals keep their default action
    }
    m_notifier = std::make_unique<QSocketNotifier>(g_signalPipe[1], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &QuitOnSignal::OnSignal);
    SetHandler(WriteSignal);
}

QuitOnSignal::~QuitOnSignal() {
    if (!m_notifier) {
        return;
    }
    SetHandler(SIG_DFL);
    m_notifier.reset();
    close(g_signalPipe[0]);
    close(g_signalPipe[1]);
    g_signalPipe[0] = g_signalPipe[1] = -1;
}

void QuitOnSignal::OnSignal() {
    char byte = 0;
    [[maybe_unused]] const ssize_t read = ::read(g_signalPipe[1], &byte, 1);
    QCoreApplication::quit();
}

}  // namespace common
