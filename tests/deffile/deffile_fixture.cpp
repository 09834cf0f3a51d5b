#include "deffile_fixture.h"

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "config/config.h"

namespace tvk::test {

void DefFileTest::SetUp() {
    static int serial = 0;
    dir = std::filesystem::temp_directory_path() /
          ("tvk_deffile_" + std::to_string(getpid()) + "_" + std::to_string(++serial));
    std::filesystem::create_directories(dir);
    reset_message_table();
    set_spec_defaults(spec);
    set_stored_config_defaults();
    std::memset(host_language, 0, sizeof host_language);
    std::memset(host_path, 0, sizeof host_path);
    std::memset(definition_path, 0, sizeof definition_path);
    std::memset(model_list, 0, sizeof model_list);
    model_count = 0;
    current_model = 0;
    paper_count = 0;
    current_paper = {1, 0.0, 0.0, 0, 0};
    plotter_resolution = 1024;
    error_latch = kLatchNone;
}

void DefFileTest::TearDown() {
    close_definition_file();
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

std::string DefFileTest::use_file(const std::string& content, const std::string& name) {
    const std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary) << content;
    std::strncpy(definition_path, path.c_str(), sizeof definition_path - 1);
    return path;
}

void DefFileTest::open_file(const std::string& content) {
    use_file(content);
    ASSERT_TRUE(open_definition_file());
}

void DefFileTest::set_models(const std::vector<std::string>& names) {
    std::memset(model_list, 0, sizeof model_list);
    for (size_t i = 0; i < names.size(); ++i)
        std::strncpy(model_list[i], names[i].c_str(), kModelNameLength);
    model_count = static_cast<int16_t>(names.size());
    current_model = 0;
}

void DefFileTest::set_language(const char* code) {
    std::memset(host_language, 0, sizeof host_language);
    std::strncpy(host_language, code, 8);
}

std::vector<std::string> DefFileTest::lines_of(const std::string& content) {
    open_file(content);
    definition_line_number = 0;
    std::vector<std::string> out;
    while (read_definition_line() == 0) out.emplace_back(definition_line);
    close_definition_file();
    return out;
}

std::string bundled_definition_file() {
    std::ifstream in(std::string(TVK_SOURCE_DIR) + "/examples/tvkplot.def", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace tvk::test
