// Blanks and letter case of ASCII text, as the text readers and the input listing test
// them.
#pragma once

#include <string_view>

// A blank within a line: space, tab, carriage return, vertical tab or form feed.
inline bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

inline char toLowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Whether the text ends in the suffix, given in lower case, in either case.
inline bool endsWithIgnoringCase(std::string_view text, std::string_view lowerSuffix) {
    if (text.size() < lowerSuffix.size()) return false;
    for (size_t i = 0; i < lowerSuffix.size(); i++) {
        if (toLowerAscii(text[text.size() - lowerSuffix.size() + i]) != lowerSuffix[i])
            return false;
    }
    return true;
}
