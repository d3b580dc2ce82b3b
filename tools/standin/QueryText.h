#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The raw query of a request target or a form body, taken apart here rather than by the
// server library, whose parameter map refuses or cuts values that hold "?" or "=".
namespace QueryText {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// The text after the first "?" of a request target, up to any "#"; empty when there is none.
std::string_view queryOf(std::string_view target);
// "%XX" becomes its byte and "+" a space (in a path: stays); a "%" without two hexadecimal
// digits stays as it is.
std::string decode(std::string_view text, bool plusIsSpace = true);
// name=value pairs separated by "&", split at the first "=" and decoded, in their order. A
// part without "=" is a name with an empty value; empty parts are skipped.
Pairs parse(std::string_view query);
// The parts of a comma-separated list, empty ones included.
std::vector<std::string> splitAtCommas(const std::string &text);

} // namespace QueryText
