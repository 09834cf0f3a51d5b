#include "printer/plot_page.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <map>
#include <string>

#include "host/ports/files.h"
#include "host/ui/plot_report.h"
#include "printer/application.h"
#include "printer/job_filters.h"
#include "printer/lasting_text.h"
#include "printer/new_sheet.h"
#include "printer/page_jobs.h"

namespace tvk::printer {
namespace {

constexpr long long kMaxUpload = 64LL << 20;  // bytes of a drawing uploaded

const char* const kPage = R"html(<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>Plot a drawing</title>
<style>
body{font-family:sans-serif;margin:1.5em;max-width:70em}
fieldset{border:1px solid #bbb;margin-bottom:1em}
#preview img{max-width:100%;border:1px solid #ccc;background:#fff}
#summary,#status{white-space:pre-wrap}
.error{color:#b00}
</style></head><body>
<h1>Plot a drawing</h1>
<p><a href="/">Printers</a></p>
<form id="form" onsubmit="return false">
<fieldset><legend>Drawing</legend>
<input type="file" id="file" accept=".pdf,.svg,.dxf,.plt,.hpgl,.hgl" onchange="document.getElementById('colours').replaceChildren()">
<span>PDF, SVG, DXF or HP-GL</span></fieldset>
<fieldset><legend>Plot</legend>
<label>Plotter <select id="printer"></select></label>
<label><input type="radio" name="size" value="fit" checked> Fit to the paper</label>
<label><input type="radio" name="size" value="actual"> Actual size (1 mm a mm)</label>
<label><input type="checkbox" id="turn"> Turn a quarter</label>
</fieldset>
<fieldset id="pens" hidden><legend>Pen per colour</legend><div id="colours"></div></fieldset>
<button id="show" type="button">Preview</button>
<button id="plot" type="button" disabled>Plot</button>
<button id="cancel" type="button" disabled>Cancel</button>
<button id="continue" type="button" hidden>Continue</button>
</form>
<p id="summary"></p>
<p id="status"></p>
<progress id="progress" max="100" value="0" hidden></progress>
<div id="preview"></div>
<script>
"use strict";
const $ = (id) => document.getElementById(id);
let job = 0, printer = 0, timer = 0;
function query(extra) {
  const size = document.querySelector("input[name=size]:checked").value;
  const pens = [...document.querySelectorAll("#colours select")].map((s) => s.dataset.colour + "=" + s.value);
  return "printer=" + $("printer").value + "&size=" + size + "&turn=" + ($("turn").checked ? 1 : 0) +
    (pens.length ? "&pens=" + encodeURIComponent(pens.join(",")) : "") + (extra || "");
}
function show_colours(a) {
  const list = [];
  for (const c of a.colours) {
    const label = document.createElement("label");
    label.textContent = c.label + " ";
    if (c.key.startsWith("#")) {
      const swatch = document.createElement("span");
      swatch.style.cssText = "display:inline-block;width:1em;height:1em;border:1px solid #888;background:" + c.key;
      label.prepend(swatch, " ");
    }
    const select = document.createElement("select");
    select.dataset.colour = c.key;
    for (let pen = 1; pen <= a.pens; ++pen) {
      const o = document.createElement("option");
      o.value = pen; o.textContent = "pen " + pen; o.selected = pen === c.pen;
      select.append(o);
    }
    select.onchange = () => $("show").onclick();
    label.append(select);
    const line = document.createElement("div");
    line.append(label);
    list.push(line);
  }
  $("colours").replaceChildren(...list);
  $("pens").hidden = list.length === 0;
}
async function send(path) {
  const file = $("file").files[0];
  if (!file) throw new Error("Choose a drawing first.");
  const r = await fetch(path, {method: "POST", headers: {"Content-Type": "application/octet-stream"}, body: file});
  const answer = await r.json();
  if (!r.ok) throw new Error(answer.error);
  return answer;
}
function fail(e) { $("summary").textContent = e.message; $("summary").className = "error"; }
$("show").onclick = async () => {
  $("summary").className = ""; $("summary").textContent = "Making the plot...";
  try {
    const a = await send("/plot/preview?" + query());
    $("summary").textContent = a.summary;
    show_colours(a);
    const img = document.createElement("img");
    img.alt = "preview";
    img.src = URL.createObjectURL(new Blob([a.svg], {type: "image/svg+xml"}));
    $("preview").replaceChildren(img);
    $("plot").disabled = false;
  } catch (e) { fail(e); }
};
$("plot").onclick = async () => {
  try {
    const name = encodeURIComponent($("file").files[0].name);
    const a = await send("/plot/submit?" + query("&name=" + name));
    job = a.job; printer = $("printer").value;
    $("cancel").disabled = false; $("progress").hidden = false;
    timer = setInterval(poll, 500); poll();
  } catch (e) { fail(e); }
};
$("cancel").onclick = async () => {
  await fetch("/plot/cancel?printer=" + printer + "&job=" + job, {method: "POST", headers: {"Content-Type": "application/octet-stream"}});
  poll();
};
$("continue").onclick = async () => {
  const r = await fetch("/plot/continue?printer=" + printer + "&job=" + job, {method: "POST", headers: {"Content-Type": "application/octet-stream"}});
  if (!r.ok) fail(new Error((await r.json()).error));
  poll();
};
async function poll() {
  const r = await fetch("/plot/status?printer=" + printer + "&job=" + job);
  const s = await r.json();
  $("status").textContent = "Job " + job + ": " + s.state + (s.message ? " - " + s.message : "");
  const m = /\((\d+)%\)/.exec(s.message || "");
  if (m) $("progress").value = Number(m[1]);
  $("continue").hidden = !s.sheet;
  if (["completed", "canceled", "aborted"].includes(s.state)) {
    clearInterval(timer); $("cancel").disabled = true;
    if (s.state === "completed") $("progress").value = 100;
  }
}
fetch("/plot/printers").then((r) => r.json()).then((list) => {
  for (const p of list) {
    const o = document.createElement("option");
    o.value = p.id; o.textContent = p.name + " (" + p.model + ")";
    $("printer").append(o);
  }
});
</script></body></html>
)html";

bool respond(pappl_client_t* client, http_status_t status, const std::string& body,
             const char* type = "application/json") {
    if (!papplClientRespond(client, status, nullptr, type, 0, body.size())) return false;
    httpWrite2(papplClientGetHTTP(client), body.data(), body.size());
    return true;
}

bool refuse(pappl_client_t* client, http_status_t status, const std::string& why) {
    return respond(client, status, "{\"error\":" + tvk::host::json_string(why) + "}");
}

// The query of the request: name=value pairs, percent-decoded.
std::map<std::string, std::string> query_of(pappl_client_t* client) {
    std::map<std::string, std::string> q;
    const char* options = papplClientGetOptions(client);
    std::string text = options != nullptr ? options : "";
    size_t at = 0;
    while (at <= text.size()) {
        const size_t end = std::min(text.find('&', at), text.size());
        const std::string pair = text.substr(at, end - at);
        const size_t eq = pair.find('=');
        std::string value = eq == std::string::npos ? "" : pair.substr(eq + 1), decoded;
        for (size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '%' && i + 2 < value.size() + 0 && std::isxdigit(value[i + 1]) &&
                std::isxdigit(value[i + 2])) {
                decoded += static_cast<char>(std::stoi(value.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                decoded += value[i] == '+' ? ' ' : value[i];
            }
        }
        if (!pair.empty()) q[pair.substr(0, eq)] = decoded;
        at = end + 1;
    }
    return q;
}

int number(const std::map<std::string, std::string>& q, const std::string& key) {
    const auto it = q.find(key);
    if (it == q.end() || it->second.empty() || it->second.size() > 9 ||
        it->second.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    return std::stoi(it->second);
}

pappl_printer_t* printer_of(pappl_client_t* client, const std::map<std::string, std::string>& q) {
    const int id = number(q, "printer");
    return id > 0 ? papplSystemFindPrinter(papplClientGetSystem(client), nullptr, id, nullptr)
                  : nullptr;
}

PlotChoices choices_of(const std::map<std::string, std::string>& q) {
    PlotChoices c;
    const auto size = q.find("size");
    c.actual_size = size != q.end() && size->second == "actual";
    c.turned = number(q, "turn") == 1;
    // "COLOUR=PEN,...": a colour number or #rrggbb, and a pen.
    if (const auto pens = q.find("pens"); pens != q.end()) {
        const std::string& list = pens->second;
        for (size_t at = 0; at < list.size();) {
            const size_t end = std::min(list.find(',', at), list.size());
            const std::string pair = list.substr(at, end - at);
            const size_t eq = pair.find('=');
            const std::string colour = pair.substr(0, eq),
                              pen = eq == std::string::npos ? "" : pair.substr(eq + 1);
            const bool number_colour = !colour.empty() && colour.size() <= 3 &&
                                       colour.find_first_not_of("0123456789") == std::string::npos;
            const bool true_colour =
                colour.size() == 7 && colour[0] == '#' &&
                colour.find_first_not_of("0123456789abcdefABCDEF", 1) == std::string::npos;
            if ((number_colour || true_colour) && !pen.empty() && pen.size() <= 3 &&
                pen.find_first_not_of("0123456789") == std::string::npos) {
                c.pens.push_back(colour + "=" + pen);
            }
            at = end + 1;
        }
    }
    return c;
}

// Only what a page of this server's own can send: a drawing as octet-stream.
bool sent_by_the_page(pappl_client_t* client) {
    const char* type = httpGetField(papplClientGetHTTP(client), HTTP_FIELD_CONTENT_TYPE);
    return papplClientGetMethod(client) == HTTP_STATE_POST && type != nullptr &&
           std::string(type).rfind("application/octet-stream", 0) == 0;
}

// The uploaded drawing, in a file of the spool directory; empty (and the
// client answered) when it could not be taken.
std::string take_upload(pappl_client_t* client) {
    if (!sent_by_the_page(client)) {
        refuse(client, HTTP_STATUS_BAD_REQUEST, "Send the drawing from the plot page.");
        return "";
    }
    http_t* http = papplClientGetHTTP(client);
    const off_t length = httpGetLength2(http);
    if (length > kMaxUpload) {
        refuse(client, HTTP_STATUS_REQUEST_TOO_LARGE,
               "The drawing is larger than " + std::to_string(kMaxUpload >> 20) + " MB.");
        return "";
    }
    std::string path = application().spool_directory() + "/upload-XXXXXX";
    const int fd = mkstemp(path.data());
    if (fd < 0) {
        refuse(client, HTTP_STATUS_SERVER_ERROR, "Cannot keep the drawing.");
        return "";
    }
    char buffer[32768];
    long long total = 0;
    ssize_t n = 0;
    bool ok = true;
    while ((n = httpRead2(http, buffer, sizeof buffer)) > 0) {
        total += n;
        if (total > kMaxUpload || ::write(fd, buffer, static_cast<size_t>(n)) != n) {
            ok = false;
            break;
        }
    }
    close(fd);
    if (!ok || total == 0) {
        unlink(path.c_str());
        refuse(client, HTTP_STATUS_BAD_REQUEST,
               total == 0 ? "The drawing is empty." : "The drawing could not be taken.");
        return "";
    }
    return path;
}

bool serve_printers(pappl_client_t* client, void*) {
    std::string list = "[";
    papplSystemIteratePrinters(
        papplClientGetSystem(client),
        [](pappl_printer_t* printer, void* data) {
            std::string& out = *static_cast<std::string*>(data);
            out += std::string(out.size() > 1 ? "," : "") +
                   "{\"id\":" + std::to_string(papplPrinterGetID(printer)) +
                   ",\"name\":" + tvk::host::json_string(papplPrinterGetName(printer)) +
                   ",\"model\":" + tvk::host::json_string(papplPrinterGetDriverName(printer)) + "}";
        },
        &list);
    return respond(client, HTTP_STATUS_OK, list + "]");
}

// The drawing's colours with their pens, one entry a colour as the page
// chooses pens for it: a true colour by itself, else its colour number.
std::string colours_json(const std::map<std::pair<int, int32_t>, int>& colours) {
    std::map<std::string, std::pair<std::string, int>> entries;  // key -> label, pen
    for (const auto& [colour, pen] : colours) {
        char key[16], label[48];
        if (colour.second >= 0) {
            std::snprintf(key, sizeof key, "#%06X",
                          static_cast<unsigned>(colour.second) & 0xFFFFFFu);
            std::snprintf(label, sizeof label, "%s", key);
        } else {
            std::snprintf(key, sizeof key, "%d", colour.first);
            std::snprintf(label, sizeof label, "colour %d", colour.first);
        }
        entries.try_emplace(key, label, pen);
    }
    std::string json = "[";
    for (const auto& [key, entry] : entries) {
        json += std::string(json.size() > 1 ? "," : "") +
                "{\"key\":" + tvk::host::json_string(key) +
                ",\"label\":" + tvk::host::json_string(entry.first) +
                ",\"pen\":" + std::to_string(entry.second) + "}";
    }
    return json + "]";
}

bool serve_preview(pappl_client_t* client, void*) {
    const auto q = query_of(client);
    pappl_printer_t* printer = printer_of(client, q);
    if (printer == nullptr) return refuse(client, HTTP_STATUS_NOT_FOUND, "No such plotter.");
    const std::string drawing = take_upload(client);
    if (drawing.empty()) return true;
    const std::string svg = drawing + ".svg";
    try {
        const PlotPreview preview = preview_plot(printer, drawing, choices_of(q), svg);
        const std::string picture = host::read_whole_file(svg, "the preview");
        unlink(drawing.c_str());
        unlink(svg.c_str());
        return respond(client, HTTP_STATUS_OK,
                       "{\"summary\":" + tvk::host::json_string(preview.summary) +
                           ",\"pens\":" + std::to_string(preview.pens) +
                           ",\"colours\":" + colours_json(preview.colours) +
                           ",\"svg\":" + tvk::host::json_string(picture) + "}");
    } catch (const std::exception& e) {
        unlink(drawing.c_str());
        unlink(svg.c_str());
        return refuse(client, HTTP_STATUS_BAD_REQUEST, e.what());
    }
}

bool serve_submit(pappl_client_t* client, void*) {
    const auto q = query_of(client);
    pappl_printer_t* printer = printer_of(client, q);
    if (printer == nullptr) return refuse(client, HTTP_STATUS_NOT_FOUND, "No such plotter.");
    const std::string drawing = take_upload(client);
    if (drawing.empty()) return true;
    char head[512] = "";
    std::FILE* f = std::fopen(drawing.c_str(), "rb");
    const size_t got = f != nullptr ? std::fread(head, 1, sizeof head, f) : 0;
    if (f != nullptr) std::fclose(f);
    const char* format = drawing_format(std::string(head, got));
    if (format == nullptr) {
        unlink(drawing.c_str());
        return refuse(client, HTTP_STATUS_BAD_REQUEST, "Not a drawing: PDF, SVG, DXF or HP-GL.");
    }
    const PlotChoices c = choices_of(q);
    const auto name = q.find("name");
    const char* user = papplClientGetUsername(client);
    pappl_job_t* job = nullptr;
    {
        // The job waits for its choices before it plots.
        const std::lock_guard lock(page_jobs_lock());
        job = papplJobCreateWithFile(
            printer, lasting_text(user != nullptr && *user ? user : "web"), format,
            lasting_text(name != q.end() && !name->second.empty() ? name->second : "drawing"), 0,
            nullptr, drawing.c_str());
        if (job != nullptr) {
            try {
                keep_page_choices(job, c);
            } catch (const std::exception& e) {
                papplJobCancel(job);
                return refuse(client, HTTP_STATUS_SERVER_ERROR, e.what());
            }
        }
    }
    if (job == nullptr) {
        unlink(drawing.c_str());
        return refuse(client, HTTP_STATUS_SERVER_ERROR, "The plotter took no job.");
    }
    return respond(client, HTTP_STATUS_OK, "{\"job\":" + std::to_string(papplJobGetID(job)) + "}");
}

bool serve_status(pappl_client_t* client, void*) {
    const auto q = query_of(client);
    pappl_printer_t* printer = printer_of(client, q);
    pappl_job_t* job =
        printer != nullptr ? papplPrinterFindJob(printer, number(q, "job")) : nullptr;
    if (job == nullptr) return refuse(client, HTTP_STATUS_NOT_FOUND, "No such job.");
    const char* message = papplJobGetMessage(job);
    return respond(
        client, HTTP_STATUS_OK,
        "{\"state\":" + tvk::host::json_string(ippEnumString("job-state", papplJobGetState(job))) +
            ",\"message\":" + tvk::host::json_string(message != nullptr ? message : "") +
            ",\"sheet\":" + (waits_for_sheet(job) ? "true" : "false") + "}");
}

bool serve_cancel(pappl_client_t* client, void*) {
    if (!sent_by_the_page(client))
        return refuse(client, HTTP_STATUS_BAD_REQUEST, "Use the plot page.");
    const auto q = query_of(client);
    pappl_printer_t* printer = printer_of(client, q);
    pappl_job_t* job =
        printer != nullptr ? papplPrinterFindJob(printer, number(q, "job")) : nullptr;
    if (job == nullptr) return refuse(client, HTTP_STATUS_NOT_FOUND, "No such job.");
    papplJobCancel(job);
    return respond(client, HTTP_STATUS_OK, "{\"canceled\":true}");
}

// The job waiting for a new sheet goes on: the sheet is in.
bool serve_continue(pappl_client_t* client, void*) {
    if (!sent_by_the_page(client))
        return refuse(client, HTTP_STATUS_BAD_REQUEST, "Use the plot page.");
    if (const http_status_t auth = papplClientIsAuthorized(client); auth != HTTP_STATUS_CONTINUE)
        return refuse(client, auth, "Log in first.");
    const auto q = query_of(client);
    pappl_printer_t* printer = printer_of(client, q);
    pappl_job_t* job =
        printer != nullptr ? papplPrinterFindJob(printer, number(q, "job")) : nullptr;
    if (job == nullptr) return refuse(client, HTTP_STATUS_NOT_FOUND, "No such job.");
    if (!continue_after_sheet(printer, job))
        return refuse(client, HTTP_STATUS_BAD_REQUEST, "The job does not wait for a new sheet.");
    return respond(client, HTTP_STATUS_OK, "{\"continued\":true}");
}

}  // namespace

void add_plot_page(pappl_system_t* system) {
    papplSystemAddResourceString(system, "/plot", "text/html", kPage);
    papplSystemAddResourceCallback(system, "/plot/printers", "application/json", serve_printers,
                                   nullptr);
    papplSystemAddResourceCallback(system, "/plot/preview", "application/json", serve_preview,
                                   nullptr);
    papplSystemAddResourceCallback(system, "/plot/submit", "application/json", serve_submit,
                                   nullptr);
    papplSystemAddResourceCallback(system, "/plot/status", "application/json", serve_status,
                                   nullptr);
    papplSystemAddResourceCallback(system, "/plot/cancel", "application/json", serve_cancel,
                                   nullptr);
    papplSystemAddResourceCallback(system, "/plot/continue", "application/json", serve_continue,
                                   nullptr);
    papplSystemAddLink(system, "Plot a drawing", "/plot", PAPPL_LOPTIONS_NAVIGATION);
}

}  // namespace tvk::printer
