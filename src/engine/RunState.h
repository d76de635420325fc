#pragma once

#include <QString>

#include <atomic>

struct CFolderSetting;

// What the parts of a run share about the setting being processed: its record, the two roots,
// where the walk stands, and the run's test and stop flags.
struct CRunState {
    CRunState(bool isTest, std::atomic<bool> &stopFlag) : test(isTest), stop(stopFlag) {}

    bool IsTest() const { return test; }
    bool IsStopped() const { return stop.load(std::memory_order_relaxed); }
    void RequestStop() { stop = true; }

    const bool test;                    // decide and report, change nothing
    std::atomic<bool> &stop;            // set by the stop command and by an Abort answer
    CFolderSetting *setting = nullptr;  // the run's copy, or its date-folder working copy
    QString masterRoot;                 // full paths ending in "/"
    QString backupRoot;
    bool mirrorPass = false;            // false in the backup pass
    int deleteDepth = 0;                // folders being deleted around the current item
    int folderTimePending = 0;          // folders whose timestamp is still to be copied
    bool confirmDelete = false;         // ask before each deletion
    QString currentPath;                // the item being processed
    QString walkRoot;                   // the root of the current pass
    qint64 runStart = 0;                // when the run started, seconds since 1970 UTC
    bool backupChanged = false;         // the setting changed something on the backup side
    bool backupRootCreated = false;     // the backup folder itself was made for this setting
    bool counting = false;              // a pass that only counts what it would delete
};
