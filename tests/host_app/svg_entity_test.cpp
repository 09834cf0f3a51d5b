// An SVG document that names an external entity is read without it, and
// the user is told which one was not loaded.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "program.h"

namespace tvk::host_test {
namespace {

TEST(SvgEntityTest, AnExternalEntityIsNotLoadedAndSaidSo) {
    TempDir dir;
    dir.write("secret.txt", "SECRET");
    dir.write("e.svg", "<?xml version=\"1.0\"?>\n<!DOCTYPE svg [<!ENTITY ext SYSTEM \"file://" +
                           dir.file("secret.txt") +
                           "\">]>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100mm\" "
                           "height=\"50mm\" viewBox=\"0 0 100 50\"><text x=\"5\" y=\"20\" "
                           "font-size=\"10\">&ext;</text><path d=\"M0 0 L100 50\" "
                           "stroke=\"black\"/></svg>");
    // The DTD of SVG itself is no content: nothing is said of it.
    dir.write("dtd.svg",
              "<?xml version=\"1.0\"?>\n<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" "
              "\"http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd\">\n<svg "
              "xmlns=\"http://www.w3.org/2000/svg\" width=\"100mm\" height=\"50mm\"><path "
              "d=\"M0 0 L100 50\" stroke=\"black\"/></svg>");
    const Outcome o =
        run_tvkplot({"plot", dir.file("e.svg"), "--dry-run", "--yes"}, dir.file("config"));
    ASSERT_EQ(o.exit_code, 0) << o.err;
    const std::string all = o.out + o.err;
    EXPECT_NE(all.find("Not loaded: the external entity file://" + dir.file("secret.txt")),
              std::string::npos)
        << all;
    const Outcome dtd =
        run_tvkplot({"plot", dir.file("dtd.svg"), "--dry-run", "--yes"}, dir.file("config"));
    ASSERT_EQ(dtd.exit_code, 0) << dtd.err;
    EXPECT_EQ((dtd.out + dtd.err).find("Not loaded"), std::string::npos) << dtd.out << dtd.err;
}

}  // namespace
}  // namespace tvk::host_test
