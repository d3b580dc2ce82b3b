#pragma once

#include "LumettaError.h"

#include <QString>

#include <exception>

// The Russian log lines of a generate run that both back ends write.
namespace LogLines {

inline const QString NoKey = QStringLiteral("Необходим API KEY. Зайдите в настроки программы.");
inline const QString RequestFailed =
    QStringLiteral("Проблемы с получением данных с API aliexpress");
inline const QString NotObject = QStringLiteral("Проблемы с данными получеными от API aliexpress");
inline const QString ParseFailed =
    QStringLiteral("Проблемы при разборе данных. Это к разработчику :)");
inline const QString Status = QStringLiteral("Статус ответа: ");
inline const QString Total = QStringLiteral("Всего данных (ali): ");
inline const QString Count = QStringLiteral("Всего данных (факт): ");
inline const QString ForUrl = QStringLiteral("Для ссылки: ");
inline const QString Partner = QStringLiteral("Партнёрская: ");
inline const QString UnusableLink = QStringLiteral("Ссылка от API непригодна: ");

// The text of a failure as the log shows it.
inline QString messageOf(const std::exception &error)
{
    if (const auto *own = dynamic_cast<const LumettaError *>(&error))
        return own->message();
    return QString::fromUtf8(error.what());
}

// A service's code and text as one log line shows them: "code: text", or whichever there is.
inline QString joined(const QString &code, const QString &text)
{
    if (code.isEmpty() || text.isEmpty())
        return code + text;
    return code + QStringLiteral(": ") + text;
}

} // namespace LogLines
