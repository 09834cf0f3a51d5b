// Every piece of process-wide state of the driver, in one place. The host
// calls one request at a time from one thread, and the configuration entry and
// the plot entry share all of it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

namespace tvk {

// ---- error latch ---------------------------------------------------------
// The first failure latches; only the initialise request clears it.
inline constexpr int16_t kLatchNone = 0;
inline constexpr int16_t kLatchSetup = -888;   // definition file, spec, paper list, host checks
inline constexpr int16_t kLatchOutput = -999;  // host refused bytes, no buffer memory
inline constexpr int16_t kLatchStopped = -110; // the user asked to stop
inline constexpr int16_t kLatchOther = -1;     // cancelled plot, failed final flush

// ---- plotter languages ----------------------------------------------------
// Index i has the bit 1 << i in every language bit set.
enum LanguageIndex : int { kVtxGl = 0, kTkGl1 = 1, kTkGl2 = 2, kTkGl3 = 3, kPeCmd = 4, kOhCmd = 5 };
inline constexpr const char* kLanguageNames[6] = {"VTX-GL", "TK-GL1", "TK-GL2",
                                                  "TK-GL3", "PE-CMD", "OH-CMD"};
inline constexpr int kLanguageCount = 4;  // indexes 0 to 3 are languages

// The one language of a language bit set: 0x02, 0x04, 0x08 tested in that
// order give 1, 2, 3; none of them gives 0 (VTX-GL).
inline int language_index(int bits) {
    if (bits & 0x02) return kTkGl1;
    if (bits & 0x04) return kTkGl2;
    if (bits & 0x08) return kTkGl3;
    return kVtxGl;
}
inline bool is_hpgl(int index) { return index >= kTkGl1 && index <= kTkGl3; }

// ---- plotter specification ([SPEC]) ---------------------------------------
inline constexpr uint16_t kTypeLongPlot = 0x01;
inline constexpr uint16_t kTypeRaster = 0x02;
inline constexpr uint16_t kTypeBreakOn = 0x10;
inline constexpr uint16_t kPenMultPen = 0x01;
inline constexpr uint16_t kPenMultLine = 0x02;
inline constexpr uint16_t kPenVarSpeed = 0x04;
inline constexpr uint16_t kPenNoPens = 0x80;

struct PlotterSpec {
    uint16_t type_flags;
    uint16_t coordinate_flags;  // 0x01 relative, 0x02 absolute
    uint16_t baud_fixed;
    uint16_t language_flags;
    uint16_t handshake;  // 0 XON/XOFF, 1 hardware
    uint16_t pen_options;
    int32_t baud_rate;
    int32_t wait_time;
    int32_t optimize;
    int32_t buffers;  // MiB of output buffer, 0 for none
    int32_t pens;
    double max_area_x;  // inches
    double max_area_y;
    double units_per_inch[kLanguageCount];
    double pen_width;  // inches
    uint16_t max_line_type;
    uint8_t pen_speed;  // cm/s
    char start_string[kLanguageCount][256];
    char end_string[kLanguageCount][256];
};
void set_spec_defaults(PlotterSpec& spec);
extern PlotterSpec spec;

// Units per inch of the chosen language, truncated; 1024 at load.
extern int16_t plotter_resolution;
// 1, 2, 4, 8 or 16; 16 at load; keeps its last computed value.
extern int32_t long_plot_divisor;

// ---- paper table and current paper ([PAPER]) ------------------------------
inline constexpr int kMaxPapers = 200;
struct PaperEntry {
    char name[46];
    double size_x;  // inches
    double size_y;
    int32_t origin_x;  // plotter units, TK-GL2 only
    int32_t origin_y;
};
extern PaperEntry paper_table[kMaxPapers + 1];  // numbered from 1
extern int32_t paper_count;

struct CurrentPaper {
    int32_t number;  // 1-based position in the paper table
    double area_x;   // inches
    double area_y;
    int32_t origin_x;  // plotter units
    int32_t origin_y;
};
extern CurrentPaper current_paper;

// ---- stored configuration -------------------------------------------------
// The 24-byte block the host keeps for the driver; its byte layout is fixed
// (stored_config_to_bytes / stored_config_from_bytes in config/).
inline constexpr int kStoredConfigSize = 24;
inline constexpr uint16_t kFlagLongPlot = 0x0001;
inline constexpr uint16_t kFlagPe = 0x0004;
inline constexpr uint16_t kFlagPe8Wanted = 0x0008;
inline constexpr uint16_t kFlagPe8 = 0x0010;
inline constexpr uint16_t kFlagAbsolute = 0x0020;
inline constexpr uint16_t kFlagPaperQuery = 0x0040;
inline constexpr uint16_t kFlagSerial = 0x0080;
inline constexpr uint16_t kFlagPlotterFills = 0x0100;

struct StoredConfig {
    int16_t language_position;  // offset 0
    int16_t language;           // 2: language bit
    int16_t copies;             // 4: one plus the additional copies
    int16_t stop_bits;          // 6
    int16_t parity;             // 8: 0 none, 1 odd, 2 even
    int16_t data_bits;          // 10
    int16_t handshake;          // 12
    int16_t baud_rate;          // 14
    uint16_t flags;             // 16
    uint16_t pen_options;       // 18
    int32_t paper;              // 20
};
extern StoredConfig stored_config;

// ---- driver interface -----------------------------------------------------
// The request record of the call in progress: each entry sets it first thing;
// valid only during that call (read and written through driver/record.h).
extern uint8_t* current_record;
extern int16_t error_latch;
extern uint8_t current_model;  // 0-based index into the model list
extern char host_language[9];  // up to 8 characters
extern char host_path[91];     // 90 bytes from the initialise request
extern uint16_t table_length;  // highest colour of the per-colour tables
extern const void* const* host_service_table;

// What the Windows DLL's attach and detach handler keeps; nothing else reads it.
struct AttachState {
    void* module_instance = nullptr;
    int32_t platform_kind = 0;  // 0 Windows NT, 1 Win32s, 2 Windows 95
    bool first_attach = true;
    int32_t attach_count = 0;
    uint32_t tls_slot = 0xFFFFFFFFu;  // none reserved (TLS_OUT_OF_INDEXES)
};
extern AttachState attach_state;

// ---- definition file --------------------------------------------------------
inline constexpr int kMaxModels = 100;
inline constexpr int kModelNameLength = 32;
inline constexpr int kMessageCount = 70;
extern char definition_path[128];
extern char raw_definition_line[128];
extern char definition_line[256];
extern int32_t definition_line_number;
extern std::FILE* definition_file;
extern char model_list[kMaxModels][kModelNameLength + 1];
extern int16_t model_count;
extern char message_table[kMessageCount][256];

// ---- plot state ------------------------------------------------------------
enum PenState : int16_t {
    kPenIdle = 0,
    kPenPeUpPending = 1,
    kPenPeDrawing = 2,
    kPenUpSent = 4,
    kPenMoving = 8,
    kPenDrawing = 16,
};
inline constexpr int32_t kDefaultBufferCapacity = 1 << 20;

struct PlotState {
    int32_t reload_spec = 0;
    int16_t drawn = 0;
    int32_t additional_copies = 0;
    int32_t previous_wait = -1;
    uint32_t host_plot_flags = 0;
    uint8_t pen_speed_limit = 0;
    uint8_t line_type_limit = 0;
    char start_string[256] = {};
    char end_string[256] = {};
    int16_t long_plot = 0;
    int16_t relative = 0;
    int16_t pe_active = 0;
    int16_t pe_8bit = 0;
    char pe_head[4] = {};
    int16_t break_check = 0;
    int16_t current_pen = 0;
    int16_t pen_state = kPenIdle;
    int32_t cur_x = 0, cur_y = 0;
    int32_t prev_x = 0, prev_y = 0;
    std::unique_ptr<uint8_t[]> buffer;  // none, or capacity + 8 zero-filled bytes
    int32_t buffer_count = 0;
    int32_t buffer_capacity = kDefaultBufferCapacity;
    char line[256] = {};  // the command line buffer
};
extern PlotState plot;

}  // namespace tvk
