#pragma once

#include "platform/MessageBox.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtEndian>

#include <deque>
#include <vector>

#include <unistd.h>

// Answers message boxes from a script and remembers every box it was shown.
class ScriptedPresenter : public MessageBoxPresenter {
public:
    using Box = MessageBoxRequest;

    MessageAnswer ShowMessageBox(const MessageBoxRequest &box) override
    {
        boxes.push_back(box);
        if (answers.empty())
            return MessageAnswer::Cancel;   // an unexpected box: the answer no one would want
        const MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::deque<MessageAnswer> answers;
    std::vector<Box> boxes;
};

// UTF-16LE bytes of a text, as the INI file holds it.
inline QByteArray Utf16Le(const QString &text)
{
    QByteArray bytes(text.size() * 2, '\0');
    qToLittleEndian<char16_t>(text.utf16(), text.size(), bytes.data());
    return bytes;
}

inline QByteArray IniBytes(const QString &text)
{
    return QByteArray("\xFF\xFE", 2) + Utf16Le(text);
}

// Makes a folder refuse new entries for as long as the guard lives: by its permissions for an
// ordinary user, by the immutable attribute for root (whom permissions do not stop).
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString &path) : m_path(path)
    {
        if (::geteuid() == 0)
            m_immutable = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0;
        else
            m_immutable = QProcess::execute(QStringLiteral("chmod"), {QStringLiteral("a-w"), path}) == 0;
        m_active = m_immutable && ::access(QFile::encodeName(path + QStringLiteral("/.probe")).constData(), F_OK) != 0
                   && !CanCreate();
    }
    ~ReadOnlyFolder()
    {
        if (::geteuid() == 0)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_path});
        else
            QProcess::execute(QStringLiteral("chmod"), {QStringLiteral("u+w"), m_path});
    }
    // False where the system offers no way to refuse writes here.
    bool active() const { return m_active; }

private:
    bool CanCreate() const
    {
        QFile probe(m_path + QStringLiteral("/.probe"));
        const bool created = probe.open(QIODevice::WriteOnly);
        if (created)
            probe.remove();
        return created;
    }
    QString m_path;
    bool m_immutable = false;
    bool m_active = false;
};

#include <sys/inotify.h>

// Counts, from its creation on, how often a file of a folder was created or renamed into place:
// one write of the INI file is one rename, one SQLite transaction one journal file.
class FolderEvents {
public:
    explicit FolderEvents(const QString &folder)
        : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        if (m_fd >= 0)
            ::inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), IN_CREATE | IN_MOVED_TO);
    }
    ~FolderEvents()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool valid() const { return m_fd >= 0; }
    // How many events named this file since the last call.
    int Count(const QString &name)
    {
        Drain();
        const int count = m_seen.count(name);
        m_seen.removeAll(name);
        return count;
    }

private:
    void Drain()
    {
        alignas(struct inotify_event) char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
            if (got <= 0)
                return;
            for (ssize_t at = 0; at < got;) {
                const auto *event = reinterpret_cast<const struct inotify_event *>(buffer + at);
                if (event->len > 0)
                    m_seen << QFile::decodeName(event->name);
                at += ssize_t(sizeof(struct inotify_event) + event->len);
            }
        }
    }
    int m_fd;
    QStringList m_seen;
};

#include <csignal>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>

// Makes every write of this process past the given size fail with EFBIG instead of ending the
// process; root is bound by it too. Also for a child process, before it starts the program.
inline bool LimitFileSize(rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit;
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0 || (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < bytes))
        return false;
    limit.rlim_cur = bytes;
    return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

// The limit of this process for as long as the guard lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_saved = ::getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        m_active = m_saved && LimitFileSize(bytes);
    }
    ~FileSizeLimit() { Lift(); }
    void Lift()
    {
        if (m_saved)
            ::setrlimit(RLIMIT_FSIZE, &m_old);
        m_saved = m_active = false;
    }
    bool active() const { return m_active; }

private:
    struct rlimit m_old {};
    bool m_saved = false;
    bool m_active = false;
};

// Another process that holds a lock on the database until it is told to go.
class LockingProcess {
public:
    LockingProcess(const QString &path, const char *begin)
    {
        int ready[2];
        int release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            sqlite3 *db = nullptr;
            sqlite3_open(QFile::encodeName(path).constData(), &db);
            const char ok = sqlite3_exec(db, begin, nullptr, nullptr, nullptr) == SQLITE_OK
                                    && sqlite3_exec(db, "UPDATE vals SET data = data", nullptr, nullptr, nullptr) == SQLITE_OK
                                ? 'y' : 'n';
            (void)!::write(ready[1], &ok, 1);
            char dummy;
            (void)!::read(release[0], &dummy, 1);   // returns when the parent closes its end
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        m_release = release[1];
        char ok = 'n';
        m_locked = ::read(ready[0], &ok, 1) == 1 && ok == 'y';
        ::close(ready[0]);
    }
    ~LockingProcess() { Release(); }
    void Release()
    {
        if (m_release >= 0)
            ::close(m_release);
        m_release = -1;
        if (m_pid > 0)
            ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    bool locked() const { return m_locked; }

private:
    pid_t m_pid = -1;
    int m_release = -1;
    bool m_locked = false;
};


#include "platform/RegistryDatabase.h"

// A clock that stands still until the test moves it on.
struct ManualClock {
    CRegistryDatabase::TimePoint now = std::chrono::steady_clock::now();
    CRegistryDatabase::Clock Reader()
    {
        return [this] { return now; };
    }
};
