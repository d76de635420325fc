#pragma once

#include "engine/FileOperations.h"
#include "platform/FileSystem.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// Reads the status of a folder's backup counterparts on a second thread while the walk decides
// on the files in order, so that the two sides of a comparison are read at the same time.
// Only successful reads and plain "not found" answers are handed out; anything else is left to
// the caller's own check, so retries and reports happen exactly as without it.
class CStatusPrefetch {
public:
    explicit CStatusPrefetch(FileSystem &fileSystem);
    CStatusPrefetch(const CStatusPrefetch &) = delete;
    CStatusPrefetch &operator=(const CStatusPrefetch &) = delete;
    virtual ~CStatusPrefetch();

    // Starts reading the paths in order; a batch still running is finished first.
    void Start(QStringList paths);
    // The answer for the path at index, waiting for it; none when the caller must check itself.
    using Answer = KnownStatus;
    std::optional<Answer> Take(qsizetype index, const QString &path);
    // Drops the batch (waits until the thread has let go of it).
    void Clear();

private:
    void Work();

    FileSystem &m_fileSystem;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    QStringList m_paths;
    std::vector<Answer> m_answers;
    std::vector<char> m_usable;
    std::atomic<qsizetype> m_done{0};
    bool m_pending = false;
    bool m_busy = false;
    bool m_quit = false;
    std::thread m_thread;
};
