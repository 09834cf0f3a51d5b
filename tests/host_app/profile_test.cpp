// Profiles written and edited by hand, as a user does: the colour entries of
// format 2, the lists of format 1, every value checked against what the model
// allows, and a new configuration that keeps the user's colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "fixtures.h"
#include "program.h"

namespace tvk::host_test {
namespace {

using decoder::Language;

class ProfileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir.write("d.dxf",
                  dxf_of_lines({{0, 0, 100, 0, 1}, {0, 10, 100, 10, 2}, {0, 20, 100, 20, 9}}));
        ASSERT_EQ(configure("TVK-HG700"), 0);
        written = read_file(profile());
    }
    std::string config() const { return dir.file("config"); }
    std::string profile() const { return dir.file("p.toml"); }
    int configure(const std::string& model, const std::vector<std::string>& more = {}) {
        std::vector<std::string> args = {"configure", "--model", model,
                                         "--profile", profile(), "--yes"};
        args.insert(args.end(), more.begin(), more.end());
        last = run_tvkplot(args, config());
        return last.exit_code;
    }
    Outcome plot() const {
        return run_tvkplot(
            {"plot", dir.file("d.dxf"), "--profile", profile(), "-o", dir.file("out.plt"), "--yes"},
            config());
    }
    // The pen of each drawn line, by its height on the drawing (0, 10, 20).
    std::vector<int> pens_drawn() const {
        const auto d = decoder::decode(read_file(dir.file("out.plt")), Language::kTkGl3);
        std::map<int64_t, int> by_y;
        for (const auto& s : decoder::drawn_segments(d)) by_y[s.from.y] = s.style.pen;
        std::vector<int> pens;
        for (const auto& [y, pen] : by_y) pens.push_back(pen);
        return pens;
    }
    // The profile as written, with `from` replaced by `to`.
    void edit(const std::string& from, const std::string& to) const {
        std::string text = written;
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        dir.write("p.toml", text.replace(at, from.size(), to));
    }

    TempDir dir;
    std::string written;
    Outcome last;
};

TEST_F(ProfileTest, AConfiguredProfileHasAFormatAndNoColourEntries) {
    EXPECT_NE(written.find("format = 2\n"), std::string::npos) << written;
    EXPECT_EQ(written.find("[colours"), std::string::npos) << written;
    ASSERT_EQ(plot().exit_code, 0) << last.err;
    EXPECT_EQ(pens_drawn(), (std::vector<int>{1, 2, 1}));  // 8 pens: colour 9 on pen 1
}

TEST_F(ProfileTest, ColourEntriesWrittenByHandArePlottedAndShown) {
    dir.write("p.toml", written +
                            "\n[colours.1]\npen = 3\nline_type = 2\nspeed = 30\n"
                            "width_mm = 0.35\n\n[colours.9]\npen = 8\n");
    const Outcome o = plot();
    ASSERT_EQ(o.exit_code, 0) << o.err;
    EXPECT_EQ(pens_drawn(), (std::vector<int>{3, 2, 8}));
    const Outcome s = run_tvkplot({"show", "--profile", profile()}, config());
    ASSERT_EQ(s.exit_code, 0) << s.err;
    EXPECT_NE(s.out.find(" Colour  Pen  Line type  Speed (cm/s)  Width (mm)\n"), std::string::npos)
        << s.out;
    EXPECT_NE(s.out.find("      1    3          2            30       0.350  (set in the profile)"),
              std::string::npos)
        << s.out;
    EXPECT_NE(s.out.find("      9    8          0            50       0.254  (set in the profile)"),
              std::string::npos)
        << s.out;
}

