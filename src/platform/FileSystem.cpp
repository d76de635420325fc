#include "platform/FileSystem.h"

#include <cerrno>
#include <iterator>

namespace {

struct ErrnoKind {
    int code;
    FsErrorKind kind;
};

// What the engine makes of an errno; anything not listed is Other.
constexpr ErrnoKind ErrnoKinds[] = {
    {ENOENT, FsErrorKind::NotFound},
    {ENOTDIR, FsErrorKind::PathNotFound},
    {ENOTCONN, FsErrorKind::NetworkPath},
    {EHOSTDOWN, FsErrorKind::NetworkPath},
    {EHOSTUNREACH, FsErrorKind::NetworkPath},
    {ENETUNREACH, FsErrorKind::NetworkPath},
    {ENETDOWN, FsErrorKind::NetworkPath},
    {ESTALE, FsErrorKind::NetworkPath},
    {ETIMEDOUT, FsErrorKind::NetworkPath},
    {ECONNABORTED, FsErrorKind::NetworkPath},
    {ECONNRESET, FsErrorKind::NetworkPath},
    {EBUSY, FsErrorKind::Sharing},
    {ETXTBSY, FsErrorKind::Sharing},
    {EAGAIN, FsErrorKind::Sharing},
    {EWOULDBLOCK, FsErrorKind::Sharing},
    {EILSEQ, FsErrorKind::InvalidName},
    {EINVAL, FsErrorKind::InvalidName},
    {ENAMETOOLONG, FsErrorKind::InvalidName},
};

} // namespace

FsError FsError::FromErrno(int code)
{
    if (code == 0)
        return {};
    for (const ErrnoKind &entry : ErrnoKinds) {
        if (entry.code == code)
            return {code, entry.kind};
    }
    return {code, FsErrorKind::Other};
}
