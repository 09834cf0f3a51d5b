// tvkplot layers: a drawing's layers with their colour, line type, entity
// count and whether they are on, frozen and plotted; or the same as JSON.
#include <cstdio>
#include <memory>

#include "host/commands/commands.h"
#include "host/drawing/model/drawing.h"
#include "host/ui/plot_report.h"

namespace tvk::host {
namespace {

struct LayersOptions {
    std::string path;
    std::string layout;
    bool json = false;
};

// The ACI colours that have names.
std::string colour_text(int colour) {
    static const char* const kNames[] = {"", "red", "yellow", "green", "cyan",
                                         "blue", "magenta", "white"};
    std::string text = std::to_string(colour);
    if (colour >= 1 && colour <= 7) text += std::string(" (") + kNames[colour] + ")";
    return text;
}

std::string hex(int32_t rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(rgb) & 0xFFFFFF);
    return text;
}

bool plotted(const Drawing::LayerInfo& l) {
    return !l.off && !l.frozen;
}

int run_layers(const LayersOptions& o) {
    Drawing drawing = Drawing::load(o.path);
    if (!o.layout.empty()) drawing.use_layout(o.layout);
    const auto layers = drawing.layers();
    if (o.json) {
        std::string list;
        for (const auto& l : layers) {
            list += std::string(list.empty() ? "" : ",") + "{\"name\":" + json_string(l.name) +
                    ",\"colour\":" + std::to_string(l.color) + ",\"true_colour\":" +
                    (l.true_color >= 0 ? json_string(hex(l.true_color)) : "null") +
                    ",\"line_type\":" + json_string(l.linetype) +
                    ",\"entities\":" + std::to_string(l.entities) +
                    ",\"on\":" + (l.off ? "false" : "true") +
                    ",\"frozen\":" + (l.frozen ? "true" : "false") +
                    ",\"plotted\":" + (plotted(l) ? "true" : "false") +
                    ",\"in_table\":" + (l.in_table ? "true" : "false") + "}";
        }
        std::printf("{\"drawing\":%s,\"layers\":[%s]}\n", json_string(o.path).c_str(),
                    list.c_str());
        return 0;
    }
    if (layers.empty()) {
        std::printf("%s has no layers.\n", o.path.c_str());
        return 0;
    }
    std::printf("Layers of %s (choose with --layers A,B or --exclude-layers A,B):\n",
                o.path.c_str());
    std::printf("  %-24s %-14s %-14s %9s  %s\n", "LAYER", "COLOUR", "LINE TYPE", "ENTITIES",
                "STATE");
    for (const auto& l : layers) {
        std::string colour = colour_text(l.color);
        if (l.true_color >= 0) colour = hex(l.true_color);
        std::string state = l.off ? "off" : "on";
        if (l.frozen) state += ", frozen";
        state += plotted(l) ? ", plotted" : ", not plotted";
        if (!l.in_table) state += " (not in the layer table)";
        std::printf("  %-24s %-14s %-14s %9d  %s\n", l.name.c_str(), colour.c_str(),
                    l.linetype.c_str(), l.entities, state.c_str());
    }
    return 0;
}

}  // namespace

Command add_layers_command(CLI::App& app) {
    auto o = std::make_shared<LayersOptions>();
    CLI::App* command = app.add_subcommand(
        "layers", "List a drawing's layers: colour, line type, entities, on, frozen, plotted");
    command->add_option("drawing", o->path, "The drawing")->required()->type_name("DRAWING");
    command
        ->add_option("--layout", o->layout,
                     "Count the entities of this paper-space layout instead of model space")
        ->type_name("NAME");
    command->add_flag("--json", o->json, "The layers as one JSON object on standard output");
    return {command, [o] { return run_layers(*o); }};
}

}  // namespace tvk::host
