// The devices a printer can have, on a machine without plotters: `devices`
// goes through every scheme and lists what it finds without failing; a
// printer on a USB plotter that is not there does not take the server down.
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

TEST(Devices, APrinterOnADeviceTheServerCannotReachIsRefusedAndTheServerGoesOn) {
    TempDir dir;
    PrinterServer server{dir};
    server.start();
    // A USB plotter that is not there (or a scheme this PAPPL does not
    // offer): refused with the reason, or added with its job waiting; the
    // server goes on either way.
    const Outcome added = server.command(
        {"add", "-d", "usb", "-v", "usb://Tarvik/TVK-RX24?serial=0000", "-m", "TVK-RX24"});
    if (added.exit_code != 0) {
        EXPECT_NE(added.err.find("device-uri"), std::string::npos) << added.err;
    } else {
        dir.write("line.svg",
                  R"(<svg xmlns="http://www.w3.org/2000/svg" width="50mm" height="50mm">)"
                  R"(<line x1="0" y1="0" x2="40" y2="40" stroke="black"/></svg>)");
        ASSERT_EQ(server.command({"submit", "-d", "usb", dir.file("line.svg")}).exit_code, 0);
        EXPECT_NE(server.wait_for_job("usb", 1, {"completed"}, 3), "completed");
        server.command({"cancel", "-d", "usb", "-j", "1"});
    }
    server.add_file_printer("file", "TVK-RX24", dir.file("file.plt"));
    EXPECT_NE(server.command({"printers"}).out.find("file"), std::string::npos);
}

}  // namespace
}  // namespace tvk::printer_test
