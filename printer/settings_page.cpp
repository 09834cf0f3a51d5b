#include "printer/settings_page.h"

#include <sys/socket.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

#include "host/commands/driver_host.h"
#include "host/host_error.h"
#include "host/link/configuration.h"
#include "host/plotting/pen_choices.h"
#include "printer/application.h"
#include "printer/model_questions.h"
#include "printer/new_sheet.h"
#include "printer/printer_driver.h"
#include "printer/printer_profile.h"

namespace tvk::printer {
namespace {

constexpr double kMmPerInch = 25.4;
constexpr int kTkGl3 = 3;                       // the plotter language that draws copies itself
constexpr size_t kCopiesAt = 4, kPaperAt = 20;  // in the driver's stored block
constexpr uint16_t kFillsPolygons = 0x0100;
constexpr int kBauds[] = {150, 300, 600, 1200, 2400, 4800, 9600, 19200};

void put16(host::StoredBlock& b, size_t at, int value) {
    b[at] = static_cast<uint8_t>(value & 0xFF);
    b[at + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}
void put32(host::StoredBlock& b, size_t at, int value) {
    put16(b, at, value & 0xFFFF);
    put16(b, at + 2, (value >> 16) & 0xFFFF);
}
int copies_of(const host::Profile& p) {
    return p.stored[kCopiesAt] | p.stored[kCopiesAt + 1] << 8;
}

// The width a pen draws with: that of the first colour on it.
double pen_width_mm(const host::Profile& p, int pen) {
    for (size_t c = 0; c < p.pen_by_colour.size(); ++c) {
        if (p.pen_by_colour[c] == pen) return p.width_by_colour[c] * kMmPerInch;
    }
    return p.pen_width * kMmPerInch;
}

std::string hex_colour(uint32_t rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
    return text;
}

std::optional<uint32_t> parse_colour(const std::string& text) {
    if (text.size() != 7 || text[0] != '#' ||
        text.find_first_not_of("0123456789abcdefABCDEF", 1) != std::string::npos)
        return std::nullopt;
    return static_cast<uint32_t>(std::strtoul(text.c_str() + 1, nullptr, 16));
}

std::optional<int> parse_whole(const char* text) {
    if (text == nullptr || *text == '\0') return std::nullopt;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (*end != '\0' || v < 0 || v > 1000000) return std::nullopt;
    return static_cast<int>(v);
}

class Form {
  public:
    Form(int count, cups_option_t* options) : count_(count), options_(options) {}
    const char* get(const std::string& name) const {
        return cupsGetOption(name.c_str(), count_, options_);
    }
    // A whole number the form must hold; HostError naming the field otherwise.
    int whole(const std::string& name, const std::string& label) const {
        const auto v = parse_whole(get(name));
        if (!v) throw host::HostError(label + ": not a whole number");
        return *v;
    }

  private:
    int count_;
    cups_option_t* options_;
};

// The profile with the form's answers: the configuration's through the
// driver's dialog (as `tvkplot configure` gives them), the pen table's set
// on the result. Throws HostError naming what the plotter does not take.
host::Profile edited_profile(const PlotterModel& model, const host::Profile& old,
                             const Form& form) {
    host::Profile asked = old;
    if (form.get("paper") != nullptr) {
        const int paper = form.whole("paper", "Paper");
        bool known = false;
        for (const Paper& p : model.papers) known = known || (p.number == paper && paper > 0);
        if (!known) throw host::HostError("Paper: the " + model.name + " has no such paper");
        put32(asked.stored, kPaperAt, paper);
    }
    if (form.get("copies") != nullptr) {
        const int copies = form.whole("copies", "Copies");
        if (copies < 1 || copies > 100) throw host::HostError("Copies: 1 to 100");
        put16(asked.stored, kCopiesAt, copies);
    }
    if (form.get("flags") != nullptr) {
        uint16_t flags = flags_of(asked.stored);
        for (const FlagQuestion& q : flag_questions()) {
            if ((model.asked_flags & q.bit) == 0) continue;
            const bool yes = form.get("flag" + std::to_string(q.bit)) != nullptr;
            flags = static_cast<uint16_t>(yes ? flags | q.bit : flags & ~q.bit);
            // The polygon-fill answer is kept in the pen options too.
            if (q.bit == kFillsPolygons) {
                asked.pen_options = static_cast<uint16_t>(yes ? asked.pen_options | q.bit
                                                              : asked.pen_options & ~q.bit);
            }
        }
        set_flags(asked.stored, flags);
    }
    if (old.port_kind == 1 && form.get("baud") != nullptr) {
        asked.line.baud = form.whole("baud", "Baud rate");
        asked.line.data_bits = form.whole("data_bits", "Data bits");
        asked.line.parity = form.whole("parity", "Parity");
        asked.line.stop_bits = form.whole("stop_bits", "Stop bits");
        asked.line.handshake = form.whole("handshake", "Handshake");
    }

    host::Profile fresh;
    {
        // A job plotting holds the driver, maybe for hours: the page does not wait.
        const std::unique_lock lock(application().driver_lock(), std::try_to_lock);
        if (!lock.owns_lock()) {
            throw host::HostError("A job is plotting: save the settings again once it is done.");
        }
        host::DriverHost host(application().global(), stderr, false);
        host.models();
        host.session.stored = host::profile_answers(asked);
        fresh = host::configure_quietly(host, {model.number, model.name}, false);
    }
    if (fresh.line.baud != asked.line.baud) {
        throw host::HostError("Baud rate: the " + model.name + " does not take " +
                              std::to_string(asked.line.baud) + " baud (its driver gives " +
                              std::to_string(fresh.line.baud) + ")");
    }
    // The colour tables, timing figures and status queries are the user's.
    fresh.timing = old.timing;
    fresh.status_queries = old.status_queries;
    host::keep_colour_tables(old, fresh);
    fresh.line = asked.line;

    for (int pen = 1; pen <= fresh.pens; ++pen) {
        const std::string key = "pen" + std::to_string(pen);
        if (const char* colour = form.get(key + ".colour")) {
            const char* was = form.get(key + ".was");
            const auto rgb = parse_colour(colour);
            if (!rgb) throw host::HostError("Pen " + std::to_string(pen) + ": not a colour");
            // An ink the pen had, or one changed: kept; the picker's black of a
            // pen without one stays none.
            if (fresh.pen_colour.count(pen) != 0 || was == nullptr || was != std::string(colour))
                fresh.pen_colour[pen] = *rgb;
        }
        if (const char* width = form.get(key + ".width"); width != nullptr && *width != '\0') {
            char* end = nullptr;
            const double mm = std::strtod(width, &end);
            if (*end != '\0' || !(mm > 0) || mm > host::kMaxPenWidthMm) {
                throw host::HostError("Pen " + std::to_string(pen) +
                                      ": a width above 0 up to 50 mm");
            }
            if (std::abs(mm - pen_width_mm(fresh, pen)) >= 0.005) {
                for (size_t c = 0; c < fresh.pen_by_colour.size(); ++c) {
                    if (fresh.pen_by_colour[c] == pen) fresh.width_by_colour[c] = mm / kMmPerInch;
                }
            }
        }
    }
    return fresh;
}

// Written beside the old one and checked as every reader checks it, then
// put in its place: a profile the next job cannot read is never left.
void replace_profile(const host::Profile& profile, const std::string& path) {
    const std::string fresh = path + ".new";
    host::save_profile(profile, fresh);
    try {
        host::load_profile(fresh);
    } catch (...) {
        std::remove(fresh.c_str());
        throw;
    }
    std::filesystem::rename(fresh, path);
}

// The printer's media default and loaded paper follow the profile's paper.
void follow_paper(pappl_printer_t* printer, const PlotterModel& model,
                  const host::Profile& profile) {
    const Paper* paper = profile_paper(model.papers, profile);
    if (paper == nullptr) return;
    pappl_pr_driver_data_t data;
    papplPrinterGetDriverData(printer, &data);
    set_media_col(data.media_default, *paper);
    papplPrinterSetDriverDefaults(printer, &data, 0, nullptr);
    pappl_media_col_t ready = data.media_ready[0];
    set_media_col(ready, *paper);
    papplPrinterSetReadyMedia(printer, 1, &ready);
}

void selected(pappl_client_t* client, bool is) {
    if (is) papplClientHTMLPuts(client, " selected");
}

void show_form(pappl_client_t* client, const PlotterModel& model, const host::Profile& p) {
    papplClientHTMLStartForm(client, papplClientGetURI(client), false);
    papplClientHTMLPuts(client, "<table class=\"form\">\n");
    const Paper* own = profile_paper(model.papers, p);
    if (!model.papers.empty() && model.papers.front().number > 0) {
        papplClientHTMLPuts(client,
                            "<tr><th><label for=\"paper\">Paper:</label></th><td>"
                            "<select name=\"paper\" id=\"paper\">");
        for (const Paper& paper : model.papers) {
            papplClientHTMLPrintf(client, "<option value=\"%d\"", paper.number);
            selected(client, &paper == own);
            papplClientHTMLPrintf(client, ">%s (%.0f x %.0f mm)</option>", paper.name.c_str(),
                                  paper.width_mm, paper.height_mm);
        }
        papplClientHTMLPuts(client, "</select></td></tr>\n");
    }
    if (p.language_index() == kTkGl3) {
        papplClientHTMLPrintf(client,
                              "<tr><th><label for=\"copies\">Copies:</label></th><td><input "
                              "type=\"number\" name=\"copies\" id=\"copies\" min=\"1\" "
                              "max=\"100\" value=\"%d\"> drawn by the plotter</td></tr>\n",
                              copies_of(p));
    }
    if (model.asked_flags != 0) {
        papplClientHTMLPuts(client,
                            "<tr><th>Plotter:</th><td><input type=\"hidden\" "
                            "name=\"flags\" value=\"1\">");
        const uint16_t flags = flags_of(p.stored);
        for (const FlagQuestion& q : flag_questions()) {
            if ((model.asked_flags & q.bit) == 0) continue;
            const bool on = q.bit == kFillsPolygons ? p.plotter_fills() : (flags & q.bit) != 0;
            papplClientHTMLPrintf(client,
                                  "<label><input type=\"checkbox\" name=\"flag%d\"%s> "
                                  "%s</label><br>",
                                  q.bit, on ? " checked" : "", q.label);
        }
        papplClientHTMLPuts(client, "</td></tr>\n");
    }
    if (p.port_kind == 1) {
        papplClientHTMLPuts(client,
                            "<tr><th><label for=\"baud\">Serial line:</label></th><td>"
                            "<select name=\"baud\" id=\"baud\">");
        for (const int baud : kBauds) {
            papplClientHTMLPrintf(client, "<option value=\"%d\"", baud);
            selected(client, baud == p.line.baud);
            papplClientHTMLPrintf(client, ">%d baud</option>", baud);
        }
        papplClientHTMLPuts(client, "</select> <select name=\"data_bits\">");
        for (const int bits : {7, 8}) {
            papplClientHTMLPrintf(client, "<option value=\"%d\"", bits);
            selected(client, bits == p.line.data_bits);
            papplClientHTMLPrintf(client, ">%d data bits</option>", bits);
        }
        papplClientHTMLPuts(client, "</select> <select name=\"parity\">");
        const char* const parities[] = {"no parity", "odd parity", "even parity"};
        for (int i = 0; i < 3; ++i) {
            papplClientHTMLPrintf(client, "<option value=\"%d\"", i);
            selected(client, i == p.line.parity);
            papplClientHTMLPrintf(client, ">%s</option>", parities[i]);
        }
        papplClientHTMLPuts(client, "</select> <select name=\"stop_bits\">");
        for (const int bits : {1, 2}) {
            papplClientHTMLPrintf(client, "<option value=\"%d\"", bits);
            selected(client, bits == p.line.stop_bits);
            papplClientHTMLPrintf(client, ">%d stop bit%s</option>", bits, bits == 1 ? "" : "s");
        }
        papplClientHTMLPuts(client, "</select> <select name=\"handshake\">");
        const char* const handshakes[] = {"XON/XOFF", "hardware (RTS/CTS)"};
        for (int i = 0; i < 2; ++i) {
            papplClientHTMLPrintf(client, "<option value=\"%d\"", i);
            selected(client, i == p.line.handshake);
            papplClientHTMLPrintf(client, ">%s</option>", handshakes[i]);
        }
        papplClientHTMLPuts(client, "</select></td></tr>\n");
    }
    papplClientHTMLPuts(client,
                        "</table>\n<h3>Pens</h3>\n<table class=\"list\" id=\"pens\">"
                        "<thead><tr><th>Pen</th><th>Ink</th><th>Width (mm)</th></tr>"
                        "</thead><tbody>\n");
    for (int pen = 1; pen <= p.pens; ++pen) {
        const auto ink = p.pen_colour.find(pen);
        const std::string colour = hex_colour(ink != p.pen_colour.end() ? ink->second : 0);
        papplClientHTMLPrintf(client,
                              "<tr><td>%d</td><td><input type=\"color\" name=\"pen%d.colour\" "
                              "value=\"%s\"><input type=\"hidden\" name=\"pen%d.was\" "
                              "value=\"%s\">%s</td><td><input type=\"number\" "
                              "name=\"pen%d.width\" min=\"0.01\" max=\"50\" step=\"0.01\" "
                              "value=\"%.2f\"></td></tr>\n",
                              pen, pen, colour.c_str(), pen, colour.c_str(),
                              ink != p.pen_colour.end() ? "" : " (none set)", pen,
                              pen_width_mm(p, pen));
    }
    papplClientHTMLPuts(client,
                        "</tbody></table>\n"
                        "<p><input type=\"submit\" id=\"save\" value=\"Save\"></p>"
                        "</form>\n");
}

// The question of a job waiting for a new sheet, with the button that
// lets it go on.
void show_sheet_question(pappl_client_t* client, pappl_printer_t* printer) {
    const std::string question = sheet_question(printer);
    if (question.empty()) return;
    papplClientHTMLPrintf(client, "<div class=\"banner\" id=\"sheet\">%s ", question.c_str());
    papplClientHTMLStartForm(client, papplClientGetURI(client), false);
    papplClientHTMLPuts(client,
                        "<input type=\"hidden\" name=\"continue\" value=\"1\">"
                        "<input type=\"submit\" id=\"continue\" value=\"Continue\"></form>"
                        "</div>\n");
}

// PAPPL 1.3 lets every client in while it has neither an authentication
// service nor a password: beyond this machine the settings then stay shut.
bool may_change_settings(pappl_client_t* client) {
    http_addr_t* from = httpGetAddress(papplClientGetHTTP(client));
    if (from != nullptr && (httpAddrFamily(from) == AF_LOCAL || httpAddrLocalhost(from)))
        return true;
    pappl_system_t* system = papplClientGetSystem(client);
    const char* service = papplSystemGetAuthService(system);
    char password[256] = "";
    papplSystemGetPassword(system, password, sizeof password);
    return (service != nullptr && *service != '\0') || password[0] != '\0';
}

bool refuse_remote(pappl_client_t* client) {
    const std::string text =
        "<!DOCTYPE html><html><body><p>A plotter's settings are changed from the machine the "
        "server runs on, unless the server asks for a login (-o auth-service=SERVICE, or a "
        "password on its Security page).</p></body></html>\n";
    if (!papplClientRespond(client, HTTP_STATUS_FORBIDDEN, nullptr, "text/html", 0, text.size()))
        return true;
    httpWrite2(papplClientGetHTTP(client), text.data(), text.size());
    return true;
}

bool serve_settings(pappl_client_t* client, void* data) {
    const int id = static_cast<int>(reinterpret_cast<intptr_t>(data));
    pappl_printer_t* printer =
        papplSystemFindPrinter(papplClientGetSystem(client), nullptr, id, nullptr);
    if (printer == nullptr) return false;
    if (!may_change_settings(client)) return refuse_remote(client);
    if (!papplClientHTMLAuthorize(client)) return true;
    const char* driver = papplPrinterGetDriverName(printer);
    const PlotterModel* model = application().model(driver != nullptr ? driver : "");
    if (model == nullptr) return false;

    std::string status;
    bool failed = false;
    try {
        const std::string path = printer_profile(printer);
        if (papplClientGetMethod(client) == HTTP_STATE_POST) {
            cups_option_t* options = nullptr;
            const int count = papplClientGetForm(client, &options);
            try {
                if (!papplClientIsValidForm(client, count, options)) {
                    throw host::HostError(
                        "The form has expired or is not this page's: "
                        "load the page again.");
                }
                if (cupsGetOption("continue", count, options) != nullptr) {
                    if (!continue_after_sheet(printer)) {
                        throw host::HostError("No job of this printer waits for a new sheet.");
                    }
                    status = "Going on with the next sheet.";
                } else if (!sheet_question(printer).empty()) {
                    // A job between its sheets plots them all with the same settings.
                    throw host::HostError(
                        "A job waits for a new sheet: save the settings again once it is done.");
                } else {
                    const host::Profile profile =
                        edited_profile(*model, host::load_profile(path), Form(count, options));
                    replace_profile(profile, path);
                    follow_paper(printer, *model, profile);
                    status = "Saved: the next job plots with these settings.";
                }
            } catch (...) {
                cupsFreeOptions(count, options);
                throw;
            }
            cupsFreeOptions(count, options);
        }
        const host::Profile profile = host::load_profile(path);
        papplClientHTMLPrinterHeader(client, printer, "Plotter settings", 0, nullptr, nullptr);
        if (!status.empty())
            papplClientHTMLPrintf(client, "<div class=\"banner\" id=\"status\">%s</div>\n",
                                  status.c_str());
        show_sheet_question(client, printer);
        show_form(client, *model, profile);
    } catch (const std::exception& e) {
        failed = true;
        status = e.what();
    }
    if (failed) {
        papplClientHTMLPrinterHeader(client, printer, "Plotter settings", 0, nullptr, nullptr);
        papplClientHTMLPrintf(client, "<div class=\"banner\" id=\"status\">Not saved: %s</div>\n",
                              status.c_str());
        try {
            show_sheet_question(client, printer);
            show_form(client, *model, host::load_profile(printer_profile(printer)));
        } catch (const std::exception&) {
            // The message above says what is wrong.
        }
    }
    papplClientHTMLPrinterFooter(client);
    return true;
}

}  // namespace

void add_settings_page(pappl_printer_t* printer, void* /*data*/) {
    char path[256];
    papplPrinterGetPath(printer, "plotter", path, sizeof path);
    pappl_system_t* system = papplPrinterGetSystem(printer);
    // A printer made again under an earlier one's name takes over its page.
    papplSystemRemoveResource(system, path);
    papplSystemAddResourceCallback(
        system, path, "text/html", serve_settings,
        reinterpret_cast<void*>(static_cast<intptr_t>(papplPrinterGetID(printer))));
    papplPrinterAddLink(printer, "Plotter settings", path, PAPPL_LOPTIONS_CONFIGURATION);
}

}  // namespace tvk::printer
