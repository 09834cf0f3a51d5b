// Request 21: the selected model's specification, the dialog, the paper list
// and the paper menu.
#include "config/config.h"
#include "deffile/deffile.h"
#include "driver/driver.h"
#include "driver/globals.h"
#include "driver/record.h"
#include "driver/timed_pause.h"

namespace tvk {
namespace {

constexpr int kModelNumber = 4;
constexpr int kAreaX = 8;
constexpr int kAreaY = 16;
constexpr int kResolutionX = 24;
constexpr int kResolutionY = 32;

// A cancelled question: the user has seen everything, so no pause.
void fail_cancelled() {
    error_latch = kLatchSetup;
    set_status(-1);
}

void use_paper_number_one() {
    current_paper.number = 1;
    stored_config.paper = 1;
}

void write_area() {
    rec_set_f64(kAreaX, current_paper.area_x);
    rec_set_f64(kAreaY, current_paper.area_y);
}

// The model number of the request names a model of the list; checked whole,
// since the current model number keeps only its low byte (257 is not model 1).
bool model_in_list() {
    const int16_t number = rec_i16(kModelNumber);
    return number >= 1 && number <= model_count;
}

}  // namespace

void serve_configure() {
    if (error_latch != kLatchNone) {
        set_status(-1);
        return;
    }
    set_status(0);
    if (!model_in_list() || load_plotter_specification(nullptr, nullptr) != 0) {
        fail_setup_request();
        return;
    }
    spec.max_line_type = 6;
    if (run_configuration_dialog() != 0) {
        fail_cancelled();
        return;
    }
    if (load_paper_table() < 0) {
        fail_setup_request();
        return;
    }
    if (stored_config.flags & kFlagPaperQuery) {
        // The plotter is asked at plot time; until then the largest area stands.
        current_paper.area_x = spec.max_area_x;
        current_paper.area_y = spec.max_area_y;
        current_paper.origin_x = 0;
        current_paper.origin_y = 0;
        write_area();
        use_paper_number_one();
        return;
    }
    if (paper_count <= 0) {
        timed_pause(6);  // the notice that the maximum area is used stays readable
        use_paper_number_one();
        return;
    }
    current_paper.number = stored_config.paper > paper_count ? 1 : stored_config.paper;
    if (paper_menu(kPaperMenuConfiguration) < 0) {
        fail_cancelled();
        return;
    }
    write_area();
    const double resolution = reported_resolution();
    rec_set_f64(kResolutionX, resolution);
    rec_set_f64(kResolutionY, resolution);
}

}  // namespace tvk
