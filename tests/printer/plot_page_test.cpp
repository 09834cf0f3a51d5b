// The page to plot from, in a real browser: headless Chromium, driven over
// its DevTools pipe, uploads a drawing, shows the preview and the summary,
// plots it and follows the job to its end; a slow plotter's job is cancelled
// from the page. And the page's requests refuse what another site could send.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "browser.h"
#include "emulator.h"
#include "fixtures.h"
#include "printer_server.h"

namespace tvk::printer_test {
namespace {

class PlotPage : public ::testing::Test {
  protected:
    void SetUp() override { server.start(); }
    std::string page() const {
        return "http://localhost:" + std::to_string(server.port()) + "/plot";
    }

    TempDir dir;
    PrinterServer server{dir};
};

TEST_F(PlotPage, UploadPreviewAndPlotInABrowser) {
    if (!browser_usable()) GTEST_SKIP() << "headless Chromium under the sanitizers";
    server.add_file_printer("rx24", "TVK-RX24", dir.file("rx24.plt"));
    dir.write("part.svg", R"(<svg xmlns="http://www.w3.org/2000/svg" width="80mm" height="50mm">)"
                          R"(<rect x="5" y="5" width="70" height="40" stroke="black" fill="none"/>)"
                          R"(<circle cx="40" cy="25" r="15" stroke="red" fill="none"/></svg>)");
    Browser browser(dir);
    Tab tab(browser, page());
    ASSERT_TRUE(tab.wait_until("document.getElementById('printer').options.length == 1"));
    EXPECT_EQ(tab.eval("document.getElementById('printer').options[0].textContent"),
              "rx24 (TVK-RX24)");
    tab.choose_file("#file", dir.file("part.svg"));
    tab.eval("document.getElementById('show').click()");
    ASSERT_TRUE(tab.wait_until("document.querySelector('#preview img')"))
        << tab.eval("document.body.innerText");
    // The summary of the exact plot, and the preview picture loaded.
    EXPECT_NE(tab.eval("document.getElementById('summary').textContent").find("2 pens"),
              std::string::npos);
    EXPECT_TRUE(tab.wait_until("document.querySelector('#preview img').naturalWidth > 0"));
    tab.eval("document.getElementById('plot').click()");
    ASSERT_TRUE(
        tab.wait_until("document.getElementById('status').textContent.includes('completed')"))
        << tab.eval("document.getElementById('status').textContent");
    EXPECT_EQ(tab.eval("String(document.getElementById('progress').value)"), "100");
    EXPECT_EQ(server.job_state("rx24", 1), "completed");
    EXPECT_FALSE(host_test::read_file(dir.file("rx24.plt")).empty());
}

TEST_F(PlotPage, APenChosenForAColourAndTheActualSizeReachThePreviewAndThePlot) {
    if (!browser_usable()) GTEST_SKIP() << "headless Chromium under the sanitizers";
    server.add_file_printer("rx24", "TVK-RX24", dir.file("rx24.plt"));
    dir.write("two.svg", R"(<svg xmlns="http://www.w3.org/2000/svg" width="80mm" height="50mm">)"
                         R"(<path d="M5 5 L75 5" stroke="#FF0000" fill="none"/>)"
                         R"(<path d="M5 45 L75 45" stroke="#0000FF" fill="none"/></svg>)");
    Browser browser(dir);
    Tab tab(browser, page());
    ASSERT_TRUE(tab.wait_until("document.getElementById('printer').options.length == 1"));
    tab.choose_file("#file", dir.file("two.svg"));
    tab.eval("document.querySelector('input[value=actual]').checked = true");
    tab.eval("document.getElementById('turn').checked = true");
    tab.eval("document.getElementById('show').click()");
    // Each colour of the drawing, on the profile's pen for it.
    ASSERT_TRUE(tab.wait_until("document.querySelectorAll('#colours select').length == 2"))
        << tab.eval("document.body.innerText");
    const std::string blue = "document.querySelector('#colours select[data-colour=\"#0000FF\"]')";
    ASSERT_EQ(tab.eval("String(Boolean(" + blue + "))"), "true");
    const std::string default_pen = tab.eval(blue + ".value");
    EXPECT_NE(default_pen, "7");
    // Another pen for blue: the preview is made again with it.
    tab.eval("document.getElementById('summary').textContent = ''");
    tab.eval(blue + ".value = '7'; " + blue + ".dispatchEvent(new Event('change'))");
    ASSERT_TRUE(tab.wait_until("document.getElementById('summary').textContent.length > 0 && " +
                               blue + " && " + blue + ".value == '7'"))
        << tab.eval("document.body.innerText");
    tab.eval("document.getElementById('plot').click()");
    ASSERT_TRUE(
        tab.wait_until("document.getElementById('status').textContent.includes('completed')"))
        << tab.eval("document.getElementById('status').textContent") << server.log();
    EXPECT_EQ(host_test::read_file(dir.file("rx24.plt")),
              server.reference_plot(dir.file("two.svg"), 1,
                                    {"--pen", "#0000FF=7", "--scale", "1", "--rotate"}));
}

TEST_F(PlotPage, AJobIsCancelledFromThePage) {
    if (!browser_usable()) GTEST_SKIP() << "headless Chromium under the sanitizers";
    host_test::Emulator plotter(dir, {"--rate", "2000", "--buffer", "512"});
    ASSERT_EQ(server
                  .command({"add", "-d", "slow", "-v", "serial:" + plotter.port() + "?baud=19200",
                            "-m", "TVK-RX24"})
                  .exit_code,
              0);
    std::vector<host_test::Line> lines;
    for (int i = 0; i < 3000; ++i) {
        lines.push_back({double(i % 97), double(i % 89), double(i % 83) + 3, double(i % 79) + 5});
    }
    dir.write("many.dxf", host_test::dxf_of_lines(lines));
    Browser browser(dir);
    Tab tab(browser, page());
    ASSERT_TRUE(tab.wait_until("document.getElementById('printer').options.length == 1"));
    tab.choose_file("#file", dir.file("many.dxf"));
    tab.eval("document.getElementById('show').click()");
    ASSERT_TRUE(tab.wait_until("!document.getElementById('plot').disabled"));
    tab.eval("document.getElementById('plot').click()");
    ASSERT_TRUE(
        tab.wait_until("document.getElementById('status').textContent.includes('Plotting')"))
        << tab.eval("document.getElementById('status').textContent");
    tab.eval("document.getElementById('cancel').click()");
    ASSERT_TRUE(
        tab.wait_until("document.getElementById('status').textContent.includes('canceled')"))
        << tab.eval("document.getElementById('status').textContent");
    // The page shows the job cancelled as soon as the server has it so; the
    // pen-up may still be on its way through the line: wait for it.
    const double settle = host_test::seconds_now() + 10;
    while (!plotter.received().ends_with(";PU;SP;") && host_test::seconds_now() < settle) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const host_test::Received r = plotter.stop();
    const std::string& got = r.bytes;
    EXPECT_TRUE(got.ends_with(";PU;SP;"))
        << got.substr(got.size() > 40 ? got.size() - 40 : 0) << "\ndropped by the plotter "
        << r.number("dropped") << "\n"
        << host_test::read_file(dir.file("server.err"));
}

TEST_F(PlotPage, RequestsThatAnotherSiteCouldSendAreRefused) {
    server.add_file_printer("rx24", "TVK-RX24", dir.file("rx24.plt"));
    dir.write("part.svg", R"(<svg xmlns="http://www.w3.org/2000/svg" width="10mm" height="10mm">)"
                          R"(<path d="M1 1 L9 9" stroke="black"/></svg>)");
    const std::string base = "http://localhost:" + std::to_string(server.port());
    // A form post (text/plain) of a drawing starts nothing.
    const Outcome form =
        run_program({"curl", "-s", "-H", "Content-Type: text/plain", "--data-binary",
                     "@" + dir.file("part.svg"), base + "/plot/submit?printer=1&size=fit&turn=0"},
                    dir);
    EXPECT_NE(form.out.find("\"error\""), std::string::npos) << form.out;
    EXPECT_EQ(server.job_state("rx24", 1), "");
    // Not a drawing: refused with the reason.
    dir.write("photo.jpg", "\xFF\xD8\xFF\xE0 not a drawing");
    const Outcome photo =
        run_program({"curl", "-s", "-H", "Content-Type: application/octet-stream", "--data-binary",
                     "@" + dir.file("photo.jpg"), base + "/plot/submit?printer=1&size=fit&turn=0"},
                    dir);
    EXPECT_NE(photo.out.find("Not a drawing"), std::string::npos) << photo.out;
    // A drawing that cannot be read: the preview says why.
    dir.write("broken.dxf", "0\nSECTION\n2\nENTITIES\n0\nLINE\n10\nnot a number\n");
    const Outcome broken = run_program(
        {"curl", "-s", "-H", "Content-Type: application/octet-stream", "--data-binary",
         "@" + dir.file("broken.dxf"), base + "/plot/preview?printer=1&size=fit&turn=0"},
        dir);
    EXPECT_NE(broken.out.find("not a number"), std::string::npos) << broken.out;
}

}  // namespace
}  // namespace tvk::printer_test
