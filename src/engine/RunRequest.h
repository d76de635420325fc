#pragma once

#include "model/FolderSetting.h"

#include <atomic>
#include <vector>

class RunHost;

// The block through which the main view starts and stops a run. The run works on its own copies
// of the settings: the interface's table is never written by the worker, only through the
// host's SettingUpdate on the interface's own thread.
struct RunRequest {
    std::atomic<bool> running{false};       // a run is active
    bool test = false;                      // decide and report, change nothing, log nothing
    bool autoOnly = false;                  // only settings with AutoExec
    std::vector<CFolderSetting> settings;   // the settings to consider, in table order
    int first = 0;                          // index of settings[0] in the host's table
    std::atomic<int> current{0};            // index in settings of the setting being considered
    std::atomic<bool> stop{false};          // set by the stop command and by an Abort answer
    RunHost *host = nullptr;                // receives rows, status texts, questions, setting updates
};
