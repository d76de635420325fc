#include "cli/OutputStream.h"

#include <cerrno>

COutputStream::COutputStream(FILE *file) : m_file(file) {}

bool COutputStream::Write(const QByteArray &bytes)
{
    if (Failed())
        return false;
    errno = 0;
    const size_t written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_file);
    // A buffered stream may fail while flushing for this write and still count the bytes taken.
    if (written != size_t(bytes.size()) || std::ferror(m_file))
        return Fail();
    return true;
}

bool COutputStream::Write(const QString &text)
{
    return Write(text.toUtf8());
}

bool COutputStream::Flush()
{
    if (Failed())
        return false;
    errno = 0;
    if (std::fflush(m_file) != 0 || std::ferror(m_file))
        return Fail();
    return true;
}

bool COutputStream::Fail()
{
    m_error = errno != 0 ? errno : EIO;
    return false;
}
