// The devices a printer can have, on a machine without plotters: `devices`
// goes through every scheme and lists what it finds without failing; PAPPL's
// USB is offered beside the program's own schemes, and a printer on a USB
// plotter that is not there keeps its job waiting without taking the server
// down.
#include <gtest/gtest.h>

#include <sstream>

#include "fixtures.h"
#include "printer_server.h"

namespace tvk::printer_test {
namespace {

TEST(Devices, EverySchemeIsListedWithoutAPlotterThere) {
    TempDir dir;
    const Outcome o = run_program({PRINTER_PROGRAM, "devices"}, dir);
    ASSERT_EQ(o.exit_code, 0) << o.err;
    std::istringstream lines(o.out);
    std::string line;
    while (std::getline(lines, line)) {
        const bool known = line.rfind("serial:", 0) == 0 || line.rfind("usb:", 0) == 0 ||
                           line.rfind("socket:", 0) == 0 || line.rfind("dnssd:", 0) == 0 ||
                           line.rfind("snmp:", 0) == 0;
        EXPECT_TRUE(known) << line;
    }
}

TEST(Devices, AUsbPlotterThatIsNotThereKeepsItsJobWaitingAndTheServerGoesOn) {
    TempDir dir;
    PrinterServer server{dir};
    server.start();
    // PAPPL's USB is among the schemes, beside the program's own.
    dir.write("schemes.test",
              "{\n  OPERATION Get-System-Attributes\n  GROUP operation-attributes-tag\n"
              "  ATTR charset attributes-charset utf-8\n"
              "  ATTR naturalLanguage attributes-natural-language en\n"
              "  ATTR uri system-uri $uri\n  STATUS successful-ok\n"
              "  EXPECT smi55357-device-uri-schemes-supported WITH-VALUE usb\n"
              "  EXPECT smi55357-device-uri-schemes-supported WITH-VALUE serial\n}\n");
    const Outcome schemes = run_program(
        {"ipptool", "-tv", "ipp://localhost:" + std::to_string(server.port()) + "/ipp/system",
         dir.file("schemes.test")},
        dir);
    EXPECT_EQ(schemes.exit_code, 0) << schemes.out;

    const Outcome added = server.command(
        {"add", "-d", "usb", "-v", "usb://Tarvik/TVK-RX24?serial=0000", "-m", "TVK-RX24"});
    ASSERT_EQ(added.exit_code, 0) << added.err;
    dir.write("line.svg", R"(<svg xmlns="http://www.w3.org/2000/svg" width="50mm" height="50mm">)"
                          R"(<line x1="0" y1="0" x2="40" y2="40" stroke="black"/></svg>)");
    ASSERT_EQ(server.command({"submit", "-d", "usb", dir.file("line.svg")}).exit_code, 0);
    // Waiting for the plotter, or failed for want of it: not plotted.
    EXPECT_NE(server.wait_for_job("usb", 1, {"completed"}, 3), "completed");
    server.command({"cancel", "-d", "usb", "-j", "1"});
    // The server goes on: another printer plots.
    server.add_file_printer("file", "TVK-RX24", dir.file("file.plt"));
    ASSERT_EQ(server.command({"submit", "-d", "file", dir.file("line.svg")}).exit_code, 0);
    EXPECT_EQ(server.wait_for_job("file", 1, {"completed", "aborted"}), "completed");
}

}  // namespace
}  // namespace tvk::printer_test
