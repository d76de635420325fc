#pragma once

#include "engine/RunEnvironment.h"
#include "engine/RunHost.h"
#include "engine/RunRequest.h"
#include "ui/RunController.h"

#include <QThread>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

// A run without the engine: it starts and ends as the engine does and in between does what the
// test scripts, on the worker thread.
struct FakeEngine {
    struct Seen {
        bool test = false;
        bool autoOnly = false;
        int count = 0;
        int first = 0;
        QStringList names;
    };

    std::function<void(RunRequest &)> body;
    // After the run has ended, as the completion message and the close request come.
    std::function<void(RunRequest &)> afterEnd;
    std::atomic<bool> release{false};
    std::atomic<int> started{0};
    std::mutex mutex;
    std::vector<Seen> seen;

    CRunController::Procedure Procedure()
    {
        return [this](RunRequest &request, RunEnvironment &) {
            {
                std::lock_guard lock(mutex);
                Seen run{request.test, request.autoOnly, int(request.settings.size()), request.first, {}};
                for (const CFolderSetting &setting : request.settings)
                    run.names << setting.Name;
                seen.push_back(run);
            }
            ++started;
            request.running = true;
            request.host->EnableClose(false);
            request.host->ClearReport();
            if (body)
                body(request);
            request.host->EnableClose(true);
            request.host->RunFinished();
            request.running = false;
            if (afterEnd)
                afterEnd(request);
            return true;
        };
    }

    // Inside a body: waits until the test releases the run or stop is pressed.
    void WaitForRelease(const RunRequest &request) const
    {
        while (!release && !request.stop)
            QThread::msleep(1);
    }
};
