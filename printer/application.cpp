#include "printer/application.h"

#include <cstring>

#include "host/commands/driver_host.h"
#include "printer/model_questions.h"

namespace tvk::printer {

Application& application() {
    static Application app;
    return app;
}

void Application::take_options(int& argc, char** argv) {
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const bool def = std::strcmp(argv[i], "--def") == 0;
        const bool driver = std::strcmp(argv[i], "--driver") == 0;
        if ((def || driver) && i + 1 < argc) {
            (def ? global_.definition : global_.driver) = argv[++i];
            continue;
        }
        if (std::strcmp(argv[i], "server") == 0) serving_ = true;
        argv[kept++] = argv[i];
    }
    argc = kept;
    argv[argc] = nullptr;
    global_.yes = true;  // nobody answers questions at a print server
}

void Application::read_models() {
    const std::lock_guard lock(driver_lock_);
    std::vector<std::string> names;
    {
        host::DriverHost host(global_, stderr, false);
        names = host.models();
    }
    // A session of its own for each model, as tvkplot configures one.
    for (size_t i = 0; i < names.size(); ++i) {
        host::DriverHost host(global_, stderr, false);
        host.models();
        const host::Model model{static_cast<int>(i + 1), names[i]};
        PlotterModel m{names[i], host::configure_quietly(host, model, true), model.number, {}};
        m.papers = model_papers(global_, m.number, m.defaults);
        m.asked_flags = asked_flags(global_, m.number, m.name, m.defaults);
        models_.push_back(std::move(m));
    }
}

const PlotterModel* Application::model(const std::string& name) const {
    for (const PlotterModel& m : models_) {
        if (m.name == name) return &m;
    }
    return nullptr;
}

}  // namespace tvk::printer
