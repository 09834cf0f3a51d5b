// The DXF reader, then the drawing flattened as a plot would flatten it.
#include <algorithm>
#include <cmath>

#include "fuzz/fuzz_input.h"
#include "host/drawing/model/drawing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string path =
        tvk::fuzz::scratch_file("drawing.dxf", {reinterpret_cast<const char*>(data), size});
    try {
        const tvk::host::Drawing drawing = tvk::host::Drawing::load_dxf(path);
        const tvk::host::Box box = drawing.extents();
        // A plot on about 40 cm of paper at 40 units per millimetre.
        const double extent = std::max(box.max_x - box.min_x, box.max_y - box.min_y);
        const double tolerance = std::isfinite(extent) && extent > 0 ? extent / 16000 : 1;
        (void)drawing.flatten(tolerance);
    } catch (const tvk::host::DxfError&) {
    }
    return 0;
}
