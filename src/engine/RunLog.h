#pragma once

#include <QByteArray>
#include <QString>

// The open run log of a folder setting: appended line by line, each line handed to the system in
// one write, and flushed to the disk after the line when asked. While open, other runs cannot
// open it for writing.
class CRunLog {
public:
    CRunLog() = default;
    CRunLog(const CRunLog &) = delete;
    CRunLog &operator=(const CRunLog &) = delete;
    virtual ~CRunLog();

    // Creates the file if missing; empties it when truncate is set; writes go to its end.
    bool Open(const QString &path, bool truncate);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

    // Appends the bytes (a whole line); the result of the write is not the run's concern.
    void Write(const QByteArray &bytes, bool flush);

    // Empties an existing file; true when there is none.
    static bool Truncate(const QString &path);

private:
    int m_fd = -1;
};
