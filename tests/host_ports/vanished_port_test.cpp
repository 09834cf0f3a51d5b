// A plotter on a pseudo-terminal that is gone before or during a small plot:
// the whole plot fits in the pseudo-terminal at once, whose queue then reads
// as empty whatever the other end read, so the plot must not be reported as
// sent. A plotter that answers its buffer query confirms that it has all.
#include <gtest/gtest.h>

#include "emulator.h"
#include "fixtures.h"
#include "host/settings/profile.h"
#include "program.h"

namespace tvk::host_test {
namespace {

class VanishedPortTest : public ::testing::Test {
  protected:
    Outcome tvkplot(std::vector<std::string> args) const {
        args.insert(args.begin(),
                    {"--def", std::string(TVK_SOURCE_DIR) + "/tests/host_ports/ports.def"});
        return run_tvkplot(args, dir.file("config"));
    }
    std::string profile(bool status) const {
        const std::string path = dir.file(status ? "status.toml" : "plain.toml");
        EXPECT_EQ(tvkplot({"configure", "--model", "TEST-X", "--profile", path, "--yes"}).exit_code,
                  0);
        host::Profile p = host::load_profile(path);
        p.status_queries = status;
        host::save_profile(p, path);
        return path;
    }
    TempDir dir;
};

TEST_F(VanishedPortTest, APlotToAPseudoTerminalWhoseOtherEndIsGoneFails) {
    setenv("XDG_STATE_HOME", dir.file("state").c_str(), 1);
    dir.write("small.dxf", dxf_of_lines({{0, 0, 80, 20}, {0, 20, 80, 0}}));
    const std::string d = dir.file("small.dxf");
    const std::string status = profile(true);
    const std::string plain = profile(false);
    {
        // Gone after the first 60 bytes: the plot went into the
        // pseudo-terminal whole, and its queue was empty at once.
        Emulator plotter(dir, {"--vanish-after", "60"});
        const Outcome o = tvkplot({"plot", d, "--profile", status, "--port", plotter.port()});
        EXPECT_EQ(o.exit_code, 1) << o.out << o.err;
        EXPECT_EQ(o.out.find("Sent the plot"), std::string::npos) << o.out;
        EXPECT_NE(o.err.find("`tvkplot resume "), std::string::npos) << o.err;
        EXPECT_EQ(plotter.stop().bytes.size(), 60u);
    }
    {
        // Gone before the plot: nothing is sent, and nothing said to be.
        std::string port;
        {
            Emulator plotter(dir, {});
            port = plotter.port();
            plotter.stop();
        }
        const Outcome o = tvkplot({"plot", d, "--profile", plain, "--port", port});
        EXPECT_NE(o.exit_code, 0) << o.out << o.err;
        EXPECT_EQ(o.out.find("Sent the plot"), std::string::npos) << o.out;
    }
    {
        // A plotter that answers its buffer query says it has all of it.
        Emulator plotter(dir, {});
        const Outcome o = tvkplot({"plot", d, "--profile", status, "--port", plotter.port()});
        EXPECT_EQ(o.exit_code, 0) << o.out << o.err;
        EXPECT_EQ(o.out.find("is a pseudo-terminal"), std::string::npos) << o.out;
    }
    // One that does not: the plot is sent, and the user told what is not known.
    Emulator plotter(dir, {});
    const Outcome o = tvkplot({"plot", d, "--profile", plain, "--port", plotter.port()});
    EXPECT_EQ(o.exit_code, 0) << o.out << o.err;
    EXPECT_NE(o.out.find("is a pseudo-terminal, whose queue tells nothing"), std::string::npos)
        << o.out;
}

}  // namespace
}  // namespace tvk::host_test
