#include "net/SocketError.h"

#include <QHash>

#include <cerrno>

#ifndef _WIN32
#include <netdb.h>
#endif

namespace {

const QHash<int, QString> &descriptions()
{
    static const QHash<int, QString> table{
        {10004, QStringLiteral("Interrupted system call.")},
        {10009, QStringLiteral("Bad file number.")},
        {10013, QStringLiteral("Access denied.")},
        {10014, QStringLiteral("Buffer fault.")},
        {10022, QStringLiteral("Invalid argument.")},
        {10024, QStringLiteral("Too many open files.")},
        {10035, QStringLiteral("Operation would block.")},
        {10036, QStringLiteral("Operation now in progress.")},
        {10037, QStringLiteral("Operation already in progress.")},
        {10038, QStringLiteral("Socket operation on non-socket.")},
        {10039, QStringLiteral("Destination address required.")},
        {10040, QStringLiteral("Message too long.")},
        {10041, QStringLiteral("Protocol wrong type for socket.")},
        {10042, QStringLiteral("Bad protocol option.")},
        {10043, QStringLiteral("Protocol not supported.")},
        {10044, QStringLiteral("Socket type not supported.")},
        {10045, QStringLiteral("Operation not supported on socket.")},
        {10046, QStringLiteral("Protocol family not supported.")},
        {10047, QStringLiteral("Address family not supported by protocol family.")},
        {10048, QStringLiteral("Address already in use.")},
        {10049, QStringLiteral("Cannot assign requested address.")},
        {10050, QStringLiteral("Network is down.")},
        {10051, QStringLiteral("Network is unreachable.")},
        {10052, QStringLiteral("Net dropped connection or reset.")},
        {10053, QStringLiteral("Software caused connection abort.")},
        {10054, QStringLiteral("Connection reset by peer.")},
        {10055, QStringLiteral("No buffer space available.")},
        {10056, QStringLiteral("Socket is already connected.")},
        {10057, QStringLiteral("Socket is not connected.")},
        {10058, QStringLiteral("Cannot send or receive after socket is closed.")},
        {10059, QStringLiteral("Too many references, cannot splice.")},
        {10060, QStringLiteral("Connection timed out.")},
        {10061, QStringLiteral("Connection refused.")},
        {10062, QStringLiteral("Too many levels of symbolic links.")},
        {10063, QStringLiteral("File name too long.")},
        {10064, QStringLiteral("Host is down.")},
        {10065, QStringLiteral("No route to host.")},
        {10066, QStringLiteral("Directory not empty")},
        {11001, QStringLiteral("Host not found.")},
    };
    return table;
}

#ifndef _WIN32
// Windows reports Windows Sockets numbers itself; elsewhere errno values are translated.
const QHash<int, int> &errnoNumbers()
{
    static const QHash<int, int> table{
        {EINTR, 10004},           {EBADF, 10009},        {EACCES, 10013},
        {EPERM, 10013},           {EFAULT, 10014},       {EINVAL, 10022},
        {EMFILE, 10024},          {ENFILE, 10024},       {EWOULDBLOCK, 10035},
        {EAGAIN, 10035},          {EINPROGRESS, 10036},  {EALREADY, 10037},
        {ENOTSOCK, 10038},        {EDESTADDRREQ, 10039}, {EMSGSIZE, 10040},
        {EPROTOTYPE, 10041},      {ENOPROTOOPT, 10042},  {EPROTONOSUPPORT, 10043},
        {ESOCKTNOSUPPORT, 10044}, {EOPNOTSUPP, 10045},   {EPFNOSUPPORT, 10046},
        {EAFNOSUPPORT, 10047},    {EADDRINUSE, 10048},   {EADDRNOTAVAIL, 10049},
        {ENETDOWN, 10050},        {ENETUNREACH, 10051},  {ENETRESET, 10052},
        {ECONNABORTED, 10053},    {ECONNRESET, 10054},   {ENOBUFS, 10055},
        {ENOMEM, 10055},          {EISCONN, 10056},      {ENOTCONN, 10057},
        {ESHUTDOWN, 10058},       {EPIPE, 10058},        {ETOOMANYREFS, 10059},
        {ETIMEDOUT, 10060},       {ECONNREFUSED, 10061}, {ELOOP, 10062},
        {ENAMETOOLONG, 10063},    {EHOSTDOWN, 10064},    {EHOSTUNREACH, 10065},
        {ENOTEMPTY, 10066},
    };
    return table;
}
#endif

} // namespace

bool SocketError::meansPeerGone() const noexcept
{
    return m_code == ConnectionReset || m_code == ConnectionAborted || m_code == AfterShutdown;
}

QString SocketError::messageFor(int code)
{
    return QStringLiteral("Socket Error # %1\r\n%2").arg(code).arg(description(code));
}

QString SocketError::description(int code)
{
    return descriptions().value(code);
}

int SocketError::fromErrno(int errnoValue)
{
#ifdef _WIN32
    return errnoValue;
#else
    return errnoNumbers().value(errnoValue, errnoValue);
#endif
}

int SocketError::fromResolverError(int code)
{
#ifdef _WIN32
    return code;
#else
    switch (code) {
    case EAI_NONAME:
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
        return HostNotFound;
    case EAI_AGAIN:
        return TryAgain;
    case EAI_MEMORY:
        return fromErrno(ENOMEM);
    case EAI_SYSTEM:
        return fromErrno(errno);
    default:
        return NoRecovery;
    }
#endif
}
