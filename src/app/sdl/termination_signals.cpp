#include "app/sdl/termination_signals.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

namespace {

// Written by the handler, so plain lock-free atomics and a pipe: the only
// things a signal handler may touch.
std::atomic<bool> requested{false};
int signalPipe[2] = {-1, -1};

void onTerminationSignal(int signalNumber) {
    if (requested.exchange(true)) {
        // Asked twice: the program did not close; end it now.
        std::signal(signalNumber, SIG_DFL);
        std::raise(signalNumber);
        return;
    }
    if (signalPipe[1] >= 0) {
        char byte = 1;
        [[maybe_unused]] ssize_t written = write(signalPipe[1], &byte, 1);
    }
}

// The parent process of `pid`, from /proc/PID/stat ("pid (name) state ppid ...").
pid_t parentOf(const std::string& pid) {
    std::ifstream stat("/proc/" + pid + "/stat");
    std::string text;
    std::getline(stat, text);
    size_t nameEnd = text.rfind(')');
    if (nameEnd == std::string::npos || nameEnd + 4 > text.size()) return -1;
    return static_cast<pid_t>(std::atol(text.c_str() + nameEnd + 4));
}

// The box is the only child the program has while a box is up.
void killChildren() {
    DIR* processes = opendir("/proc");
    if (processes == nullptr) return;
    pid_t self = getpid();
    while (dirent* entry = readdir(processes)) {
        std::string name = entry->d_name;
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        if (parentOf(name) == self) kill(static_cast<pid_t>(std::atol(name.c_str())), SIGKILL);
    }
    closedir(processes);
}

}  // namespace

void catchTerminationSignals() {
    if (signalPipe[0] < 0 && pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) signalPipe[0] = signalPipe[1] = -1;
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

bool terminationRequested() { return requested.load(); }

// Waits for a signal or the end of the box. After a signal the children are
// killed again every tenth of a second: the box may not have been forked yet.
BoxWatch::BoxWatch() {
    if (signalPipe[0] < 0 || pipe2(stopPipe_, O_CLOEXEC) != 0) return;
    int stopFd = stopPipe_[0];
    watcher_ = std::thread([stopFd] {
        for (;;) {
            // Once signalled the signal pipe stays readable: only the end
            // of the box is waited for then.
            bool signalled = requested.load();
            pollfd watched[2] = {{stopFd, POLLIN, 0}, {signalPipe[0], POLLIN, 0}};
            int ready = poll(watched, signalled ? 1 : 2, signalled ? 100 : -1);
            if (ready > 0 && watched[0].revents != 0) return;
            if (requested.load()) killChildren();
        }
    });
}

BoxWatch::~BoxWatch() {
    if (!watcher_.joinable()) return;
    char byte = 0;
    [[maybe_unused]] ssize_t written = write(stopPipe_[1], &byte, 1);
    watcher_.join();
    close(stopPipe_[0]);
    close(stopPipe_[1]);
}
