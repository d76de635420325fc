#include "FailingStream.h"

#include <cerrno>

FailingStream::FailingStream(qsizetype capacity, int error, size_t bufferSize)
    : m_buffer(qsizetype(bufferSize), '\0')
    , m_capacity(capacity)
    , m_error(error)
{
    cookie_io_functions_t functions{};
    functions.write = &FailingStream::WriteToSink;
    m_file = fopencookie(this, "w", functions);
    if (bufferSize == 0)
        std::setvbuf(m_file, nullptr, _IONBF, 0);
    else
        std::setvbuf(m_file, m_buffer.data(), _IOFBF, bufferSize);   // without a buffer of its own the size is not kept
}

FailingStream::~FailingStream()
{
    Close();
}

void FailingStream::Close()
{
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
}

ssize_t FailingStream::WriteToSink(void *cookie, const char *data, size_t size)
{
    auto *self = static_cast<FailingStream *>(cookie);
    ++self->m_writes;
    // A stream of this kind takes a short write for an error without errno, so a write that
    // does not fit fails whole, as a real one fails once the device is full.
    if (qsizetype(size) > self->m_capacity - self->m_received.size()) {
        self->m_failed = true;
        errno = self->m_error;
        return -1;
    }
    self->m_received.append(data, qsizetype(size));
    return ssize_t(size);
}
