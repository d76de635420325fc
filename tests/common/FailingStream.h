#pragma once

#include <QByteArray>

#include <cstdio>
#include <sys/types.h>

// A FILE whose bytes reach memory until a capacity is used up; a write that does not fit fails
// whole with a chosen errno, as a full disk (ENOSPC) or a closed pipe (EPIPE) does. It counts
// the writes that reach it, so a test can tell whether anything was tried after a failure.
class FailingStream {
public:
    // bufferSize 0: unbuffered, every fwrite reaches the sink at once; otherwise a buffer of
    // exactly that size.
    FailingStream(qsizetype capacity, int error, size_t bufferSize = 0);
    ~FailingStream();
    FailingStream(const FailingStream &) = delete;
    FailingStream &operator=(const FailingStream &) = delete;

    FILE *File() const { return m_file; }
    QByteArray Received() const { return m_received; }
    bool HasFailed() const { return m_failed; }
    // Writes that reached the sink, failed ones included.
    int Writes() const { return m_writes; }
    // Closes the stream now, as the end of the program would; what it tries still counts.
    void Close();

private:
    static ssize_t WriteToSink(void *cookie, const char *data, size_t size);

    FILE *m_file = nullptr;
    QByteArray m_buffer;
    QByteArray m_received;
    qsizetype m_capacity;
    int m_error;
    bool m_failed = false;
    int m_writes = 0;
};
