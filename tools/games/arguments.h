// What the tools' command lines share.
#pragma once

#include <cstdlib>
#include <string>

// Reads a whole decimal number from low to high into value; false, with value unchanged, for
// anything else.
inline bool parseNumber(const std::string& text, long low, long high, int& value) {
    char* end = nullptr;
    long parsed = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || parsed < low || parsed > high) return false;
    value = int(parsed);
    return true;
}
