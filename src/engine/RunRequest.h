#pragma once

#include <atomic>

struct CFolderSetting;
class RunHost;

// The block through which the main view starts and stops a run.
struct RunRequest {
    std::atomic<bool> running{false};   // a run is active
    bool test = false;                  // decide and report, change nothing, log nothing
    bool autoOnly = false;              // only settings with AutoExec
    int count = 0;                      // settings to consider, consecutive from `settings`
    CFolderSetting *settings = nullptr;
    std::atomic<int> current{0};        // index of the setting being considered
    std::atomic<bool> stop{false};      // set by the stop command and by an Abort answer
    RunHost *host = nullptr;            // receives rows, status texts, questions, setting updates
};
