#include "host/driver_host.h"

#include <unistd.h>

#include "host/configuration.h"

namespace tvk::host {

DriverHost::DriverHost(const GlobalOptions& global, std::FILE* screen, bool interactive)
    : terminal(screen, interactive),
      session(terminal),
      definitions(global.definition.empty() ? default_definition_path() : global.definition),
      driver(global.driver.empty() ? default_driver_path() : global.driver, session),
      language_(global.language) {}

void DriverHost::start(EntryKind entry) {
    driver.start(entry, definitions.host_path(), language_);
}

const std::vector<std::string>& DriverHost::models() {
    if (!models_read_) {
        start(EntryKind::kConfig);
        models_ = model_names(driver);
        models_read_ = true;
        if (models_.empty()) throw DriverFailure("the definition file lists no plotter models");
    }
    return models_;
}

Model DriverHost::model(const std::string& name) {
    const auto& names = models();
    const int number = model_number(names, name);
    if (number > 0) return {number, names[static_cast<size_t>(number - 1)]};
    std::string known;
    for (const auto& n : names) known += "\n  " + n;
    throw HostError("no model \"" + name + "\" in " + definitions.definition_file() +
                    "; its models are:" + known);
}

bool prompts_interactive(const GlobalOptions& global) {
    return !global.yes && isatty(STDIN_FILENO) == 1;
}

}  // namespace tvk::host
