#include "sessions/random_session.h"

#include <algorithm>
#include <cmath>

#include "app/input_state.h"
#include "app/time_control.h"
#include "files/settings.h"
#include "sim/globals.h"

RandomSession::RandomSession(uint32_t seed, std::vector<std::string> dropFiles)
    : random_(seed), dropFiles_(std::move(dropFiles)) {}

bool RandomSession::nextMessage(Message& message) {
    // A posted quit comes first, as from any window system.
    if (HeadlessWindowSystem::nextMessage(message)) return true;
    while (planned_.empty()) planGesture();
    Step step = planned_.front();
    planned_.pop_front();
    if (step.idle) return false;
    message = step.message;
    return true;
}

void RandomSession::wait(int passes) {
    for (int i = 0; i < passes; ++i) planned_.push_back(Step{});
}

void RandomSession::send(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    planned_.push_back(Step{false, Message{message, wParam, lParam, {}}});
}

// The client point of a world point, held to the client area as the window
// system holds the cursor.
void RandomSession::moveTo(float worldX, float worldY) {
    int width = std::max(1, static_cast<int>(viewWidth)), height = std::max(1, static_cast<int>(viewHeight));
    auto clamp = [](float value, int size) {
        if (!std::isfinite(value)) return 0;
        return static_cast<int>(std::clamp(value, 0.0f, static_cast<float>(size - 1)));
    };
    cursor_ = packLParam(clamp(worldX + viewWidth * 0.5f, width), clamp(viewHeight * 0.5f - worldY, height));
    send(wm::mouseMove, 0, cursor_);
}

// The centre of a body chosen at random (where it is now), or false when
// there is none.
bool RandomSession::pickBody(float& x, float& y) {
    std::vector<const Body*> bodies;
    for (const auto& world : worlds)
        for (const auto& model : world->models)
            for (const auto& body : model->bodies) bodies.push_back(body.get());
    if (bodies.empty()) return false;
    const Body& body = *bodies[random_() % bodies.size()];
    x = body.x;
    y = body.y;
    return true;
}

void RandomSession::grabAndDrag() {
    float x = 0, y = 0;
    if (!pickBody(x, y)) return wait(5);
    moveTo(x, y);
    send(wm::leftButtonDown, 1, cursor_);
    int moves = 1 + static_cast<int>(random_() % 12);
    for (int i = 0; i < moves; ++i) {
        x += static_cast<float>(static_cast<int>(random_() % 161) - 80);
        y += static_cast<float>(static_cast<int>(random_() % 161) - 80);
        moveTo(x, y);
        wait(static_cast<int>(random_() % 4));
    }
    bool keep = random_() % 4 == 0;  // with Ctrl the bodies stay on the cursor
    if (keep) send(wm::keyDown, vk::control, 1);
    send(wm::leftButtonUp, keep ? 8 : 0, cursor_);
    if (keep) send(wm::keyUp, vk::control, 0xC0000001);
}

void RandomSession::pinToAnother() {
    float x = 0, y = 0;
    if (!pickBody(x, y)) return wait(5);
    moveTo(x, y);
    send(wm::leftButtonDown, 1, cursor_);
    wait(static_cast<int>(random_() % 10));
    if (pickBody(x, y)) moveTo(x, y);
    send(wm::rightButtonDown, 2, cursor_);
    send(wm::rightButtonUp, 0, cursor_);
    send(wm::leftButtonUp, 0, cursor_);
}

void RandomSession::cutLoose() {
    float x = 0, y = 0;
    if (!pickBody(x, y)) return wait(5);
    moveTo(x, y);
    send(wm::rightButtonDown, 2, cursor_);
    send(wm::rightButtonUp, 0, cursor_);
}

// K and L are let go soon and followed by J, so the time scale stays where
// a person would keep it. Backspace goes back through grabs, pins and drops.
void RandomSession::holdKey() {
    static constexpr int held[] = {vk::k, vk::l, vk::j, vk::space, vk::f9, vk::f1, vk::backspace};
    int key = held[random_() % std::size(held)];
    send(wm::keyDown, static_cast<uintptr_t>(key), 1);
    wait(1 + static_cast<int>(random_() % 30));
    send(wm::keyUp, static_cast<uintptr_t>(key), 0xC0000001);
    if (key == vk::k || key == vk::l) {
        send(wm::keyDown, vk::j, 1);
        send(wm::keyUp, vk::j, 0xC0000001);
    }
}

void RandomSession::drop() {
    if (dropFiles_.empty()) return wait(5);
    moveTo(static_cast<float>(static_cast<int>(random_() % 801) - 400),
           static_cast<float>(static_cast<int>(random_() % 601) - 300));
    Message message{wm::dropFiles, 0, 0, {dropFiles_[random_() % dropFiles_.size()]}};
    if (random_() % 3 == 0) message.files.push_back(dropFiles_[random_() % dropFiles_.size()]);
    planned_.push_back(Step{false, message});
}

void RandomSession::resize() {
    int width = 200 + static_cast<int>(random_() % 1400), height = 150 + static_cast<int>(random_() % 1050);
    send(wm::size, 0, packLParam(width, height));
}

void RandomSession::planGesture() {
    // Mostly the mouse, now and then a key, rarely a drop or a new size.
    unsigned roll = random_() % 100;
    if (roll < 30)
        grabAndDrag();
    else if (roll < 42)
        pinToAnother();
    else if (roll < 52)
        cutLoose();
    else if (roll < 70)
        holdKey();
    else if (roll < 73)
        drop();
    else if (roll < 76)
        resize();
    else
        wait(1 + static_cast<int>(random_() % 20));
}
