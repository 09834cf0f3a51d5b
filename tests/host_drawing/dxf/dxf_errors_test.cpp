// A DXF file that cannot be read gives an error that names it (and the line).
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/host_drawing/dxf/dxf_builder.h"

namespace tvk::host::test {
namespace {

const std::string kGood =
    dxf_file(entity("LINE", {{8, "0"}, {10, "0"}, {20, "0"}, {11, "1"}, {21, "1"}}));

// The message of the DxfError that loading `contents` throws.
std::string error_for(const std::string& contents, std::string* path_out = nullptr) {
    std::string path = write_temp("bad.dxf", contents);
    if (path_out) *path_out = path;
    try {
        Drawing::load_dxf(path);
    } catch (const DxfError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        return e.what();
    }
    ADD_FAILURE() << "no DxfError";
    return "";
}

void expect_contains(const std::string& message, const std::string& part) {
    EXPECT_NE(message.find(part), std::string::npos) << message;
}

TEST(DxfErrors, MissingFileAndDirectory) {
    std::string missing = testing::TempDir() + "no_such_drawing.dxf";
    try {
        Drawing::load_dxf(missing);
        FAIL();
    } catch (const DxfError& e) {
        expect_contains(e.what(), missing);
        expect_contains(e.what(), "cannot open");
    }
    try {
        Drawing::load_dxf(testing::TempDir());
        FAIL();
    } catch (const DxfError& e) {
        expect_contains(e.what(), "directory");
    }
}

TEST(DxfErrors, TruncatedFiles) {
    expect_contains(error_for(kGood.substr(0, kGood.size() / 2)), "truncated");
    // Ending with the last section but without the end marker is complete.
    std::string no_marker = kGood.substr(0, kGood.rfind("EOF"));
    no_marker = no_marker.substr(0, no_marker.find_last_not_of(" \n0") + 1) + "\n";
    EXPECT_EQ(load(no_marker).flatten(0.1).paths.size(), 1u);
    // Cut just after a group code: the code has no value.
    expect_contains(error_for(kGood.substr(0, kGood.find("LINE"))), "has no value");
    expect_contains(error_for(""), "empty");
}

TEST(DxfErrors, MalformedGroupsNameTheLine) {
    // The first x coordinate's group code, misspelt.
    size_t at = kGood.find("\n10\n") + 1;
    std::string bad_code = kGood;
    bad_code.replace(at, 2, "1O");
    auto message = error_for(bad_code);
    expect_contains(message, "group code expected, found '1O'");
    int line = 1 + static_cast<int>(
                       std::count(kGood.begin(), kGood.begin() + static_cast<long>(at), '\n'));
    expect_contains(message, "line " + std::to_string(line) + ":");

    std::string bad_number = kGood;
    bad_number.replace(bad_number.find("\n11\n1\n"), 6, "\n11\none\n");
    expect_contains(error_for(bad_number), "needs a number, found 'one'");

    std::string huge_code = kGood;
    huge_code.replace(at, 2, "5000");
    expect_contains(error_for(huge_code), "out of range");
}

TEST(DxfErrors, FilesThatAreNotAsciiDxf) {
    expect_contains(error_for("Hello, this is a letter.\nNot a drawing.\n"), "not a DXF file");
    expect_contains(error_for(std::string("AutoCAD Binary DXF\r\n\x1a\0", 22) + "junk"), "binary");
    expect_contains(error_for("0\nLINE\n0\nEOF\n"), "not a DXF file");
}

TEST(DxfErrors, EndMarkerLineEndsAndByteOrderMarkReadAsTheyAre) {
    auto d = load(kGood + "garbage after the end\n");
    EXPECT_EQ(d.flatten(0.1).paths.size(), 1u);
    // Windows line ends read the same.
    std::string crlf;
    for (char c : kGood) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(load(crlf).flatten(0.1).paths.size(), 1u);
    // So does a file that a Windows editor saved with a UTF-8 byte order mark.
    EXPECT_EQ(load("\xEF\xBB\xBF" + crlf).flatten(0.1).paths.size(), 1u);
    // And one of an old Macintosh program, its lines ending in CR alone.
    std::string cr = kGood;
    std::replace(cr.begin(), cr.end(), '\n', '\r');
    EXPECT_EQ(load(cr).flatten(0.1).paths.size(), 1u);
}

}  // namespace
}  // namespace tvk::host::test

namespace tvk::host::test {
namespace {

TEST(DxfErrors, NumbersThatAreNotFiniteAndImpossibleCounts) {
    std::string nan =
        dxf_file(entity("LINE", {{8, "0"}, {10, "nan"}, {20, "0"}, {11, "1"}, {21, "1"}}));
    expect_contains(error_for(nan), "needs a number, found 'nan'");
    // A count far beyond what the file holds: a broken file.
    std::string huge = dxf_file(
        entity("LWPOLYLINE", {{8, "0"}, {90, "2000000000"}, {70, "0"}, {10, "0"}, {20, "0"}}));
    expect_contains(error_for(huge), "more than the file can hold");
}

TEST(DxfErrors, AVertexCountThatIsTooSmallLosesNoVertices) {
    auto f = load(dxf_file(entity("LWPOLYLINE", {{8, "0"},
                                                 {90, "1"},
                                                 {70, "0"},
                                                 {10, "0"},
                                                 {20, "0"},
                                                 {10, "5"},
                                                 {20, "0"},
                                                 {10, "5"},
                                                 {20, "5"}})))
                 .flatten(0.1);
    ASSERT_EQ(f.paths.size(), 1u);
    EXPECT_EQ(f.paths[0].points.size(), 3u);
}

TEST(DxfErrors, ExternalReferencesAreReported) {
    std::string xref =
        entity("BLOCK", {{8, "0"}, {2, "PLAN"}, {70, "4"}, {10, "0"}, {20, "0"}, {1, "plan.dwg"}}) +
        entity("ENDBLK", {{8, "0"}});
    auto d = load(dxf_file(entity("INSERT", {{8, "0"}, {2, "PLAN"}, {10, "0"}, {20, "0"}}), xref));
    EXPECT_EQ(d.unsupported().at("XREF"), 1);
}

}  // namespace
}  // namespace tvk::host::test
