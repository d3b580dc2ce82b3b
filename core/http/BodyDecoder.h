#pragma once

#include "http/HttpAnswer.h"

#include <QString>

// Turns an answer body into text: picks the charset from the media type, its charset
// parameter, the XML declaration or the HTML meta elements, and decodes the whole body.
namespace BodyDecoder {

// The charset name used for this answer; empty means one character per byte, same code.
QString charsetFor(const HttpAnswer &answer);
QString decode(const HttpAnswer &answer);

} // namespace BodyDecoder
