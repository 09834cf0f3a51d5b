// A plotter behind socket:// takes one sheet at a time: a job of several
// pages or copies stops after each sheet, the printer saying media-needed
// and the job the question, until the user says go (the command line, IPP's
// Resume-Job, the printer's page); then the next sheet reaches the plotter.
// A job cancelled while it waits ends there, its pen put away.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "browser.h"
#include "decoder/stream_decoder.h"
#include "emulator.h"
#include "fixtures.h"
#include "host/settings/profile.h"
#include "host_drawing/pdf/pdf_maker.h"
#include "printer_server.h"

namespace tvk::printer_test {
namespace {

using host_test::Emulator;

class NewSheet : public ::testing::Test {
  protected:
    void SetUp() override {
        server.start();
        dir.write("pages.pdf", pdf_test::pdf_of({"1 0 0 RG 10 10 m 190 90 l S",
                                                 "0 0 1 RG 10 90 m 190 10 l 100 10 l S"}));
    }

    // A printer of the model on the emulator, through a network adapter.
    void add_plotter(const std::string& name, const std::string& model) {
        const std::string uri = "socket://" + plotter.port().substr(4);  // tcp:HOST:PORT
        ASSERT_EQ(server.command({"add", "-d", name, "-v", uri, "-m", model}).exit_code, 0);
    }

