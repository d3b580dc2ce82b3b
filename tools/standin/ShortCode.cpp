#include "ShortCode.h"

#include <cstdint>

std::string shortCode(std::string_view text, std::size_t length)
{
    static constexpr std::string_view Alphabet =
        "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    // FNV-1a: stable across runs and platforms, unlike std::hash.
    std::uint64_t hash = 14695981039346656037ULL;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ULL;
    }
    std::string code;
    for (std::size_t i = 0; i < length; ++i) {
        code += Alphabet[hash % Alphabet.size()];
        hash /= Alphabet.size();
        if (hash == 0)
            hash = 0x9E3779B97F4A7C15ULL ^ i;
    }
    return code;
}
