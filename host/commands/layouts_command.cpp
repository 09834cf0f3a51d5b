// tvkplot layouts: the paper-space layouts of a drawing, with their papers.
#include <cstdio>
#include <memory>

#include "host/commands/commands.h"
#include "host/drawing/model/drawing.h"

namespace tvk::host {
namespace {

int run_layouts(const std::string& path) {
    const Drawing drawing = Drawing::load_dxf(path);
    const auto layouts = drawing.layouts();
    if (layouts.empty()) {
        std::printf("%s has no paper-space layouts: `tvkplot plot` draws its model space.\n",
                    path.c_str());
        return 0;
    }
    std::printf("Layouts of %s (plot one with --layout NAME):\n", path.c_str());
    for (const auto& l : layouts) {
        char paper[64] = "no paper set";
        if (l.paper_width_mm > 0 && l.paper_height_mm > 0) {
            std::snprintf(paper, sizeof paper, "%.0f x %.0f mm", l.paper_width_mm,
                          l.paper_height_mm);
        }
        std::printf("  %-24s %-18s %d viewport%s\n", l.name.c_str(), paper, l.viewports,
                    l.viewports == 1 ? "" : "s");
    }
    return 0;
}

}  // namespace

Command add_layouts_command(CLI::App& app) {
    auto path = std::make_shared<std::string>();
    CLI::App* command =
        app.add_subcommand("layouts", "List a drawing's paper-space layouts with their papers");
    command->add_option("drawing", *path, "The drawing")->required()->type_name("DRAWING");
    return {command, [path] { return run_layouts(*path); }};
}

}  // namespace tvk::host
