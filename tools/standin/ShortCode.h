#pragma once

#include <string>
#include <string_view>

// A deterministic code of letters and digits for a text: the same text, the same code.
std::string shortCode(std::string_view text, std::size_t length);
