// Printing from the desktop: a real cupsd, started in a configuration of
// the test's own on a loopback port, with an IPP Everywhere queue made by
// lpadmin from what the printer application says of itself; `lp` of a PDF
// reaches the plotter's device as `tvkplot plot` of the same PDF.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "decoder/stream_decoder.h"
#include "host/settings/profile.h"
#include "host_drawing/pdf/pdf_maker.h"
#include "printer_server.h"

namespace tvk::printer_test {
namespace {

// cupsd in the foreground, its files in `dir`/cups; its filters run as the
// user lp, who must reach the directory.
class CupsDaemon {
  public:
    CupsDaemon(const TempDir& dir, int port) : dir_(dir), port_(port) {
        chmod(dir.path().c_str(), 0755);
        const std::string root = dir.file("cups");
        for (const char* sub : {"", "/spool", "/cache", "/state", "/log"}) {
            mkdir((root + sub).c_str(), 0755);
            chmod((root + sub).c_str(), 01777);
        }
        dir.write("cups/cupsd.conf", "Listen 127.0.0.1:" + std::to_string(port) +
                                         "\nLogLevel debug\nWebInterface No\nBrowsing No\n"
                                         "DefaultAuthType None\n<Location />\n  Order allow,deny\n"
                                         "  Allow all\n</Location>\n<Policy default>\n"
                                         "  <Limit All>\n    Order deny,allow\n  </Limit>\n"
                                         "</Policy>\n");
        dir.write("cups/cups-files.conf",
                  "ServerRoot " + root + "\nRequestRoot " + root + "/spool\nCacheDir " + root +
                      "/cache\nStateDir " + root + "/state\nTempDir " + root +
                      "/spool\nAccessLog " + root + "/log/access_log\nErrorLog " + root +
                      "/log/error_log\nPageLog " + root +
                      "/log/page_log\nServerBin /usr/lib/cups\nDataDir /usr/share/cups\n");
        pid_ = fork();
        if (pid_ == 0) {
            execlp("cupsd", "cupsd", "-f", "-c", (root + "/cupsd.conf").c_str(), "-s",
                   (root + "/cups-files.conf").c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 100; ++i) {
            if (lp({"lpstat", "-r"}).out.find("is running") != std::string::npos) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    ~CupsDaemon() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    CupsDaemon(const CupsDaemon&) = delete;
    CupsDaemon& operator=(const CupsDaemon&) = delete;

    // A CUPS command (lp, lpadmin, lpstat) against this cupsd.
    Outcome lp(std::vector<std::string> args) const {
        args.insert(args.begin() + 1, {"-h", "127.0.0.1:" + std::to_string(port_)});
        return run_program(args, dir_);
    }
    std::string log() const { return host_test::read_file(dir_.file("cups/log/error_log")); }

  private:
    const TempDir& dir_;
    int port_;
    int pid_ = -1;
};

TEST(PrintingFromTheDesktop, APdfPrintedWithLpPlotsAsTvkplotPlotsIt) {
    TempDir dir;
    PrinterServer server(dir);
    server.start();
    server.add_file_printer("rx24", "TVK-RX24", dir.file("rx24.plt"));
    // A page the size of the plotter's paper (ARCH D), as a print dialog makes it.
    dir.write("part.pdf", pdf_test::pdf_of({"10 0 0 10 0 0 cm 0 0 1 RG 0.1 w 20 20 m 150 20 l "
                                            "150 200 l 20 200 l h S 1 0 0 RG 100 50 m 100 63.8 "
                                            "88.8 75 75 75 c S 0 g BT /F1 12 Tf 30 30 Td "
                                            "(Bracket 2) Tj ET"},
                                           "0 0 1728 2592"));
    CupsDaemon cups(dir, free_port());
    const Outcome queue = cups.lp(
        {"lpadmin", "-p", "plotter", "-E", "-v", server.printer_uri("rx24"), "-m", "everywhere"});
    ASSERT_EQ(queue.exit_code, 0) << queue.err << cups.log();
    const Outcome printed = cups.lp({"lp", "-d", "plotter", dir.file("part.pdf")});
    ASSERT_EQ(printed.exit_code, 0) << printed.err;
    ASSERT_EQ(server.wait_for_job("rx24", 1, {"completed", "aborted", "canceled"}, 90), "completed")
        << cups.log() << server.log();

    const std::string reference = dir.file("reference.plt");
    ASSERT_EQ(run_program({TVKPLOT_PROGRAM, "plot", dir.file("part.pdf"), "--profile",
                           server.spool() + "/printer-1.toml", "-o", reference, "--yes"},
                          dir)
                  .exit_code,
              0);
    const std::string sent = host_test::read_file(dir.file("rx24.plt"));
    // CUPS may rewrite the PDF on its way (pdftopdf); the plot fits what is
    // drawn to the paper, so the pen paths stay the same.
    const auto language = static_cast<decoder::Language>(
        host::load_profile(server.spool() + "/printer-1.toml").language_index());
    const auto paths = [&](const std::string& stream) {
        return decoder::drawn_polylines(decoder::decode(stream, language));
    };
    const auto got = paths(sent), want = paths(host_test::read_file(reference));
    ASSERT_EQ(got.size(), want.size());
    ASSERT_FALSE(got.empty());
    for (size_t i = 0; i < got.size(); ++i) {
        ASSERT_EQ(got[i].points.size(), want[i].points.size());
        for (size_t k = 0; k < got[i].points.size(); ++k) {
            EXPECT_NEAR(got[i].points[k].x, want[i].points[k].x, 2);
            EXPECT_NEAR(got[i].points[k].y, want[i].points[k].y, 2);
        }
    }
}

}  // namespace
}  // namespace tvk::printer_test
