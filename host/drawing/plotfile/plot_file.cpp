#include "host/drawing/plotfile/plot_file.h"

#include <cstdio>

#include "host/drawing/plotfile/interpreter.h"
#include "host/drawing/plotfile/language.h"
#include "host/drawing/plotfile/vtx_gl.h"

namespace tvk::host {

using plotfile::PlotLanguage;

void read_plot_file(const std::string& contents, const std::string& name,
                    const PlotFileOptions& options, Drawing::Impl& drawing,
                    std::vector<std::string>& notes) {
    if (!(options.units_per_inch > 0))
        throw DrawingError(name + ": the plotter units per inch must be above 0");
    plotfile::LanguageChoice choice;
    if (options.language.empty()) {
        choice = plotfile::choose_language(contents);
    } else {
        const auto named = plotfile::plot_language_from_name(options.language);
        if (!named)
            throw DrawingError(name + ": no plot-file language \"" + options.language +
                               "\" (HP-GL, HP-GL/2 or VTX-GL)");
        choice.language = *named;
    }
    notes.push_back(plotfile::language_note(choice));
    const std::string nothing = name +
                                ": not a drawing: neither DXF nor SVG, and as a plot file (read "
                                "as " +
                                plotfile::plot_language_name(choice.language) +
                                ") it draws nothing";
    drawing.layers.try_emplace("0");

    if (choice.language == PlotLanguage::kVtxGl) {
        if (options.page > 1) throw DrawingError(name + ": a VTX-GL file has one page");
        if (!plotfile::read_vtx_gl(contents, options.units_per_inch, drawing.entities))
            throw DrawingError(nothing);
        return;
    }

    plotfile::Interpreter interpreter(choice.language == PlotLanguage::kHpgl2,
                                      options.units_per_inch, drawing);
    interpreter.run(contents);
    auto& pages = interpreter.pages();
    while (pages.size() > 1 && pages.back().empty()) pages.pop_back();
    const int count = static_cast<int>(pages.size());
    const int page = options.page > 0 ? options.page : 1;
    if (page > count)
        throw DrawingError(name + ": there is no page " + std::to_string(page) + ": the file has " +
                           std::to_string(count) + (count == 1 ? " page" : " pages"));
    if (count > 1 && options.page == 0)
        notes.push_back("The file has " + std::to_string(count) +
                        " pages; page 1 is plotted (--page N plots another).");
    if (count > 1 && options.page > 0)
        notes.push_back("Page " + std::to_string(page) + " of " + std::to_string(count) + ".");
    drawing.entities = std::move(pages[static_cast<size_t>(page - 1)]);
    if (drawing.entities.empty()) throw DrawingError(nothing);
    for (const auto& [instruction, what] : interpreter.not_drawn()) {
        Entity e;
        e.layer = "0";
        e.what = Unsupported{"HP-GL " + instruction + " (the first at byte " +
                             std::to_string(what.offset) + ")"};
        for (int i = 0; i < what.count; ++i) drawing.entities.push_back(e);
    }
    if (const auto& speeds = interpreter.pen_speeds(); !speeds.empty()) {
        std::string asked;
        for (const auto& [pen, speed] : speeds) {
            char text[64];
            std::snprintf(text, sizeof text, "%s%s %g cm/s", asked.empty() ? "" : ", ",
                          pen == 0 ? "every pen" : ("pen " + std::to_string(pen)).c_str(), speed);
            asked += text;
        }
        // A file slows a pen for a reason (a pen type, a medium): the plot
        // draws that pen no faster on a plotter whose pens have speeds.
        for (const auto& [pen, speed] : speeds)
            drawing.pen_speeds[pen <= 255 ? pen : (pen - 1) % 255 + 1] = speed;
        notes.push_back("The file asks for pen speeds (VS: " + asked +
                        "); on a plotter whose pens have speeds, a pen it slows below the "
                        "profile's speed is drawn at the file's (--speed PEN=CM_S sets another).");
    }
    if (interpreter.line_attributes())
        notes.push_back(
            "The file sets line ends and joins (LA); the target plotter draws its own.");
    if (interpreter.truncated())
        notes.push_back("Drawn up to " + std::to_string(plotfile::PenOutput::kMaxPoints) +
                        " points, the most a plot file may draw; the rest is not drawn.");
}

int plot_file_pages(const std::string& contents, const PlotFileOptions& options) {
    PlotLanguage language = plotfile::choose_language(contents).language;
    if (!options.language.empty()) {
        const auto named = plotfile::plot_language_from_name(options.language);
        if (named) language = *named;
    }
    if (language == PlotLanguage::kVtxGl || !(options.units_per_inch > 0)) return 1;
    Drawing::Impl scratch;
    plotfile::Interpreter interpreter(language == PlotLanguage::kHpgl2, options.units_per_inch,
                                      scratch);
    interpreter.run(contents);
    auto& pages = interpreter.pages();
    while (pages.size() > 1 && pages.back().empty()) pages.pop_back();
    return static_cast<int>(pages.size());
}

}  // namespace tvk::host
