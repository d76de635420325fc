#pragma once

#include <QString>

// Keeps one program at a time writing a configuration: an exclusive lock on a file beside the
// store ("<INI file>.lock" or "<database>.lock"), held until the object goes. The lock belongs to
// the open file, so the system releases it when the process ends, however it ends.
class CInstanceLock {
public:
    enum class Result { Acquired, HeldElsewhere, Failed };

    explicit CInstanceLock(QString lockPath);
    CInstanceLock(const CInstanceLock &) = delete;
    CInstanceLock &operator=(const CInstanceLock &) = delete;
    virtual ~CInstanceLock();

    // The lock file of a store file.
    static QString LockPathFor(const QString &storePath);

    // Does not wait: another holder makes it answer HeldElsewhere at once.
    Result TryLock();
    void Unlock();
    bool IsLocked() const { return m_fd >= 0; }
    const QString &Path() const { return m_path; }
    // The errno of a Failed attempt.
    int Error() const { return m_error; }

private:
    QString m_path;
    int m_fd = -1;
    int m_error = 0;
};
