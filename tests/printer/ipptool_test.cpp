// The printers as IPP clients see them, through CUPS's ipptool: the
// attributes a print dialog reads, Print-Job with each drawing format sent
// as what it is, Get-Jobs, and Cancel-Job of a held job.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "host_drawing/pdf/pdf_maker.h"
#include "printer_server.h"

namespace tvk::printer_test {
namespace {

const char* const kRequestHead =
    "  GROUP operation-attributes-tag\n"
    "  ATTR charset attributes-charset utf-8\n"
    "  ATTR naturalLanguage attributes-natural-language en\n"
    "  ATTR uri printer-uri $uri\n"
    "  ATTR name requesting-user-name tester\n";

std::string print_job(const std::string& format, const std::string& file,
                      const std::string& extra = "") {
    return "{\n  NAME \"Print-Job " + format + "\"\n  OPERATION Print-Job\n" + kRequestHead +
           "  ATTR mimeMediaType document-format " + format + "\n" + extra + "  FILE " + file +
           "\n  STATUS successful-ok\n  EXPECT job-id OF-TYPE integer\n}\n";
}

class PrinterIpp : public ::testing::Test {
  protected:
    void SetUp() override {
        server.start();
        server.add_file_printer("rx24", "TVK-RX24", dir.file("rx24.plt"));
    }

    Outcome ipptool(const std::string& tests) {
        dir.write("requests.test", tests);
        return run_program(
            {"ipptool", "-tv", server.printer_uri("rx24"), dir.file("requests.test")}, dir);
    }

    TempDir dir;
    PrinterServer server{dir};
};

TEST_F(PrinterIpp, GetPrinterAttributesNamesTheDrawingFormatsAndThePaper) {
    const Outcome o =
        ipptool(std::string("{\n  NAME \"Get-Printer-Attributes\"\n"
                            "  OPERATION Get-Printer-Attributes\n") +
                kRequestHead +
                "  STATUS successful-ok\n"
                "  EXPECT document-format-supported WITH-VALUE \"application/pdf\"\n"
                "  EXPECT document-format-supported WITH-VALUE \"image/svg+xml\"\n"
                "  EXPECT document-format-supported WITH-VALUE \"image/vnd.dxf\"\n"
                "  EXPECT document-format-supported WITH-VALUE \"application/vnd.hp-HPGL\"\n"
                "  EXPECT printer-make-and-model WITH-VALUE \"Tarvik TVK-RX24\"\n"
                "  EXPECT media-supported\n"
                "  EXPECT print-scaling-supported WITH-VALUE \"none\"\n"
                "  EXPECT printer-state\n"
                "}\n");
    EXPECT_EQ(o.exit_code, 0) << o.out << o.err;
}

TEST_F(PrinterIpp, PrintJobOfEachFormatPlotsAsTvkplotDoes) {
    dir.write("square.svg", R"(<svg xmlns="http://www.w3.org/2000/svg" width="60mm" height="40mm">)"
                            R"(<path d="M5 5 L55 5 L55 35 Z" stroke="green" fill="none"/></svg>)");
    dir.write("frame.hpgl", "IN;SP1;PU0,0;PD2000,0,2000,2000,0,2000,0,0;PU;SP0;");
    dir.write("page.pdf", pdf_test::pdf_of({"0 0 1 RG 10 10 m 190 10 l 100 90 l h S"}));
    const std::vector<std::pair<std::string, std::string>> documents{
        {"image/svg+xml", dir.file("square.svg")},
        {"image/vnd.dxf", host_test::example("bracket.dxf")},
        {"application/vnd.hp-HPGL", dir.file("frame.hpgl")},
        {"application/pdf", dir.file("page.pdf")}};
    int job = 0;
    for (const auto& [format, file] : documents) {
        SCOPED_TRACE(format);
        const Outcome o = ipptool(print_job(format, file));
        ASSERT_EQ(o.exit_code, 0) << o.out << o.err;
        ++job;
        ASSERT_EQ(server.wait_for_job("rx24", job, {"completed", "aborted"}), "completed")
            << server.log();
        EXPECT_EQ(host_test::read_file(dir.file("rx24.plt")), server.reference_plot(file));
    }
    const Outcome jobs =
        ipptool(std::string("{\n  NAME \"Get-Jobs\"\n  OPERATION Get-Jobs\n") + kRequestHead +
                "  ATTR keyword which-jobs completed\n"
                "  ATTR keyword requested-attributes job-id,job-state\n"
                "  STATUS successful-ok\n"
                "  EXPECT job-id WITH-VALUE 4\n"
                "  EXPECT job-state WITH-VALUE 9\n"
                "}\n");
    EXPECT_EQ(jobs.exit_code, 0) << jobs.out;
}

TEST_F(PrinterIpp, CancelJobOfAHeldJobSendsNothing) {
    dir.write("frame.hpgl", "IN;SP1;PU0,0;PD2000,0,2000,2000,0,2000,0,0;PU;SP0;");
    const Outcome o =
        ipptool(print_job("application/vnd.hp-HPGL", dir.file("frame.hpgl"),
                          "  GROUP job-attributes-tag\n  ATTR keyword job-hold-until indefinite\n"
                          "  GROUP operation-attributes-tag\n") +
                "{\n  NAME \"Cancel-Job\"\n  OPERATION Cancel-Job\n" + kRequestHead +
                "  ATTR integer job-id $job-id\n  STATUS successful-ok\n}\n"
                "{\n  NAME \"Get-Job-Attributes\"\n  OPERATION Get-Job-Attributes\n" +
                kRequestHead +
                "  ATTR integer job-id $job-id\n  STATUS successful-ok\n"
                "  EXPECT job-state WITH-VALUE 7\n}\n");
    EXPECT_EQ(o.exit_code, 0) << o.out << o.err;
    EXPECT_EQ(host_test::read_file(dir.file("rx24.plt")), "");
}

}  // namespace
}  // namespace tvk::printer_test
