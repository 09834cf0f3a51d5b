// Pieces the commands' options share.
#include <charconv>

#include "host/commands/commands.h"

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

void add_wait_option(CLI::App& command, std::optional<int>& seconds) {
    command
        .add_option("--wait", seconds,
                    "Seconds the plotter may take nothing before the plot fails (default: the "
                    "model's WAIT_TIME in a plot, else 120; 0: no limit)")
        ->type_name("SECONDS")
        ->check(CLI::Range(0, 86400));
}

}  // namespace tvk::host