    std::vector<decoder::Polyline> pen_paths(const std::string& stream, int printer_id = 1) {
        const auto language = static_cast<decoder::Language>(
            host::load_profile(server.profile(printer_id)).language_index());
        return decoder::drawn_polylines(decoder::decode(stream, language));
    }
    static bool same(const std::vector<decoder::Polyline>& a,
                     const std::vector<decoder::Polyline>& b) {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i) {
            if (a[i].points != b[i].points) return false;
        }
        return true;
    }
    // Whether the plotter has got the pen paths of `want`, within a minute.
    bool plotter_has(const std::string& want, int printer_id = 1) {
        const auto paths = pen_paths(want, printer_id);
        for (int i = 0; i < 600; ++i) {
            if (same(pen_paths(plotter.received(), printer_id), paths)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    Outcome ipptool(const std::string& printer, const std::string& request) {
        dir.write("request.test", request);
        return run_program(
            {"ipptool", "-tv", server.printer_uri(printer), dir.file("request.test")}, dir);
    }
    // Whether the printer's state reasons hold media-needed (or not).
    bool media_needed(const std::string& printer, bool needed) {
        return ipptool(printer,
                       "{\n  OPERATION Get-Printer-Attributes\n"
                       "  GROUP operation-attributes-tag\n"
                       "  ATTR charset attributes-charset utf-8\n"
                       "  ATTR naturalLanguage attributes-natural-language en\n"
                       "  ATTR uri printer-uri $uri\n  STATUS successful-ok\n"
                       "  EXPECT printer-state-reasons " +
                           std::string(needed ? "WITH-VALUE" : "WITHOUT-VALUE") +
                           " \"media-needed\"\n}\n")
                   .exit_code == 0;
    }

    TempDir dir;
    PrinterServer server{dir};
    Emulator plotter{dir, {"--tcp"}};
};

TEST_F(NewSheet, APdfJobWaitsForPaperBetweenItsPages) {
    add_plotter("rx24", "TVK-RX24");
    const std::string pdf = dir.file("pages.pdf");
    ASSERT_EQ(server.command({"submit", "-d", "rx24", pdf}).exit_code, 0);
    ASSERT_TRUE(server.wait_for_job_message("rx24", 1, "Put in a new sheet for page 2 of 2"))
        << server.log();
    // Page 1 is on the plotter, and nothing of page 2 while the job waits.
    const std::string first = server.reference_plot(pdf, 1, {"--page", "1"});
    const std::string second = server.reference_plot(pdf, 1, {"--page", "2"});
    EXPECT_TRUE(plotter_has(first));
    EXPECT_EQ(server.job_state("rx24", 1), "processing");
    EXPECT_TRUE(media_needed("rx24", true));
    // Nothing waits to go on but this printer's job.
    EXPECT_NE(server.command({"continue", "-d", "nosuch"}).exit_code, 0);

    const Outcome go = server.command({"continue", "-d", "rx24"});
    ASSERT_EQ(go.exit_code, 0) << go.err << server.log();
    ASSERT_EQ(server.wait_for_job("rx24", 1, {"completed", "aborted", "canceled"}), "completed")
        << server.log();
    EXPECT_TRUE(media_needed("rx24", false));
    EXPECT_TRUE(same(pen_paths(plotter.stop().bytes), pen_paths(first + second)));
    // Asked again, with nothing waiting: said so.
    EXPECT_NE(server.command({"continue", "-d", "rx24"}).exit_code, 0);
}

TEST_F(NewSheet, CopiesPlottedAgainWaitForPaperAndGoOnByResumeJob) {
    // A TVK-PL250 is sent the drawing again for each copy.
    add_plotter("pl250", "TVK-PL250");
    const std::string drawing = host_test::example("bracket.dxf");
    const Outcome sent =
        ipptool("pl250",
                "{\n  OPERATION Print-Job\n  GROUP operation-attributes-tag\n"
                "  ATTR charset attributes-charset utf-8\n"
                "  ATTR naturalLanguage attributes-natural-language en\n"
                "  ATTR uri printer-uri $uri\n  ATTR name requesting-user-name tester\n"
                "  ATTR mimeMediaType document-format image/vnd.dxf\n"
                "  GROUP job-attributes-tag\n  ATTR integer copies 2\n"
                "  FILE " +
                    drawing + "\n  STATUS successful-ok\n}\n");
    ASSERT_EQ(sent.exit_code, 0) << sent.out;
    ASSERT_TRUE(server.wait_for_job_message("pl250", 1, "Put in a new sheet for copy 2 of 2"))
        << server.log();
    const std::string one = server.reference_plot(drawing);
    EXPECT_TRUE(plotter_has(one));
    EXPECT_TRUE(media_needed("pl250", true));
    ASSERT_TRUE(server.job_operation("pl250", 1, "Resume-Job")) << server.log();
    ASSERT_EQ(server.wait_for_job("pl250", 1, {"completed", "aborted", "canceled"}), "completed")
        << server.log();
    EXPECT_TRUE(same(pen_paths(plotter.stop().bytes), pen_paths(one + one)));
}

// A plotter with one pen has each pen put in by hand: the job waits before
// each pen's part, as between sheets, asking for the pen by its colour.
TEST_F(NewSheet, AOnePenPlotterWaitsForEachPenPutInByHand) {
    const std::string def = std::string(TVK_SOURCE_DIR) + "/tests/host_ports/ports.def";
    server.stop();
    server.definition = def;
    server.start();
    add_plotter("one", "TEST-1");
    dir.write("two.svg", R"(<svg xmlns="http://www.w3.org/2000/svg" width="80mm" height="50mm">)"
                         R"(<path d="M5 5 L75 5" stroke="#FF0000" fill="none"/>)"
                         R"(<path d="M5 45 L75 45 L75 30" stroke="#0000FF" fill="none"/></svg>)");
    ASSERT_EQ(server.command({"submit", "-d", "one", dir.file("two.svg")}).exit_code, 0);
    for (const char* pen : {"Put in pen 1", "Put in pen 2"}) {
        ASSERT_TRUE(server.wait_for_job_message("one", 1, pen)) << pen << server.log();
        EXPECT_TRUE(media_needed("one", true));
        const Outcome go = server.command({"continue", "-d", "one"});
        ASSERT_EQ(go.exit_code, 0) << go.err << server.log();
    }
    ASSERT_EQ(server.wait_for_job("one", 1, {"completed", "aborted", "canceled"}), "completed")
        << server.log();
    // The same pen paths as tvkplot plots, pen by pen.
    const std::string plotted = plotter.stop().bytes;
    EXPECT_EQ(pen_paths(plotted).size(), 2u);
    EXPECT_TRUE(same(pen_paths(plotted),
                     pen_paths(server.reference_plot(dir.file("two.svg"), 1, {"--def", def}))));
    EXPECT_EQ(plotted.find("SP2"), std::string::npos);
}

TEST_F(NewSheet, AJobCancelledWhileItWaitsEndsThere) {
    add_plotter("rx24", "TVK-RX24");
    const std::string pdf = dir.file("pages.pdf");
    ASSERT_EQ(server.command({"submit", "-d", "rx24", pdf}).exit_code, 0);
    ASSERT_TRUE(server.wait_for_job_message("rx24", 1, "Put in a new sheet for page 2 of 2"))
        << server.log();
    const std::string first = server.reference_plot(pdf, 1, {"--page", "1"});
    ASSERT_TRUE(plotter_has(first));
    const Outcome cancelled = server.command({"cancel", "-d", "rx24", "-j", "1"});
    ASSERT_EQ(cancelled.exit_code, 0) << cancelled.out << cancelled.err;
    EXPECT_EQ(server.wait_for_job("rx24", 1, {"canceled", "completed", "aborted"}), "canceled");
    EXPECT_TRUE(media_needed("rx24", false));
    // The plotter got page 1 alone, which ended with the pen put away.
    const std::string got = plotter.stop().bytes;
    EXPECT_TRUE(same(pen_paths(got), pen_paths(first)));
    ASSERT_GE(got.size(), 7u);
    ASSERT_GE(first.size(), 7u);
    EXPECT_EQ(got.substr(got.size() - 7), first.substr(first.size() - 7));
}

TEST_F(NewSheet, ThePrintersSettingsPageAsksAndGoesOnWithItsSession) {
    add_plotter("rx24", "TVK-RX24");
    const std::string pdf = dir.file("pages.pdf");
    ASSERT_EQ(server.command({"submit", "-d", "rx24", pdf}).exit_code, 0);
    ASSERT_TRUE(server.wait_for_job_message("rx24", 1, "Put in a new sheet for page 2 of 2"))
        << server.log();
    const std::string page = "http://localhost:" + std::to_string(server.port()) + "/rx24/plotter";
    const std::string jar = dir.file("cookies");
    const Outcome shown = run_program({"curl", "-s", "-c", jar, "-b", jar, page}, dir);
    EXPECT_NE(shown.out.find("Put in a new sheet for page 2 of 2"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("id=\"continue\""), std::string::npos) << shown.out;
    // Not without the page's session; nor are settings saved while the job waits.
    const Outcome forged = run_program({"curl", "-s", "--data", "session=0&continue=1", page}, dir);
    EXPECT_NE(forged.out.find("Not saved"), std::string::npos) << forged.out;
    const size_t at = shown.out.find("name=\"session\" value=\"");
    ASSERT_NE(at, std::string::npos);
    const std::string session = shown.out.substr(at + 22, shown.out.find('"', at + 22) - at - 22);
    const Outcome saving = run_program(
        {"curl", "-s", "-c", jar, "-b", jar, "--data", "session=" + session + "&copies=2", page},
        dir);
    EXPECT_NE(saving.out.find("waits for a new sheet"), std::string::npos) << saving.out;
    EXPECT_EQ(server.job_state("rx24", 1), "processing");

    const Outcome go = run_program(
        {"curl", "-s", "-c", jar, "-b", jar, "--data", "session=" + session + "&continue=1", page},
        dir);
    EXPECT_NE(go.out.find("Going on with the next sheet"), std::string::npos) << go.out;
    ASSERT_EQ(server.wait_for_job("rx24", 1, {"completed", "aborted", "canceled"}), "completed")
        << server.log();
    EXPECT_TRUE(same(pen_paths(plotter.stop().bytes),
                     pen_paths(server.reference_plot(pdf, 1, {"--page", "1"}) +
                               server.reference_plot(pdf, 1, {"--page", "2"}))));
}

TEST_F(NewSheet, ThePageToPlotFromShowsContinueWhileItsJobWaits) {
    if (!browser_usable()) GTEST_SKIP() << "headless Chromium under the sanitizers";
    add_plotter("rx24", "TVK-RX24");
    Browser browser(dir);
    Tab tab(browser, "http://localhost:" + std::to_string(server.port()) + "/plot");
    ASSERT_TRUE(tab.wait_until("document.getElementById('printer').options.length == 1"));
    tab.choose_file("#file", dir.file("pages.pdf"));
    tab.eval("document.getElementById('show').click()");
    ASSERT_TRUE(tab.wait_until("!document.getElementById('plot').disabled"));
    tab.eval("document.getElementById('plot').click()");
    ASSERT_TRUE(tab.wait_until(
        "!document.getElementById('continue').hidden && document.getElementById('status')"
        ".textContent.includes('Put in a new sheet for page 2 of 2')"))
        << tab.eval("document.getElementById('status').textContent");
    tab.eval("document.getElementById('continue').click()");
    ASSERT_TRUE(
        tab.wait_until("document.getElementById('status').textContent.includes('completed')"))
        << tab.eval("document.getElementById('status').textContent");
    EXPECT_EQ(tab.eval("document.getElementById('continue').hidden"), "true");
}

}  // namespace
}  // namespace tvk::printer_test
