// The printers as IPP clients see them, through CUPS's ipptool: the
// attributes a print dialog reads (the model's papers as media among them),
// Print-Job with each drawing format sent as what it is, with a media and
// with copies, Get-Jobs, and Cancel-Job of a held job.
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

std::string job_attributes(const std::string& attributes) {
    return "  GROUP job-attributes-tag\n" + attributes + "  GROUP operation-attributes-tag\n";
}

const char* const kTriangleSvg =
    R"(<svg xmlns="http://www.w3.org/2000/svg" width="60mm" height="40mm">)"
    R"(<path d="M5 5 L55 5 L55 35 Z" stroke="green" fill="none"/></svg>)";

class PrinterIpp : public ::testing::Test {
  protected:
    void SetUp() override {
        server.start();
        server.add_file_printer("rx24", "TVK-RX24", dir.file("rx24.plt"));
    }

    Outcome ipptool(const std::string& tests, const std::string& printer = "rx24") {
        dir.write("requests.test", tests);
        return run_program(
            {"ipptool", "-tv", server.printer_uri(printer), dir.file("requests.test")}, dir);
    }
    // Print-Job of the drawing with those job attributes, to its end.
    std::string plotted(const std::string& drawing, const std::string& attributes, int job,
                        const std::string& printer = "rx24") {
        const Outcome o =
            ipptool(print_job("image/svg+xml", drawing, job_attributes(attributes)), printer);
        EXPECT_EQ(o.exit_code, 0) << o.out << o.err;
        EXPECT_EQ(server.wait_for_job(printer, job, {"completed", "aborted"}), "completed")
            << server.log();
        return host_test::read_file(dir.file(printer + ".plt"));
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

TEST_F(PrinterIpp, TheModelsPapersAreItsMediaWithTheProfilesPaperTheDefault) {
    const std::string head = std::string(
                                 "{\n  NAME \"Get-Printer-Attributes\"\n"
                                 "  OPERATION Get-Printer-Attributes\n") +
                             kRequestHead + "  STATUS successful-ok\n";
    // Standard sizes by their PWG names; the profile's paper (the first) is
    // the default and the one loaded.
    const Outcome rx24 =
        ipptool(head +
                "  EXPECT media-supported WITH-ALL-VALUES \"/^(na_arch-d_24x36in|iso_a1_594x841mm|"
                "na_d_22x34in|iso_a2_420x594mm|na_c_17x22in|iso_a3_297x420mm|"
                "na_ledger_11x17in)$/\"\n"
                "  EXPECT media-supported WITH-VALUE iso_a1_594x841mm\n"
                "  EXPECT media-supported WITH-VALUE na_ledger_11x17in\n"
                "  EXPECT media-default WITH-VALUE na_arch-d_24x36in\n"
                "  EXPECT media-ready WITH-VALUE na_arch-d_24x36in\n"
                "}\n");
    EXPECT_EQ(rx24.exit_code, 0) << rx24.out << rx24.err;
    // Two papers of one size: the second by its own, custom name.
    server.add_file_printer("pl250", "TVK-PL250", dir.file("pl250.plt"));
    const Outcome pl250 =
        ipptool(head +
                    "  EXPECT media-supported WITH-VALUE na_letter_8.5x11in\n"
                    "  EXPECT media-supported WITH-VALUE custom_letter_215.9x279.4mm\n"
                    "  EXPECT media-default WITH-VALUE iso_a4_210x297mm\n"
                    "}\n",
                "pl250");
    EXPECT_EQ(pl250.exit_code, 0) << pl250.out << pl250.err;
    // A size no standard has: named after the paper.
    server.add_file_printer("hg900", "TVK-HG900L", dir.file("hg900.plt"));
    const Outcome hg900 = ipptool(
        head + "  EXPECT media-supported WITH-VALUE custom_roll-10ft_914.4x3048mm\n}\n", "hg900");
    EXPECT_EQ(hg900.exit_code, 0) << hg900.out << hg900.err;
}

TEST_F(PrinterIpp, AJobsMediaChoosesThatPaperAsTvkplotPaperDoes) {
    dir.write("triangle.svg", kTriangleSvg);
    const std::string drawing = dir.file("triangle.svg");
    const std::string sent = plotted(drawing, "  ATTR keyword media iso_a1_594x841mm\n", 1);
    const std::string on_a1 = server.reference_plot(drawing, 1, {"--paper", "A1"});
    EXPECT_EQ(sent, on_a1);
    ASSERT_NE(on_a1, server.reference_plot(drawing));
    // By its size alone, as print dialogs send it.
    EXPECT_EQ(plotted(drawing,
                      "  ATTR collection media-col {\n    MEMBER collection media-size {\n"
                      "      MEMBER integer x-dimension 59400\n"
                      "      MEMBER integer y-dimension 84100\n    }\n  }\n",
                      2),
              on_a1);
    // The profile's paper when the job names none.
    EXPECT_EQ(plotted(drawing, "", 3), server.reference_plot(drawing));
}

TEST_F(PrinterIpp, AMediaTheModelHasNotIsToldAndThePlotGoesOnTheDefaultPaper) {
    dir.write("triangle.svg", kTriangleSvg);
    const Outcome o =
        ipptool("{\n  NAME \"Print-Job A0\"\n  OPERATION Print-Job\n" + std::string(kRequestHead) +
                "  ATTR mimeMediaType document-format image/svg+xml\n" +
                job_attributes("  ATTR keyword media iso_a0_841x1189mm\n") + "  FILE " +
                dir.file("triangle.svg") +
                "\n  STATUS successful-ok-ignored-or-substituted-attributes\n"
                "  EXPECT media IN-GROUP unsupported-attributes-tag\n}\n");
    EXPECT_EQ(o.exit_code, 0) << o.out << o.err;
    ASSERT_EQ(server.wait_for_job("rx24", 1, {"completed", "aborted"}), "completed");
    EXPECT_EQ(host_test::read_file(dir.file("rx24.plt")),
              server.reference_plot(dir.file("triangle.svg")));
}

TEST_F(PrinterIpp, CopiesArePlottedByThePlotterOrOneAfterAnother) {
    dir.write("triangle.svg", kTriangleSvg);
    const std::string drawing = dir.file("triangle.svg");
    // A TK-GL3 plotter draws them itself, told by its copies command.
    const std::string sent = plotted(drawing, "  ATTR integer copies 2\n", 1);
    EXPECT_EQ(sent, server.reference_plot(drawing, 1, {"--copies", "2"}));
    // Another plots the drawing twice.
    server.add_file_printer("pl250", "TVK-PL250", dir.file("pl250.plt"));
    const std::string twice = plotted(drawing, "  ATTR integer copies 2\n", 1, "pl250");
    const std::string once = server.reference_plot(drawing, 2);
    ASSERT_FALSE(once.empty());
    EXPECT_EQ(twice, once + once);
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
