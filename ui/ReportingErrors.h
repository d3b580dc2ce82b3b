#pragma once

#include "GeneralErrorHandler.h"

#include <exception>

// Binds an event handler so that an error escaping it is reported by the general error handler
// right where the handler was called. The error never unwinds through the toolkit's own frames,
// which are built without clean-up for exceptions and would leak or keep a half-done state.
template <typename Object>
auto ReportingErrors(Object *object, void (Object::*handler)())
{
    return [object, handler] {
        try {
            (object->*handler)();
        } catch (const std::exception &error) {
            ShowException(error);
        }
    };
}
