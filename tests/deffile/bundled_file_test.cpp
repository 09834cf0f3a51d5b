// The bundled examples/tvkplot.def: it loads for every model, every plotter
// language the model speaks and every host language it has texts for,
// without a single report.
#include <cstring>

#include "deffile_fixture.h"
#include "test_host/requests.h"

namespace tvk::test {
namespace {

class BundledFile : public DefFileTest {
  protected:
    void read_in(const std::string& language) {
        use_file(bundled_definition_file());
        initialise(Entry::kConfig, 1, 2, (dir / "acad.exe").string());
        host_language(Entry::kConfig, language);
        reset_message_table();
        ASSERT_EQ(open_request(Entry::kConfig).status(), 0) << language << host.printed;
    }
};

TEST_F(BundledFile, EveryModelAndPlotterLanguageLoadsWithoutAReport) {
    read_in("EN");
    ASSERT_GE(model_count, 6);
    EXPECT_STREQ(model_list[0], "TVK-PL400");
    EXPECT_STREQ(model_list[1], "TVK-HG700");
    int languages_seen = 0;
    for (int m = 0; m < model_count; ++m) {
        current_model = static_cast<uint8_t>(m);
        ASSERT_EQ(load_plotter_specification(nullptr, nullptr), 0) << model_list[m];
        const uint16_t flags = spec.language_flags;
        for (int language = 0; language < kLanguageCount; ++language) {
            if ((flags & (1 << language)) == 0) continue;
            languages_seen |= 1 << language;
            stored_config.language = static_cast<int16_t>(1 << language);
            char start[256], end[256];
            EXPECT_EQ(load_plotter_specification(start, end), 0);
            EXPECT_GT(load_paper_table(), 0) << model_list[m] << " " << kLanguageNames[language];
            EXPECT_GE(plotter_resolution, 1);
            for (int p = 1; p <= paper_count; ++p) {
                EXPECT_LE(paper_table[p].size_x, spec.max_area_x + 1e-9) << paper_table[p].name;
                EXPECT_LE(paper_table[p].size_y, spec.max_area_y + 1e-9) << paper_table[p].name;
            }
        }
    }
    EXPECT_EQ(languages_seen, 0x0F) << "the models speak all four languages";
    EXPECT_EQ(host.printed, "");
}

TEST_F(BundledFile, ModelsCoverTheSpecificationsKeys) {
    read_in("EN");
    uint16_t types = 0, capabilities = 0, coordinates = 0, handshakes = 0;
    bool fixed = false, free_rate = false, no_buffer = false, escape = false;
    for (int m = 0; m < model_count; ++m) {
        current_model = static_cast<uint8_t>(m);
        ASSERT_EQ(load_plotter_specification(nullptr, nullptr), 0);
        types |= spec.type_flags;
        capabilities |= spec.language_flags & 0x30;
        coordinates |= static_cast<uint16_t>(1 << (spec.coordinate_flags - 1));
        handshakes |= static_cast<uint16_t>(1 << spec.handshake);
        (spec.baud_fixed ? fixed : free_rate) = true;
        no_buffer |= spec.buffers == 0;
        for (int i = 0; i < kLanguageCount; ++i)
            escape |= std::strchr(spec.start_string[i], 27) != nullptr;
    }
    EXPECT_EQ(types, kTypeLongPlot | kTypeRaster | kTypeBreakOn);
    EXPECT_EQ(capabilities, 0x30);
    EXPECT_EQ(coordinates, 0x07) << "relative only, absolute only, and both";
    EXPECT_EQ(handshakes, 0x03);
    EXPECT_TRUE(fixed && free_rate && no_buffer && escape);
}

TEST_F(BundledFile, MessageBlocksOfEachLanguage) {
    read_in("de");
    EXPECT_STREQ(message(10), "Nummer w\xe4hlen ");
    EXPECT_STREQ(message(23), " = ................................") << "kept in English";
    read_in("FR");
    EXPECT_STREQ(message(10), "Choisissez le num\xe9ro ");
    read_in("ja");
    // "Please select the number" in Shift JIS.
    EXPECT_STREQ(message(10),
                 "\x94\xd4\x8d\x86\x82\xf0\x91\x49\x91\xf0\x82\xb5\x82\xc4\x82\xad"
                 "\x82\xbe\x82\xb3\x82\xa2 ");
    // The full-width spaces of M22 read as two blanks each.
    EXPECT_STREQ(message(22), "\x90\xfc\x8e\xed    0 = \x8e\xc0\x90\xfc");
    for (int key = 1; key < kMessageCount; ++key)
        EXPECT_LE(std::strlen(message(key)), 122u) << "M" << key;
    read_in("IT");
    EXPECT_STREQ(message(10), "Select the number ");
    EXPECT_EQ(host.printed, "");
}

}  // namespace
}  // namespace tvk::test
