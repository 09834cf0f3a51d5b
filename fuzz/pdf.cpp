// The PDF reader, each of the first pages, then the drawing flattened as a
// plot would flatten it.
#include <algorithm>

#include "fuzz/fuzz_input.h"
#include "host/drawing/model/drawing.h"
#include "host/drawing/pdf/pdf_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string contents(reinterpret_cast<const char*>(data), size);
    try {
        const int pages = std::min(tvk::host::pdf_page_count(contents, "drawing.pdf"), 3);
        for (int page = 1; page <= pages; ++page) {
            const tvk::host::Drawing drawing =
                tvk::host::Drawing::from_pdf(contents, "drawing.pdf", page);
            // A plot at 40 units per millimetre: half a unit.
            (void)drawing.flatten(0.0125);
        }
    } catch (const tvk::host::DrawingError&) {
    }
    return 0;
}
