// Each printer's settings page in a real browser: a person changes the
// paper and a pen's ink, saves, and the profile in the spool directory, the
// page after a restart of the server and the next job all have them. And
// the page's form takes nothing without the session PAPPL gave it, nor, on a
// shared server without a login, from another machine.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <netinet/in.h>

#include "browser.h"
#include "fixtures.h"
#include "host/settings/profile.h"
#include "printer_server.h"

namespace tvk::printer_test {
namespace {

class SettingsPage : public ::testing::Test {
  protected:
    void SetUp() override {
        server.start();
        server.add_file_printer("rx24", "TVK-RX24", dir.file("rx24.plt"));
    }
    std::string page() const {
        return "http://localhost:" + std::to_string(server.port()) + "/rx24/plotter";
    }
    // The settings page's form sent as a browser sends it: with the page's
    // session (its cookie and the form's field) and these fields.
    std::string post_form(const std::string& fields) {
        const std::string jar = dir.file("cookies");
        const Outcome got = run_program({"curl", "-s", "-c", jar, "-b", jar, page()}, dir);
        const size_t at = got.out.find("name=\"session\" value=\"");
        if (at == std::string::npos) return "no session in the page: " + got.out;
        const size_t from = at + 22;
        const std::string session = got.out.substr(from, got.out.find('"', from) - from);
        return run_program({"curl", "-s", "-c", jar, "-b", jar, "--data",
                            "session=" + session + "&" + fields, page()},
                           dir)
            .out;
    }

