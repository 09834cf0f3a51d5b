// "[PAPER]": the selected model's paper list for the chosen language.
#include <cstring>

#include "deffile/deffile.h"
#include "deffile/value_scan.h"
#include "driver/host_services.h"

namespace tvk {
namespace {

constexpr int kMalformedEntry = -16;
constexpr std::size_t kPaperNameLength = sizeof PaperEntry::name - 1;

// One entry line into entry; false when malformed.
bool parse_entry(const char* line, bool with_origins, PaperEntry& entry) {
    const auto items = split_list(line);
    const std::size_t needed = with_origins ? 5 : 3;
    if (items.size() < needed) return false;
    PaperEntry e{};
    copy_cut(e.name, items[0], kPaperNameLength);
    if (!scan_length(items[1], e.size_x) || !scan_length(items[2], e.size_y)) return false;
    if (with_origins && (!scan_int(items[3], e.origin_x) || !scan_int(items[4], e.origin_y)))
        return false;
    entry = e;
    return true;
}

}  // namespace

int read_paper_table() {
    if (const int r = find_model_block("[PAPER]"); r != 0) return r < 0 ? r : 0;
    const int language = language_index(stored_config.language);
    const std::string sub_block = std::string("%") + kLanguageNames[language];
    do {
        if (const int r = read_definition_line(); r != 0) return r < 0 ? -1 : 0;
        if (begins_with_any(definition_line, "[*")) return 0;
    } while (sub_block != definition_line);

    int count = 0;
    while (count < kMaxPapers) {
        if (const int r = read_definition_line(); r != 0) return r < 0 ? -1 : count;
        if (begins_with_any(definition_line, "[*%")) return count;
        // Entries before a malformed line stay in the table, but the result
        // is the error, not a count.
        if (!parse_entry(definition_line, language == kTkGl2, paper_table[count + 1]))
            return kMalformedEntry;
        ++count;
    }
    return count;
}

int load_paper_table() {
    if (stored_config.flags & kFlagPaperQuery) {
        paper_count = 0;
        return 0;
    }
    if (!open_definition_file()) {
        report_read_error(message(29), message(34));
        paper_count = -1;
        return -1;
    }
    paper_count = read_paper_table();
    close_definition_file();
    if (paper_count < -8) {
        report_definition_error(message(33));
        return -1;
    }
    if (paper_count < 0) {
        report_read_error(message(29), message(34));
        return -1;
    }
    if (paper_count == 0) host_printf("\n%s\n", message(67));
    return paper_count;
}

}  // namespace tvk
