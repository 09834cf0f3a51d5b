// Plot files written by other programs and people (real_files/README.md
// names each and its licence), read as a user's plot would read them, against
// what an independent HP-GL viewer draws from them: the total pen-down
// length and the width and height of the ink.
#include <fstream>
#include <sstream>

#include "tests/host_drawing/plotfile/plot_file_test.h"

namespace tvk::host::test {
namespace {

struct ViewerInk {
    const char* file;
    // hp2xx's figures, in plotter units (real_files/README.md: how they were
    // made); a length below 0: the file fills, and its strokes are not compared.
    double length, width, height;
    // How closely the ink agrees; wider where the viewer draws text in its
    // own font or otherwise differs for a reason the README gives.
    double length_share, size_share;
};

constexpr ViewerInk kFiles[] = {
    // Vectors, arcs, circles, Bezier curves, wedges, line types, windows.
    {"ci.hp", 5355.5, 1000.0, 1000.0, 0.01, 0.01},
    {"arcs.hp", 59459.3, 8000.0, 7156.2, 0.02, 0.01},  // CI's chord angle followed here
    {"bz.hp", 12241.8, 6096.0, 5500.9, 0.01, 0.01},
    {"at.hpg", 7812.5, 2850.0, 1400.0, 0.01, 0.01},
    {"ew.hpg", 14328.1, 2333.3, 2461.7, 0.01, 0.01},
    {"lt.hp", 21942.4, 3200.0, 3200.0, 0.01, 0.01},
    {"ul.hp", 53595.5, 4251.0, 2050.0, 0.01, 0.01},
    {"win_1.hp", 135966.6, 10043.2, 6468.3, 0.01, 0.01},
    {"la.hp", 20300.0, 4000.0, 2000.0, 0.01, 0.01},
    {"miter.hp", 3914.2, 1500.0, 1100.0, 0.01, 0.01},
    {"monoplots_test.hpgl", 29297.1, 8408.0, 7923.0, 0.01, 0.01},
    {"gcodeplot_star.plt", 8917.5, 2542.0, 2498.0, 0.01, 0.01},
    // Labels: the viewer's font is not ours, so the length of the strokes
    // differs; where the text stands and how large it is agrees.
    {"di.hp", 18770.3, 2998.1, 2998.1, 0.25, 0.01},
    {"dt.plt", 29343.4, 5689.6, 1117.6, 0.25, 0.01},
    {"symbols.hp", 8459.2, 3362.5, 1599.0, 0.25, 0.03},
    {"charsize.hp", 9353.6, 1000.0, 1000.0, 0.25, 0.01},
    // The viewer sizes SR characters from its own page, not from P1-P2 after
    // IP, stacks no DV text, and leaves out what lies beyond PS's page (here
    // drawn, as the plot's own paper decides what is cut off): the README
    // gives the figures.
    {"cp.hp", 32797.9, 3463.0, 2127.5, 0.5, 0.4},
    {"lo.hp", 19176.4, 4078.0, 2725.0, 0.5, 0.4},
    {"dv.hpg", 3266.9, 2575.0, 594.0, 1, 1.5},
    {"iw.hp", 36000.0, 10400.0, 7600.0, 0.05, 2.5},
    // Plots of a CAD program and of a plotting library: lines at a plotter's
    // turned and hard-clipped page (PS, RO, IW), line types, pen widths.
    {"inter.hp", 329674.4, 7469.0, 7128.0, 0.01, 0.01},
    {"286x192.5_lh.hpg", 416643.4, 7700.0, 7700.0, 0.01, 0.01},
    {"286x192.5_lq.hpg", 659620.1, 11440.0, 7700.0, 0.01, 0.01},
    {"286x192.5_qh.hpg", 428000.9, 7700.0, 7910.0, 0.01, 0.01},
    {"286x192.5_qh2.hpg", 428039.8, 10780.0, 7965.6, 0.01, 0.01},
    {"286x192.5_qq.hpg", 598925.1, 10830.0, 7700.0, 0.01, 0.01},
    {"pw.hpg", 36192.0, 6360.0, 3000.0, 0.01, 0.01},
    {"colors.hp", 22400.0, 1400.0, 1400.0, 0.01, 0.01},
    {"mycolors.hp", 22400.0, 1400.0, 1400.0, 0.01, 0.01},
    // The viewer draws wide pens as several strokes, so its ink reaches half
    // a pen width further; and it ends an adaptive pattern with a dash.
    {"thick.hp", 234373.9, 19200.0, 14200.0, 0.01, 0.03},
    // Labels in the viewer's default size (0.5% by 0.75% of P1-P2, where
    // HP-GL's is 0.75% by 1.5%): the text here is larger where the file
    // gives no size.
    {"ascii.hp", 50171.5, 2600.2, 2394.0, 0.3, 0.4},
    {"char7.hp", 62428.4, 2596.6, 2538.0, 0.3, 0.45},
    {"charsets.hp", 177384.7, 2715.2, 9102.0, 0.25, 0.01},
    // Filled areas: the viewer fills with strokes a pen wide, tvkplot with a
    // filled shape the plot fills as the target plotter can, so only where
    // the ink lies is compared.
    {"fill.plt", -1, 14999.0, 13999.0, 0, 0.01},
    {"fwedges.plt", -1, 4100.0, 4000.0, 0, 0.01},
    {"spectrum.plt", -1, 7477.3, 10840.0, 0, 0.01},
    {"ft.hp", -1, 2500.0, 900.0, 0, 0.01},
    {"pm.hp", -1, 1000.0, 1000.0, 0, 0.01},
    {"rf.plt", -1, 4000.0, 800.0, 0, 0.01},
    // Plotter art.
    {"monoplots_hasi.hpgl", 198892.0, 7289.0, 11451.0, 0.01, 0.01},
};

std::string contents(const std::string& name) {
    std::ifstream in(
        std::string(TVK_SOURCE_DIR) + "/tests/host_drawing/plotfile/real_files/" + name,
        std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(PlotFileRealFiles, InkAgreesWithAnIndependentViewer) {
    for (const ViewerInk& f : kFiles) {
        SCOPED_TRACE(f.file);
        const std::string plot = contents(f.file);
        ASSERT_FALSE(plot.empty());
        Read r;
        read_into(r, plot, {1016, "", 0});
        constexpr double kUnitsPerMm = 40;
        double length = 0;
        for (const DrawnSegment& s : r.segments) length += host::length(s.b - s.a) * kUnitsPerMm;
        Box b = bounds(r.segments);
        for (const auto& ring : r.fills)
            for (const Vec2 p : ring) b.add(p);
        const double width = (b.max_x - b.min_x) * kUnitsPerMm;
        const double height = (b.max_y - b.min_y) * kUnitsPerMm;
        if (f.length < 0) {
            EXPECT_FALSE(r.fills.empty());
        } else {
            EXPECT_NEAR(length, f.length, f.length_share * f.length);
        }
        EXPECT_NEAR(width, f.width, f.size_share * f.width);
        EXPECT_NEAR(height, f.height, f.size_share * f.height);
    }
}

}  // namespace
}  // namespace tvk::host::test
