// The SVG document as XML: documents of any size libxml2 reads in pieces,
// broken ones refused with where they break.
#include <gtest/gtest.h>

#include <string>

#include "host/drawing/model/drawing.h"

namespace tvk::host {
namespace {

TEST(SvgDocument, ADocumentOfManyMegabytesIsReadWhole) {
    // Some 12 MB of small filled shapes, as a map or a plot exported from a
    // program would have: beyond the 10 MB libxml2 looks back into one buffer.
    std::string svg = "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 1000 1000'>\n";
    const std::string shape =
        "<path d='M0,0 L1,0 L1,1 L0,1 Z M0.25,0.25 L0.25,0.75 L0.75,0.75 L0.75,0.25 Z' "
        "fill='black' transform='translate(";
    int shapes = 0;
    while (svg.size() < 12'000'000) {
        svg +=
            shape + std::to_string(shapes % 1000) + "," + std::to_string(shapes / 1000) + ")'/>\n";
        ++shapes;
    }
    svg += "</svg>\n";
    const FlatDrawing flat = Drawing::from_svg(svg, "big.svg").flatten(0.01);
    ASSERT_EQ(flat.fills.size(), static_cast<size_t>(shapes));
    // Each keeps its hole: the inner ring runs the other way round.
    EXPECT_EQ(flat.fills.back().rings.size(), 2u);
}

TEST(SvgDocument, BrokenXmlIsRefusedWithItsLine) {
    try {
        (void)Drawing::from_svg("<svg xmlns='http://www.w3.org/2000/svg'>\n<path d='M0,0'\n</svg>",
                                "broken.svg");
        FAIL() << "read";
    } catch (const DrawingError& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find("broken.svg: not an SVG document"), std::string::npos) << what;
        EXPECT_NE(what.find("(line 3)"), std::string::npos) << what;
    }
}

}  // namespace
}  // namespace tvk::host