TEST_F(ProfileTest, EveryValueIsCheckedAndTheMessageNamesKeyValueAndWhatIsAllowed) {
    struct Case {
        std::string from, to;
        std::vector<std::string> said;
    };
    const std::string end = "handshake = \"xon/xoff\"\n";
    const std::vector<Case> cases = {
        {end, end + "[colours.1]\npen = 99\n", {"colours.1.pen = 99", "TVK-HG700 has pens 1 to 8"}},
        {end,
         end + "[colours.1]\nline_type = 9\n",
         {"colours.1.line_type = 9", "line types 0 to 8"}},
        {end, end + "[colours.1]\nspeed = 300\n", {"colours.1.speed = 300", "0 to 255 cm/s"}},
        {end,
         end + "[colours.1]\nwidth_mm = 101.6\n",
         {"colours.1.width_mm = 101.6", "at most 50 mm"}},
        {end, end + "[colours.1]\npne = 1\n", {"colours.1.pne is not a key", "pen, line_type"}},
        {end, end + "[colours.256]\npen = 1\n", {"colours.256 is not a colour", "0 to 255"}},
        {end, end + "[pens.2]\ncolour = \"red\"\n", {"pens.2.colour = \"red\"", "#RRGGBB"}},
        {end, end + "[pens.9]\ncolour = \"#FF0000\"\n", {"pens.9 is not a pen", "pens 1 to 8"}},
        {"format = 2", "format = 3", {"format = 3", "formats 1 and 2"}},
        {"baud = 9600", "baud = 12345", {"port.baud = 12345", "19200, 9600, 4800"}},
        {"baud = 9600", "baud = 19200", {"port.baud = 19200", "TVK-HG700 takes at most 9600 baud"}},
        {"data_bits = 8", "data_bits = 6", {"port.data_bits = 6", "7 or 8"}},
        {"parity = \"none\"", "parity = \"mark\"", {"port.parity = \"mark\"", "\"odd\""}},
        {"pens = 8", "pens = 10", {"plotter.pens = 10", "the driver reports 8 for TVK-HG700"}},
        {"optimize = 4", "optimize = 4\nfast = true", {"plotter.fast is not a key"}},
        {"max_line_type = 8", "max_line_type = 6", {"plotter.max_line_type = 6", "must be 8"}},
        {"width_in = 33.11023622047244",
         "width_in = 20",
         {"paper.width_in = 20", "the driver reports 33.11"}},
        {"units_per_inch = 1016.0",
         "units_per_inch = 2032.0",
         {"paper.units_per_inch = 2032", "the driver reports 1016"}},
        {"model = ", "colour = 3\nmodel = ", {"colour is not a key of a profile"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to);
        edit(c.from, c.to);
        const Outcome o = plot();
        EXPECT_EQ(o.exit_code, 1);
        EXPECT_NE(o.err.find("profile " + profile()), std::string::npos) << o.err;
        for (const std::string& s : c.said) EXPECT_NE(o.err.find(s), std::string::npos) << o.err;
        EXPECT_FALSE(file_exists(dir.file("out.plt")));
    }
}

TEST_F(ProfileTest, PortSettingsAndPolygonFillEditedByHandAreHonoured) {
    edit("parity = \"none\"\ndata_bits = 8", "parity = \"even\"\ndata_bits = 7");
    EXPECT_EQ(plot().exit_code, 0) << last.err;
    // A new configuration offers them as the answers.
    ASSERT_EQ(configure("TVK-HG700"), 0) << last.err;
    EXPECT_NE(read_file(profile()).find("parity = \"even\"\ndata_bits = 7"), std::string::npos);
    edit("pen_options = 15", "pen_options = 271");
    Outcome o = plot();
    ASSERT_EQ(o.exit_code, 0) << o.err;
    edit("stop_bits = 1", "stop_bits = 2");
    o = run_tvkplot({"show", "--profile", profile()}, config());
    ASSERT_EQ(o.exit_code, 0) << o.err;
    EXPECT_NE(o.out.find("SERIAL   9600  8N2"), std::string::npos) << o.out;
}

// Format 1: the lists of 256 values, as earlier versions wrote them.
std::string format_one(const std::string& written, const std::string& pen_list_start,
                       const std::string& width) {
    std::string text = written;
    text.erase(text.find("format = 2\n"), 11);
    const size_t w = text.find("pen_width_mm = ");
    text.erase(w, text.find('\n', w) + 1 - w);
    // Each list: the values given first, then `rest(k)` for colour k.
    auto list = [](const std::string& key, const std::string& given,
                   const std::function<std::string(size_t)>& rest) {
        std::string out = key + " = [" + given;
        for (size_t k = static_cast<size_t>(std::count(given.begin(), given.end(), ',')); k < 256;
             ++k) {
            out += rest(k) + (k < 255 ? ", " : "]\n");
        }
        return out;
    };
    const auto pen = [](size_t k) { return std::to_string(k == 0 ? 1 : (k - 1) % 8 + 1); };
    return text + "\n[colours]\n" + list("pen", pen_list_start, pen) +
           list("line_type", "", [](size_t) { return "0"; }) +
           list("speed", "", [](size_t) { return "50"; }) +
           list("width_in", "", [&width](size_t) { return width; });
}

TEST_F(ProfileTest, TheFormatOfEarlierVersionsIsReadAndCheckedAndConfigureRewritesIt) {
    // Colour 3 on pen 5.
    dir.write("p.toml", format_one(written, "1, 1, 2, 5, ", "0.01"));
    Outcome o = plot();
    ASSERT_EQ(o.exit_code, 0) << o.err;
    dir.write("d.dxf", dxf_of_lines({{0, 0, 100, 0, 3}}));
    ASSERT_EQ(plot().exit_code, 0);
    EXPECT_EQ(pens_drawn(), (std::vector<int>{5}));

    ASSERT_EQ(configure("TVK-HG700"), 0) << last.err;
    const std::string rewritten = read_file(profile());
    EXPECT_NE(rewritten.find("format = 2"), std::string::npos);
    EXPECT_NE(rewritten.find("[colours.3]\npen = 5\n"), std::string::npos) << rewritten;
    // The lists hold the model's width of 0.01 inch: no colour differs in width.
    EXPECT_EQ(rewritten.find("\nwidth_mm"), std::string::npos) << rewritten;

    // A 4-inch pen is refused, not dropped.
    dir.write("p.toml", format_one(written, "1, 1, 2, 5, ", "4.0"));
    o = plot();
    EXPECT_EQ(o.exit_code, 1);
    EXPECT_NE(o.err.find("colours.width_in[0] = 4"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("at most 50 mm"), std::string::npos) << o.err;
}

TEST_F(ProfileTest, ConfigureKeepsTheUsersColoursAndSaysWhatNoLongerFits) {
    dir.write("p.toml", written +
                            "\n[colours.1]\npen = 3\nline_type = 2\nwidth_mm = 0.35\n"
                            "[colours.5]\nline_type = 8\n[colours.9]\npen = 7\nspeed = 20\n"
                            "[pens.7]\ncolour = \"#00ff00\"\n");
    // The same model: everything kept, nothing said.
    ASSERT_EQ(configure("TVK-HG700"), 0) << last.err;
    std::string text = read_file(profile());
    EXPECT_NE(text.find("[colours.1]\npen = 3\nline_type = 2\nwidth_mm = 0.35\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("[colours.9]\npen = 7\nspeed = 20\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[pens.7]\ncolour = \"#00FF00\"\n"), std::string::npos) << text;
    EXPECT_EQ(last.out.find("colour 1:"), std::string::npos) << last.out;

    // Another model, of 6 pens and TK-GL1: each colour is told.
    ASSERT_EQ(configure("TVK-PL400"), 0) << last.err;
    for (const char* said :
         {"colour 1: pen 3, line type 2, width 0.35 mm taken over from the profile of "
          "TVK-HG700\n",
          "colour 5: line type 8 is beyond the line types 0 to 6 of TK-GL1: a continuous line "
          "instead\n",
          "colour 9: speed 20 taken over from the profile of TVK-HG700\n",
          "colour 9: pen 7 does not fit the 6 pens of TVK-PL400: pen 3 (the default) instead\n",
          "pen 7: its colour #00FF00 is dropped, TVK-PL400 has 6 pens\n"}) {
        EXPECT_NE(last.out.find(said), std::string::npos) << last.out;
    }
    text = read_file(profile());
    EXPECT_NE(text.find("[colours.1]\npen = 3\nline_type = 2\nwidth_mm = 0.35\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("[colours.5]"), std::string::npos) << text;

    // --fresh starts from the model's defaults.
    ASSERT_EQ(configure("TVK-PL400", {"--fresh"}), 0) << last.err;
    EXPECT_EQ(read_file(profile()).find("[colours"), std::string::npos);
}

}  // namespace
}  // namespace tvk::host_test
