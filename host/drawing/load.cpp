// Drawings of every kind the program reads, told apart by their content.
#include <filesystem>

#include "host/drawing/drawing_file.h"
#include "host/drawing/dxf/expand.h"
#include "host/drawing/model/drawing.h"
#include "host/drawing/model/entities.h"
#include "host/drawing/pdf/pdf_reader.h"
#include "host/drawing/plotfile/plot_file.h"
#include "host/drawing/svg/svg_reader.h"
#include "host/drawing/text/stroke_font.h"

namespace tvk::host {

namespace {

// What is read of a file to tell its kind.
constexpr std::size_t kHeadSize = 4096;

// The extension that names the drawing's kind: ".svg" of "a.svgz", ".dxf"
// of "a.dxf.gz".
std::string lower_extension(const std::string& path) {
    const auto lower = [](std::string ext) {
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return ext;
    };
    std::filesystem::path p(path);
    std::string ext = lower(p.extension().string());
    if (ext == ".gz") ext = lower(p.stem().extension().string());
    if (ext == ".svgz") ext = ".svg";
    return ext;
}

// The next line of `text` from `at`, without its blanks.
std::string trimmed_line(const std::string& text, std::size_t& at) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    std::string line = text.substr(at, end - at);
    at = end + 1;
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

DrawingKind drawing_kind(const std::string& head, const std::string& path) {
    std::size_t at = head.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    at = std::min(head.find_first_not_of(" \t\r\n", at), head.size());
    if (head.rfind("%PDF-", 0) == 0) return DrawingKind::kPdf;
    if (head.compare(at, 1, "<") == 0) return DrawingKind::kSvg;
    if (head.rfind("AutoCAD Binary DXF", 0) == 0) return DrawingKind::kDxf;
    // ASCII DXF opens with group 0 (SECTION) or a 999 comment.
    const std::string first = trimmed_line(head, at);
    if (first == "0" || first == "999") return DrawingKind::kDxf;
    const std::string ext = lower_extension(path);
    if (ext == ".dxf") return DrawingKind::kDxf;
    if (ext == ".svg") return DrawingKind::kSvg;
    return DrawingKind::kPlot;
}

Drawing Drawing::load(const std::string& path, const LoadOptions& options) {
    NoProgress progress;
    return load(path, options, progress);
}

Drawing Drawing::load(const std::string& path, const LoadOptions& options, WorkProgress& progress) {
    switch (drawing_kind(read_drawing_head(path, kHeadSize), path)) {
        case DrawingKind::kDxf:
            return load_dxf(path, progress);
        case DrawingKind::kSvg:
            return from_svg(read_drawing_file(path, progress), path);
        case DrawingKind::kPdf:
            return from_pdf(read_drawing_file(path, progress), path, std::max(options.page, 1));
        case DrawingKind::kPlot:
            break;
    }
    return from_plot(read_drawing_file(path, progress), path, options);
}

int Drawing::plot_pages(const std::string& path, const LoadOptions& options) {
    try {
        if (drawing_kind(read_drawing_head(path, kHeadSize), path) != DrawingKind::kPlot) return 1;
        NoProgress progress;
        return plot_file_pages(read_drawing_file(path, progress),
                               {options.units_per_inch, options.language, 0});
    } catch (const std::exception&) {
        return 1;  // reading it for the plot says what is wrong
    }
}

Drawing Drawing::from_svg(const std::string& contents, const std::string& name) {
    auto impl = std::make_shared<Impl>();
    std::vector<std::string> notes;
    read_svg(contents, name, *impl, notes);
    return made_of(std::move(impl), std::move(notes));
}

Drawing Drawing::from_pdf(const std::string& contents, const std::string& name, int page) {
    auto impl = std::make_shared<Impl>();
    std::vector<std::string> notes;
    read_pdf(contents, name, page, *impl, notes);
    return made_of(std::move(impl), std::move(notes));
}

Drawing Drawing::from_plot(const std::string& contents, const std::string& name,
                           double units_per_inch) {
    LoadOptions options;
    options.units_per_inch = units_per_inch;
    return from_plot(contents, name, options);
}

Drawing Drawing::from_plot(const std::string& contents, const std::string& name,
                           const LoadOptions& options) {
    auto impl = std::make_shared<Impl>();
    std::vector<std::string> notes;
    read_plot_file(contents, name, {options.units_per_inch, options.language, options.page}, *impl,
                   notes);
    return made_of(std::move(impl), std::move(notes));
}

}  // namespace tvk::host
