// SIGTERM and SIGINT while the window is up. The first asks the program to
// close, as the window's close box does; a second ends it at once. SDL's
// own handlers only queue a quit event, which nobody reads while a message
// box is up, so they are off and these stand in.
#pragma once

#include <thread>

// Installs the handlers (again: harmless). Call before SDL starts.
void catchTerminationSignals();

// A termination signal has come.
bool terminationRequested();

// While it lives, a termination signal ends the message box on screen: the
// box runs in a child process (SDL forks one for it), which is killed, so
// the box returns at once with no answer and no process of it is left.
class BoxWatch {
public:
    BoxWatch();
    ~BoxWatch();
    BoxWatch(const BoxWatch&) = delete;
    BoxWatch& operator=(const BoxWatch&) = delete;

private:
    int stopPipe_[2] = {-1, -1};
    std::thread watcher_;
};
