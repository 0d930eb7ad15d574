// Random but plausible input for the loop: a hand that moves to real bodies
// and grabs them, drags, pins one body to another, cuts a body loose, keeps
// a hold with Ctrl, holds the time-scale keys, F9, Space and F1, drops the
// example files and changes the window's size. It is a headless window
// system whose messages depend on where the bodies are at each pass, so a
// session is written down with --record and replayed from the record.
#pragma once

#include <cstdint>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "app/window_system.h"

class RandomSession : public HeadlessWindowSystem {
public:
    // `dropFiles`: the files a drop may bring (one or two of them at a time).
    RandomSession(uint32_t seed, std::vector<std::string> dropFiles);

    bool nextMessage(Message& message) override;

private:
    // One pass of a gesture: a message, or nothing (the hand waits).
    struct Step {
        bool idle = true;
        Message message;
    };

    void planGesture();
    void wait(int passes);
    void send(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);
    void moveTo(float worldX, float worldY);
    bool pickBody(float& x, float& y);
    void grabAndDrag();
    void pinToAnother();
    void cutLoose();
    void holdKey();
    void drop();
    void resize();

    std::mt19937 random_;
    std::vector<std::string> dropFiles_;
    std::deque<Step> planned_;
    intptr_t cursor_ = 0;  // the client point of the last move
};
