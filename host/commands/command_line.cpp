// Pieces the commands' options share.
#include <charconv>
#include <cstdio>

#include "host/commands/commands.h"
#include "host/commands/plot_options.h"

namespace tvk::host {

const char* const kYesHelp = "Take every question's default (as when input is not a terminal)";

CLI::Validator above_zero(const std::string& what) {
    return CLI::Validator(
        [what](std::string& text) -> std::string {
            double value = 0;
            const char* end = text.data() + text.size();
            const auto [ptr, ec] = std::from_chars(text.data(), end, value);
            if (ec != std::errc() || ptr != end || !(value > 0)) {
                return "must be a number above 0 (" + what + "), not \"" + text + "\"";
            }
            return {};
        },
        "NUMBER>0");
}

namespace {
std::string written(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}
}  // namespace

CLI::Validator in_range(double low, double high, const std::string& what, bool whole) {
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            double value = 0;
            const char* end = text.data() + text.size();
            const auto [ptr, ec] = std::from_chars(text.data(), end, value);
            if (ec != std::errc() || ptr != end || !(value >= low && value <= high) ||
                (whole && value != static_cast<double>(static_cast<long long>(value)))) {
                return "must be " + std::string(whole ? "a whole number of " : "") + what +
                       " from " + written(low) + " to " + written(high) + ", not \"" + text +
                       "\"";
            }
            return {};
        },
        "");
}

void add_wait_option(CLI::App& command, std::optional<int>& seconds) {
    command
        .add_option("--wait", seconds,
                    "Seconds the plotter may take nothing before the plot fails (default: the "
                    "model's WAIT_TIME in a plot, else 120; 0: no limit)")
        ->type_name("SECONDS")
        ->check(in_range(0, 86400, "seconds", true));
}

}  // namespace tvk::host

namespace tvk::host {
namespace {
std::vector<std::string>& command_line_store() {
    static std::vector<std::string> args;
    return args;
}
}  // namespace

void remember_command_line(int argc, char** argv) {
    command_line_store().assign(argv + (argc > 0 ? 1 : 0), argv + argc);
}

const std::vector<std::string>& remembered_command_line() {
    return command_line_store();
}

}  // namespace tvk::host
