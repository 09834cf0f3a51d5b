// What every command that talks to the driver sets up: the screen and its
// prompts, the host session, the definition file's directory and the loaded
// driver; and the choice of model and profile they share.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "host/commands/commands.h"
#include "host/link/driver_connection.h"
#include "host/settings/locations.h"
#include "host/settings/profile.h"
#include "host/ui/terminal.h"

namespace tvk::host {

struct Model {
    int number = 0;  // 1-based, in the definition file's list
    std::string name;
};

class DriverHost {
  public:
    DriverHost(const GlobalOptions& global, std::FILE* screen, bool interactive);

    // Initialise, language and open on one entry.
    void start(EntryKind entry);
    // The configuration entry opened, and the model list read.
    const std::vector<std::string>& models();
    // The model of that name; throws HostError listing the models when the
    // definition file has none of that name.
    Model model(const std::string& name);
    // The model a profile was configured for; throws HostError naming the
    // profile when the definition file does not list it.
    Model model_of(const Profile& profile, const std::string& profile_path);
    // From the next start on, the driver hands over its bytes for `model`
    // as it makes them, without collecting them in its output buffer.
    void unbuffered_output(const std::string& model);

    Terminal terminal;
    HostSession session;
    DefinitionDirectory definitions;
    DriverConnection driver;

  private:
    std::string language_;
    std::vector<std::string> models_;
    bool models_read_ = false;
};

// The commands' prompts are interactive when standard input is a terminal
// and --yes was not given.
bool prompts_interactive(const GlobalOptions& global);

// The definition file the commands use: --def, else the bundled one.
std::string definition_file(const GlobalOptions& global);

// load_profile, its message telling how to make the profile anew.
Profile open_profile(const std::string& path);

// The configuration dialog with every question taking its default (the
// answers of the session's stored block, or the model's with `fresh`); its
// texts are shown only when the driver fails, before the driver pauses.
Profile configure_quietly(DriverHost& host, const Model& model, bool fresh);

// The profile's answers in the driver's stored block: the block with the
// port settings and the polygon-fill answer of the profile, as the user
// would have answered the driver's questions.
StoredBlock profile_answers(const Profile& profile);

// The profile checked against what the driver says for its model as the
// definition file stands: the plotter and paper sections must be what the
// driver reports, the port settings and the polygon-fill answer ones the
// driver takes for the model. Throws HostError naming the profile, the key,
// the value and what the driver allows. The result carries the driver's own
// block for those answers.
Profile checked_profile(DriverHost& host, const Model& model, const Profile& profile,
                        const std::string& path);

}  // namespace tvk::host
