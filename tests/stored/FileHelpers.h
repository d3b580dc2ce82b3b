#pragma once

#include "LumettaError.h"

#include <QByteArray>
#include <QString>

#ifndef _WIN32
#include <sys/resource.h>
#endif

// Small tools for the stored-data tests: whole-file bytes and caught error messages.

// The bytes of a string literal, NULs included.
template <qsizetype N>
QByteArray literalBytes(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

void writeFileBytes(const QString &path, const QByteArray &bytes);
QByteArray readFileBytes(const QString &path);

// The message of the LumettaError that action raises, or "(no error)".
template <typename Action>
QString errorOf(Action action)
{
    try {
        action();
    } catch (const LumettaError &error) {
        return error.message();
    }
    return QStringLiteral("(no error)");
}

#ifndef _WIN32
// Lowers the largest file this process may write, so that writes fail even for root (who
// ignores file permissions); the former limit comes back at the end of the scope.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_former{};
    void (*m_formerHandler)(int) = nullptr;
};
#endif
