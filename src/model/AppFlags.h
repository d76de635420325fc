#pragma once

#include <atomic>

// Flags of the running program: set by the command line and the after-run controls, read by the
// run's worker, and two of them written by the worker. Atomic, because the interface may change
// the after-run action while a run is active and reads the results the worker publishes.
struct AppFlags {
    std::atomic<bool> AutoMode{false};           // started for an unattended run
    std::atomic<bool> AfterRunExit{false};
    std::atomic<bool> AfterRunShutdown{false};
    std::atomic<bool> AfterRunMessage{false};
    std::atomic<bool> LogoffMode{false};         // separate INI, placeholder projects, fewer boxes, nothing global saved
    std::atomic<bool> ForceIni{false};
    std::atomic<bool> AnySettingCompleted{false};  // written by the run
    std::atomic<int> LastRunResult{0};             // written by the run: 0..4, also the exit code
};
