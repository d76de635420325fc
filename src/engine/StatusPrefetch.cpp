#include "engine/StatusPrefetch.h"

CStatusPrefetch::CStatusPrefetch(FileSystem &fileSystem)
    : m_fileSystem(fileSystem)
    , m_thread([this] { Work(); })
{
}

CStatusPrefetch::~CStatusPrefetch()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void CStatusPrefetch::Clear()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_wake.wait(lock, [this] { return !m_busy; });
    m_pending = false;
    m_paths.clear();
    m_answers.clear();
    m_usable.clear();
    m_done = 0;
}

void CStatusPrefetch::Start(QStringList paths)
{
    Clear();
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_answers.assign(size_t(paths.size()), Answer{});
        m_usable.assign(size_t(paths.size()), 0);
        m_paths = std::move(paths);
        m_pending = true;
    }
    m_wake.notify_all();
}

std::optional<CStatusPrefetch::Answer> CStatusPrefetch::Take(qsizetype index, const QString &path)
{
    if (index < 0 || index >= qsizetype(m_usable.size()) || m_paths.at(index) != path)
        return std::nullopt;
    // The batch always runs to its end, so the answer comes.
    for (qsizetype done = m_done.load(std::memory_order_acquire); done <= index;
         done = m_done.load(std::memory_order_acquire))
        m_done.wait(done, std::memory_order_acquire);
    if (!m_usable[size_t(index)])
        return std::nullopt;
    return m_answers[size_t(index)];
}

void CStatusPrefetch::Work()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || m_pending; });
        if (m_quit)
            return;
        m_pending = false;
        m_busy = true;
        const qsizetype count = m_paths.size();
        lock.unlock();
        for (qsizetype i = 0; i < count; ++i) {
            FsError error;
            Answer &answer = m_answers[size_t(i)];
            answer.status = m_fileSystem.Status(m_paths.at(i), &error);
            answer.notFound = !answer.status && error.kind == FsErrorKind::NotFound;
            m_usable[size_t(i)] = answer.status || answer.notFound;
            m_done.store(i + 1, std::memory_order_release);
            m_done.notify_all();
        }
        lock.lock();
        m_busy = false;
        m_wake.notify_all();
    }
}
