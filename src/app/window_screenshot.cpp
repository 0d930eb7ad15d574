#include "app/window_screenshot.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "app/frame_png.h"

std::string screenshotName(const std::tm& localTime, const std::function<bool(const std::string&)>& taken) {
    char stamp[32];
    if (std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &localTime) == 0) stamp[0] = '\0';
    std::string base = std::string("vantor-") + stamp;
    std::string name = base + ".png";
    for (int copy = 2; taken(name) && copy < 1000; ++copy) name = base + "-" + std::to_string(copy) + ".png";
    return name;
}

std::string saveWindowScreenshot(WindowSystem& windowSystem, std::time_t now) {
    std::tm local{};
    localtime_r(&now, &local);
    std::string name = screenshotName(local, [](const std::string& candidate) {
        std::error_code ignored;
        return std::filesystem::exists(candidate, ignored);
    });
    FrameImage image;
    if (windowSystem.readFrame(image) && writeFramePng(name, image)) return "screenshot saved: " + name;
    std::error_code ignored;
    std::filesystem::remove(name, ignored);
    std::cerr << "vantor: cannot write the screenshot " << name << "\n";
    return "screenshot failed: " + name;
}
