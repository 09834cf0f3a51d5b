// A device named as the plot or preview file (a printer port, /dev/null) is
// written as it stands: never replaced by a regular file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "fixtures.h"
#include "program.h"

namespace tvk::host_test {
namespace {

bool is_char_device(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

TEST(DeviceOutputTest, ADeviceGivenToOutputOrPreviewIsWrittenAsItStands) {
    TempDir dir;
    const std::string null = dir.file("null");
    // A copy of /dev/null; making one needs the right to make devices.
    if (mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
        GTEST_SKIP() << "cannot make a device node here";
    }
    dir.write("d.dxf", dxf_of_lines({{0, 0, 100, 0}, {100, 0, 100, 100}}));
    const std::vector<std::vector<std::string>> outputs = {
        {"-o", null}, {"-o", dir.file("p.plt"), "--preview", null}};
    for (const auto& output : outputs) {
        std::vector<std::string> args = {"plot", dir.file("d.dxf"), "--yes"};
        args.insert(args.end(), output.begin(), output.end());
        const Outcome o = run_tvkplot(args, dir.file("config"));
        EXPECT_EQ(o.exit_code, 0) << o.err;
        EXPECT_TRUE(is_char_device(null));
        EXPECT_FALSE(file_exists(null + ".part"));
    }
}

}  // namespace
}  // namespace tvk::host_test
