#pragma once

#include "LumettaError.h"

#include <QString>

// The message of the LumettaError that action throws, or "(no error)" when it throws none.
template <typename Action>
QString errorMessageOf(Action &&action)
{
    try {
        action();
    } catch (const LumettaError &error) {
        return error.message();
    }
    return QStringLiteral("(no error)");
}
