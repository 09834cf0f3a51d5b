// Shared set-up of the definition-file tests: a scripted host, the driver's
// state as a freshly loaded driver has it, and definition files written into
// a directory of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "deffile/deffile.h"
#include "driver/globals.h"
#include "test_host/test_host.h"

namespace tvk::test {

class DefFileTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Writes `content` as tvkplot.def (or `name`) into the test's directory
    // and makes it the located file; returns its path.
    std::string use_file(const std::string& content, const std::string& name = "tvkplot.def");
    // use_file, then opens it as the reader's file.
    void open_file(const std::string& content);
    // The model list as read_definition_file would leave it; model 0 selected.
    static void set_models(const std::vector<std::string>& names);
    static void set_language(const char* code);  // host language code, as request 50 stores it

    // The processed lines of `content`, read to the end of the file.
    std::vector<std::string> lines_of(const std::string& content);

    std::filesystem::path dir;
    TestHost host;
};

// The bundled examples/tvkplot.def.
std::string bundled_definition_file();

}  // namespace tvk::test
