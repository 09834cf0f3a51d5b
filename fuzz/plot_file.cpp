// The plot-file reader (any of the plotter languages, told by the content):
// the first two bytes give the source's units per inch, the rest is the file.
#include "fuzz/fuzz_input.h"
#include "host/drawing/model/drawing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    tvk::fuzz::FuzzInput input(data, size);
    // 1 to 65536 units per inch; 1016 (the default) for the bytes F7 03.
    const double units_per_inch = input.u16() + 1;
    try {
        const tvk::host::Drawing drawing =
            tvk::host::Drawing::from_plot(input.rest(), "drawing.plt", units_per_inch);
        (void)drawing.flatten(0.0125);
    } catch (const tvk::host::DrawingError&) {
    }
    return 0;
}
