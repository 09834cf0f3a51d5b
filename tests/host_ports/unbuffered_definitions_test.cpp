// The definition file a plot to a port gives the driver: the model's output
// buffer set to none, every other line as it was and where it was.
#include "host/settings/unbuffered_definitions.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tvk::host {
namespace {

size_t lines_of(const std::string& text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(UnbufferedDefinitions, OnlyTheModelsBufferChangesAndLinesKeepTheirNumbers) {
    const std::string text =
        "[PLOTTER]\n*T-\nA\nB\nC\n%\n"
        "[SPEC]\n"
        "*T-A\r\nLANGUAGE: TK-GL1\r\n  buffers : 3   ; three megabytes\r\n"
        "*T-B\nLANGUAGE: TK-GL1\n; no buffer given\nPENS: 4\n"
        "*T-C\nLANGUAGE: TK-GL1\nPENS: 4\n%\n"
        "[PAPER]\n*T-A\n%TK-GL1\nA3, 420 MM, 297 MM\n";
    // The key replaced in place, as long as it was, CR LF kept.
    std::string a = without_output_buffer(text, "t-a");
    EXPECT_EQ(lines_of(a), lines_of(text));
    EXPECT_NE(a.find("*T-A\r\nLANGUAGE: TK-GL1\r\nBUFFERS: 0       "), std::string::npos) << a;
    EXPECT_EQ(a.find("buffers"), std::string::npos);
    // A comment line of the block takes it.
    const std::string b = without_output_buffer(text, "T-B");
    EXPECT_EQ(lines_of(b), lines_of(text));
    EXPECT_NE(b.find("*T-B\nLANGUAGE: TK-GL1\nBUFFERS: 0\nPENS: 4\n*T-C"), std::string::npos) << b;
    // Else a line is added at the block's end; the other blocks are left alone.
    const std::string c = without_output_buffer(text, "T-C");
    EXPECT_NE(c.find("*T-C\nLANGUAGE: TK-GL1\nPENS: 4\nBUFFERS: 0\n%\n"), std::string::npos) << c;
    EXPECT_NE(c.find("buffers : 3"), std::string::npos);
    // A model without a block, or with no buffer already: nothing changes.
    EXPECT_EQ(without_output_buffer(text, "T-D"), text);
    EXPECT_EQ(without_output_buffer(a, "T-A"), a);
}

TEST(UnbufferedDefinitions, TheBundledFilesBufferedModelsLoseTheirBufferOnly) {
    const std::string path = std::string(TVK_SOURCE_DIR) + "/examples/tvkplot.def";
    std::FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::string text;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
    std::fclose(f);
    // Its BUFFERS line, as long as before.
    const std::string copy = without_output_buffer(text, "TVK-HG900L");
    EXPECT_EQ(copy.size(), text.size());
    EXPECT_NE(copy, text);
    // None: its blank line.
    const std::string other = without_output_buffer(text, "TVK-HG700");
    EXPECT_EQ(lines_of(other), lines_of(text));
    EXPECT_NE(other.find("MAX_AREA: 841 MM, 594 MM          ; A1\nBUFFERS: 0\n"),
              std::string::npos);
}

}  // namespace
}  // namespace tvk::host
