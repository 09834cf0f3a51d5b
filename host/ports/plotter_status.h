// What a plotter's answers to its status queries mean, for the user: the
// extended status (ESC.O), the extended error (ESC.E) and the instruction
// error (OE).
#pragma once

#include <optional>
#include <string>

namespace tvk::host {

// ESC.O: bit 8 buffer empty, 16 VIEW pressed, 32 paper lever raised.
constexpr int kStatusBufferEmpty = 8;
constexpr int kStatusViewPressed = 16;
constexpr int kStatusLeverRaised = 32;

// "paper lever raised", "VIEW pressed"; empty where the plotter is ready.
std::string waiting_reason(int extended_status);
// ESC.E: "the plotter's input buffer overflowed", "an interface error (12)";
// empty for 0.
std::string extended_error_text(int code);
// OE: "an unknown instruction", "a wrong number of parameters", ...; empty for 0.
std::string instruction_error_text(int code);

// A number the plotter answered ("1024\r"); none where it is not one.
std::optional<int> reply_number(const std::string& reply);

}  // namespace tvk::host
