// tvkplot models: the models of the definition file.
#include <cstdio>

#include "host/commands/commands.h"
#include "host/commands/driver_host.h"

namespace tvk::host {
namespace {

int run_models(const GlobalOptions& global) {
    DriverHost host(global, stdout, false);
    const auto& names = host.models();
    std::printf("Plotter models in %s:\n", host.definitions.definition_file().c_str());
    for (size_t i = 0; i < names.size(); ++i) std::printf("%4zu  %s\n", i + 1, names[i].c_str());
    return 0;
}

}  // namespace

Command add_models_command(CLI::App& app, const GlobalOptions& global) {
    CLI::App* command =
        app.add_subcommand("models", "List the plotter models of the definition file");
    return {command, [&global] { return run_models(global); }};
}

}  // namespace tvk::host
