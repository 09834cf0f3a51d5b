#include "host/commands/driver_host.h"

#include <unistd.h>

#include <fstream>
#include <iterator>

#include "host/link/configuration.h"
#include "host/settings/unbuffered_definitions.h"
#include "host/ui/display_text.h"

namespace tvk::host {
namespace {

// True when the [MESSAGE] section of the definition file has a block whose
// header is "<BLOCK>"; an unreadable file says yes (the driver reports it).
bool has_text_block(const std::string& path, const std::string& block) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return true;
    const std::string header = "<" + block + ">";
    bool messages = false;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("[")) {
            messages = line.starts_with("[MESSAGE]");
        } else if (messages && line.starts_with(header)) {
            return true;
        }
    }
    return false;
}

}  // namespace

DriverHost::DriverHost(const GlobalOptions& global, std::FILE* screen, bool interactive)
    : terminal(screen, interactive),
      session(terminal, global.language),
      definitions(definition_file(global)),
      driver(global.driver.empty() ? default_driver_path() : global.driver, session),
      language_(global.language) {
    if (definitions.host_path() != definitions.definition_file()) {
        session.definition_alias = definitions.host_path();
        session.definition_file = definitions.definition_file();
    }
    if (!driver_knows_language(language_)) {
        std::fprintf(stderr,
                     "tvkplot: the driver has no texts in the language \"%s\" and shows its "
                     "English ones (it knows DE, EL, ES, FR, IT, JA, KO, NL, NO, PT, RU and SV)\n",
                     language_.c_str());
    } else if (const std::string block = language_block(language_);
               block != "ENGLISH" && !has_text_block(definitions.definition_file(), block)) {
        std::fprintf(stderr,
                     "tvkplot: %s has no texts in the language \"%s\" (no <%s> block): the "
                     "driver shows its English ones\n",
                     definitions.definition_file().c_str(), language_.c_str(), block.c_str());
    }
}

void DriverHost::unbuffered_output(const std::string& model) {
    std::ifstream in(definitions.definition_file(), std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in.good() && !in.eof()) return;  // the driver reports the file it cannot read
    const std::string copy = without_output_buffer(text, model);
    if (copy == text) return;
    definitions.use_text(copy);
    session.definition_alias = definitions.host_path();
    session.definition_file = definitions.definition_file();
}

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

Model DriverHost::model_of(const Profile& profile, const std::string& profile_path) {
    const int number = model_number(models(), profile.model);
    if (number > 0) return {number, models()[static_cast<size_t>(number - 1)]};
    throw HostError("the profile " + profile_path + " is for the model " + profile.model +
                    ", which " + definitions.definition_file() +
                    " does not list: give the definition file it was configured with (--def "
                    "FILE), or configure a model of this one (tvkplot configure)");
}

std::string definition_file(const GlobalOptions& global) {
    return global.definition.empty() ? default_definition_path() : global.definition;
}

Profile open_profile(const std::string& path) {
    try {
        return load_profile(path);
    } catch (const HostError& e) {
        throw HostError(std::string(e.what()) + "\n  `tvkplot configure --profile " + path +
                        "` makes it anew");
    }
}

Profile configure_quietly(DriverHost& host, const Model& model, bool fresh) {
    Terminal& t = host.terminal;
    t.hold();
    const bool interactive = t.interactive();
    t.set_interactive(false);
    try {
        Profile p = configure_model(host.driver, model.number, model.name, fresh);
        t.set_interactive(interactive);
        t.drop();
        return p;
    } catch (...) {
        t.set_interactive(interactive);
        t.release();
        throw;
    }
}

bool prompts_interactive(const GlobalOptions& global) {
    return !global.yes && isatty(STDIN_FILENO) == 1;
}

}  // namespace tvk::host
