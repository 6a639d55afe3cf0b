// JSON text for the worker's structured calls: strings escaped, fields appended.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// The text as a JSON string: quotes, backslashes and control characters escaped; other
// bytes (UTF-8) as they are.
inline void appendJsonString(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (uint8_t(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
}

// "name":"text", with a comma after it.
inline void appendField(std::string& out, const char* name, std::string_view text) {
    out += '"';
    out += name;
    out += "\":";
    appendJsonString(out, text);
    out += ',';
}
