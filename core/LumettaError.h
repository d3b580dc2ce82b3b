#pragma once

#include <QString>

#include <exception>
#include <string>

// The one error type of the core. Every failure the program reports is one of these
// (or derived from it); the message is the exact text the user or the log sees.
class LumettaError : public std::exception
{
public:
    explicit LumettaError(const QString &message)
        : m_message(message), m_utf8(message.toStdString())
    {}

    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_message;
    std::string m_utf8;
};
