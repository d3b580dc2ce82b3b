#pragma once

#include "LumettaError.h"
#include "net/ByteChannel.h"

#include <QStringList>

#include <memory>

class CookieJar;

// An answer whose status is a failure; the message is the status line as received.
class HttpStatusError : public LumettaError
{
public:
    HttpStatusError(int code, const QString &statusLine, const QString &body,
                    const QString &location = QString())
        : LumettaError(statusLine), m_code(code), m_body(body), m_location(location)
    {}

    int code() const noexcept { return m_code; }
    const QString &body() const noexcept { return m_body; }
    // The answer's Location header (empty when it has none), with its control bytes and bytes
    // from 0x80 up percent-encoded; the client itself never goes there.
    const QString &location() const noexcept { return m_location; }

private:
    int m_code;
    QString m_body;
    QString m_location;
};

// The program's HTTP/1.x client. A GET goes out as HTTP/1.1, a form POST as HTTP/1.0 on a
// connection of its own (PostKeepAlive: as HTTP/1.1 on a kept one); redirects are not followed;
// cookies are kept in memory for the life of the instance.
class HttpClient
{
public:
    explicit HttpClient(ByteChannel &channel);
    ~HttpClient();
    HttpClient(const HttpClient &) = delete;
    HttpClient &operator=(const HttpClient &) = delete;

    QString Get(const QString &url);
    QString Post(const QString &url, const QStringList &lines);
    // The same form as HTTP/1.1, over the connection kept from the last request when it went to
    // the same host, port and mode, and kept afterwards unless the answer says close: a run
    // that posts many forms to one service pays for one connection, not one each.
    QString PostKeepAlive(const QString &url, const QStringList &lines);

    // Answers whose body is larger than bytes (at most ResponseReader::MaxBodyBytes) fail,
    // unread, with one Russian line naming the limit.
    void setMaxBodyBytes(qsizetype bytes);

    // Null until the first answer has arrived.
    const CookieJar *cookieJar() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
