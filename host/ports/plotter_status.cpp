#include "host/ports/plotter_status.h"

#include <cctype>

namespace tvk::host {

std::string waiting_reason(int extended_status) {
    if (extended_status & kStatusLeverRaised) return "paper lever raised";
    if (extended_status & kStatusViewPressed) return "VIEW pressed";
    return {};
}

std::string extended_error_text(int code) {
    if (code == 0) return {};
    if (code == 16) return "the plotter's input buffer overflowed";
    if (code >= 10 && code <= 15) return "an interface error (" + std::to_string(code) + ")";
    return "error " + std::to_string(code);
}

std::string instruction_error_text(int code) {
    switch (code) {
        case 0:
            return {};
        case 1:
            return "an unknown instruction";
        case 2:
            return "a wrong number of parameters";
        case 3:
            return "a parameter out of range";
        case 7:
            return "the plotter's buffer overflowed";
        default:
            return "instruction error " + std::to_string(code);
    }
}

std::optional<int> reply_number(const std::string& reply) {
    size_t i = 0;
    while (i < reply.size() && (reply[i] == ' ' || reply[i] == '\n')) ++i;
    long value = 0;
    size_t digits = 0;
    for (; i < reply.size() && std::isdigit(static_cast<unsigned char>(reply[i])) && digits < 9;
         ++i, ++digits) {
        value = value * 10 + (reply[i] - '0');
    }
    if (digits == 0) return std::nullopt;
    while (i < reply.size() && (reply[i] == ' ' || reply[i] == '\r' || reply[i] == '\n')) ++i;
    if (i != reply.size()) return std::nullopt;
    return static_cast<int>(value);
}

}  // namespace tvk::host
