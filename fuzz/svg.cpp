// The SVG reader, then the drawing flattened as a plot would flatten it.
#include <algorithm>
#include <cmath>

#include "fuzz/fuzz_input.h"
#include "host/drawing/model/drawing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    try {
        const tvk::host::Drawing drawing = tvk::host::Drawing::from_svg(
            {reinterpret_cast<const char*>(data), size}, "drawing.svg");
        // A plot at 40 units per millimetre: half a unit.
        (void)drawing.flatten(0.0125);
    } catch (const tvk::host::DrawingError&) {
    }
    return 0;
}
