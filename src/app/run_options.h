// What the command line asks of one run of the program.
#pragma once

#include <string>
#include <vector>

struct RunOptions {
    std::string settingsFile = "rsc/engine.ini";
    std::string settingsPrefix = "rsc/";
    std::string worldFile = "rsc/firstWorld.ini";
    std::string worldPrefix = "rsc/";
    bool headless = false;
    long frames = 0;                      // headless: frames to step back to back
    std::vector<int> heldKeys;            // virtual-key codes held every headless frame
    std::string dumpFile;                 // write the state as JSON after the last frame
    std::string stateFile;                // start from this saved state instead of the world file
    std::string replayFile;               // messages to feed instead of the real input
    std::string recordFile;               // where to write every message handled
    bool stats = false;                   // print step-time statistics after the run
    std::string screenshotFile;           // windowed: write the frame as a PNG, then exit
    long screenshotFrames = 100;          // windowed: frames drawn before the screenshot
    int threads = 1;                      // threads a world step may use
    bool watch = false;                   // windowed: read the worlds again when their files change
    std::string videoFile;                // headless: draw every frame into this video clip
    int videoWidth = 0, videoHeight = 0;  // the clip's size; 0: the window's
    std::vector<std::string> checkFiles;  // --check: files and folders to check; nothing is run
    bool checkAsDropped = false;          // --check: read them as dropped files
};
