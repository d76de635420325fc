#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>

// Standard output or standard error, written with every failure noticed. After the first failed
// write nothing more is handed to the stream (the C library drops what a failed write could not
// pass on, so not even the end of the program tries again); the failure stays for the exit code.
// A closed pipe (EPIPE, with SIGPIPE ignored) is such a failure like a full disk.
class COutputStream {
public:
    explicit COutputStream(FILE *file);

    FILE *File() const { return m_file; }
    // False when the bytes did not all reach the stream, now or at an earlier write.
    bool Write(const QByteArray &bytes);
    bool Write(const QString &text);
    // Hands what is buffered to the system; false when that failed, now or earlier.
    bool Flush();
    bool Failed() const { return m_error != 0; }
    // The errno of the first failure; 0 while there was none.
    int Error() const { return m_error; }

private:
    bool Fail();

    FILE *m_file;
    int m_error = 0;
};
