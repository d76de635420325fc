#pragma once

#include "model/GlobalOptions.h"

#include <QDateTime>
#include <functional>
#include <memory>
#include <optional>

struct AppFlags;
class FileSystem;
class SnapshotProvider;

// What a run takes from the program around it. The options are a copy: they cannot change while
// a run is active. The clock is replaceable so that schedules and date folders can be tested.
struct RunEnvironment {
    FileSystem &fileSystem;
    AppFlags &flags;
    GlobalOptions options;
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    // Makes the snapshot service of a run; empty: this platform's own, which cannot snapshot.
    std::function<std::unique_ptr<SnapshotProvider>()> snapshotProvider;
    // Threads that read the disk ahead of the walk; none given: as many as the file systems of a
    // setting take (or the number in ORVANE_READ_AHEAD), 0: the walk reads alone.
    std::optional<int> readers;
};