    TempDir dir;
    PrinterServer server{dir};
};

// A drawing in an ink no colour number has: it goes to the pen of that ink.
const char* const kInkSvg = R"(<svg xmlns="http://www.w3.org/2000/svg" width="60mm" height="40mm">)"
                            R"(<path d="M5 5 L55 5 L55 35 Z" stroke="#123456" fill="none"/></svg>)";

TEST_F(SettingsPage, APensInkAndThePaperSavedInTheBrowserOutliveARestartAndPlot) {
    if (!browser_usable()) GTEST_SKIP() << "headless Chromium under the sanitizers";
    {
        Browser browser(dir);
        Tab tab(browser, page());
        ASSERT_TRUE(tab.wait_until("document.querySelector('input[name=\"pen5.colour\"]')"));
        // PAPPL's page of the printer links here.
        Tab home(browser, "http://localhost:" + std::to_string(server.port()) + "/rx24");
        EXPECT_TRUE(
            home.wait_until("[...document.links].some((a) => "
                            "a.getAttribute('href') == '/rx24/plotter')"));
        tab.eval("document.querySelector('input[name=\"pen5.colour\"]').value = '#123456'");
        tab.eval("document.getElementById('paper').value = '2'");  // A1
        tab.eval("document.getElementById('save').click()");
        ASSERT_TRUE(
            tab.wait_until("document.getElementById('status') && "
                           "document.getElementById('status').textContent"
                           ".includes('Saved')"))
            << tab.eval("document.body.innerText");
    }
    const host::Profile saved = host::load_profile(server.profile(1));
    EXPECT_EQ(saved.pen_colour.at(5), 0x123456u);
    EXPECT_NEAR(saved.area_x * 25.4, 841, 0.5);
    // Pens not touched keep no ink of their own.
    EXPECT_EQ(saved.pen_colour.count(1), 0u);

    server.stop();
    server.start();
    {
        Browser browser(dir);
        Tab tab(browser, page());
        ASSERT_TRUE(tab.wait_until("document.querySelector('input[name=\"pen5.colour\"]')"));
        EXPECT_EQ(tab.eval("document.querySelector('input[name=\"pen5.colour\"]').value"),
                  "#123456");
        EXPECT_EQ(tab.eval("document.getElementById('paper').value"), "2");
    }
    dir.write("ink.svg", kInkSvg);
    ASSERT_EQ(server.command({"submit", "-d", "rx24", dir.file("ink.svg")}).exit_code, 0);
    ASSERT_EQ(server.wait_for_job("rx24", 1, {"completed", "aborted"}), "completed")
        << server.log();
    const std::string sent = host_test::read_file(dir.file("rx24.plt"));
    EXPECT_EQ(sent, server.reference_plot(dir.file("ink.svg")));
    EXPECT_NE(sent.find("SP5"), std::string::npos) << sent;
    EXPECT_NE(sent.find("PS33639,23760"), std::string::npos) << sent;  // A1 at 40 units a mm
}

TEST_F(SettingsPage, AFormWithoutThePagesSessionChangesNothing) {
    const Outcome page_load = run_program({"curl", "-s", page()}, dir);
    EXPECT_NE(page_load.out.find("pen1.colour"), std::string::npos) << page_load.out;
    const std::string before = host_test::read_file(server.profile(1));
    const Outcome forged = run_program(
        {"curl", "-s", "--data", "session=0&paper=3&pen1.colour=%23ff0000", page()}, dir);
    EXPECT_NE(forged.out.find("Not saved"), std::string::npos) << forged.out;
    EXPECT_EQ(host_test::read_file(server.profile(1)), before);
}

TEST_F(SettingsPage, ABaudRateTheModelDoesNotTakeIsRefusedNamingIt) {
    run_program({"curl", "-s", page()}, dir);  // the page writes the profile it shows
    const std::string before = host_test::read_file(server.profile(1));
    const std::string answer = post_form("baud=9600&data_bits=8&parity=0&stop_bits=1&handshake=1");
    EXPECT_NE(answer.find("does not take 9600 baud"), std::string::npos) << answer;
    EXPECT_EQ(host_test::read_file(server.profile(1)), before);
}

TEST_F(SettingsPage, TheDialogsQuestionsAreAnsweredAsTvkplotConfigureTakesThem) {
    // The PE command, asked of this model, is on by default; the long plot
    // it does not have is not offered.
    const Outcome shown = run_program({"curl", "-s", page()}, dir);
    EXPECT_NE(shown.out.find("name=\"flag4\" checked"), std::string::npos) << shown.out;
    EXPECT_EQ(shown.out.find("name=\"flag1\""), std::string::npos);
    // Unticked (absent from the form), on 2 copies.
    const std::string answer = post_form("flags=1&copies=2");
    EXPECT_NE(answer.find("Saved"), std::string::npos) << answer;
    const host::Profile saved = host::load_profile(server.profile(1));
    EXPECT_EQ(saved.stored[16] & 0x04, 0);
    EXPECT_EQ(saved.stored[4], 2);
    dir.write("ink.svg", kInkSvg);
    ASSERT_EQ(server.command({"submit", "-d", "rx24", dir.file("ink.svg")}).exit_code, 0);
    ASSERT_EQ(server.wait_for_job("rx24", 1, {"completed", "aborted"}), "completed");
    const std::string sent = host_test::read_file(dir.file("rx24.plt"));
    EXPECT_EQ(sent, server.reference_plot(dir.file("ink.svg")));
    EXPECT_EQ(sent.find("PE"), std::string::npos) << sent;
    EXPECT_NE(sent.find("RP1"), std::string::npos) << sent;  // the second copy
}

// An address of this machine that is not loopback, if it has one.
std::string outside_address() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return "";
    std::string found;
    for (ifaddrs* a = list; a != nullptr && found.empty(); a = a->ifa_next) {
        if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET) continue;
        char text[INET_ADDRSTRLEN];
        const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
        if ((ntohl(in->sin_addr.s_addr) >> 24) == 127) continue;
        if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) != nullptr) found = text;
    }
    freeifaddrs(list);
    return found;
}

TEST(SharedSettingsPage, OtherMachinesChangeNothingWithoutALogin) {
    const std::string address = outside_address();
    if (address.empty()) GTEST_SKIP() << "this machine has no address but loopback";
    TempDir dir;
    PrinterServer server(dir);
    server.start("*");
    server.add_file_printer("rx24", "TVK-RX24", dir.file("rx24.plt"));
    const std::string path = ":" + std::to_string(server.port()) + "/rx24/plotter";
    const Outcome remote = run_program(
        {"curl", "-s", "-o", "/dev/null", "-w", "%{http_code}", "http://" + address + path}, dir);
    EXPECT_EQ(remote.out, "403");
    const Outcome local = run_program(
        {"curl", "-s", "-o", "/dev/null", "-w", "%{http_code}", "http://localhost" + path}, dir);
    EXPECT_EQ(local.out, "200");
}

}  // namespace
}  // namespace tvk::printer_test
