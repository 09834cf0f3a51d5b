// The configuration dialog of request 21: what is asked, in which order, with
// which defaults, and what ends up in the stored configuration and the reply.
#include "config_fixture.h"

namespace tvk::test {
namespace {

class DialogTest : public ConfigTest {
  protected:
    Record r{21, 300};

    void model(uint16_t languages, uint16_t type_flags = 0, uint16_t coordinates = 0x02) {
        spec.language_flags = languages;
        spec.type_flags = type_flags;
        spec.coordinate_flags = coordinates;
    }
    int run(bool fresh = true) {
        r.set_i16(6, fresh ? 1 : 0);
        use_record(r);
        return run_configuration_dialog();
    }
    std::vector<uint8_t> stored_bytes() const {
        uint8_t out[24];
        stored_config_to_bytes(stored_config, out);
        return {out, out + 24};
    }
};

constexpr uint16_t kGl1 = 0x02, kGl2 = 0x04, kGl3 = 0x08, kVtx = 0x01, kPe = 0x10, kOh = 0x20;

const char* const kBaud7 =
    "\nBaud rate :\n    1 -  9600\n    2 -  4800\n    3 -  2400\n    4 -  1200\n    5 -   600"
    "\n    6 -   300\n    7 -   150\n";
TEST_F(DialogTest, EveryQuestionInOrderWithTheDefaultsOffered) {
    model(kGl1 | kGl3 | kPe | kOh, kTypeLongPlot, 0x03);
    host.answers = {value(1), value(2), value(1), value(1), value(1), value(1), value(1),
                    value(0), value(1), value(1), value(2), value(1), value(1)};
    ASSERT_EQ(run(), 0);
    const std::string expected =
        std::string(
            "\nThis plotter supports multiple plotter languages.\n    1 - TK-GL3\n    2 - TK-GL1\n"
            "[ask_choice Select the number |1|2|1][c]"
            "\n[ask_number Specify the number of additinal copies |0|99][c]"
            "\nThis plotter supports PE command.\n[ask_yes_no Do you wish to use PE command |1][c]"
            "\n[ask_yes_no Do you wish to use 8bit mode PE command, if possible |0][c]"
            "\nThis plotter supports long plot.\n[ask_yes_no Do you wish to do long plot |0][c]"
            "\nThis plotter supports two kinds of coordinate systems.\n    1 - Absolute coordinate "
            "system\n    2 - Relative coordinate system\n[ask_choice Select the number |1|2|2][c]"
            "\n[ask_yes_no Do you wish to have the plotter fill polygons |0][c]"
            "\n[ask_yes_no Do you wish to query plotter regarding paper size |0][c]"
            "[ask_port plotter|1|15][c]") +
        kBaud7 + "[ask_choice Select the number |1|7|1][c]" +
        "\nStop bits :\n    1 - One stop bit\n    2 - Two stop bits\n"
        "[ask_choice Select the number |1|2|1][c]"
        "\nParity check :\n    1 - No parity\n    2 - Odd parity\n    3 - Even parity\n"
        "[ask_choice Select the number |1|3|1][c]"
        "\nData bits :\n    1 - Eight bits\n    2 - Seven bits\n"
        "[ask_choice Select the number |1|2|1][c]";
    EXPECT_EQ(transcript(host), expected);
    EXPECT_TRUE(host.calls_of("load_config").empty()) << "fresh configuration";

    // PE, 8-bit wanted and in effect (8N on serial), long plot, absolute, fill, serial.
    EXPECT_EQ(stored_bytes(), stored_block(1, 8, 3, 2, 0, 8, 0, 9600, 0x01BD, 0x0F, 1));
    EXPECT_EQ(r.status(), 0);
    EXPECT_EQ(r.reply_length(), 59);
    EXPECT_EQ(r.u16(40), 0x010F) << "pen options with the fill bit";
    EXPECT_EQ(r.i16(42), 8);
    EXPECT_EQ(r.i16(44), 1);
    EXPECT_EQ(r.i16(46), 8);
    EXPECT_EQ(r.i16(48), 1);
    EXPECT_EQ(r.i16(50), 9600);
    EXPECT_EQ(r.i16(52), 0);
    EXPECT_EQ(r.i16(54), 8);
    EXPECT_EQ(r.i16(56), 2);
    EXPECT_EQ(r.u8(58), 0);
    EXPECT_EQ(plotter_resolution, 1016);
    EXPECT_EQ(spec.max_line_type, 8);
}

TEST_F(DialogTest, CancelAtAnyPromptEndsTheDialogThere) {
    model(kGl1 | kGl3 | kPe | kOh, kTypeLongPlot, 0x03);
    for (int n = 0; n < 13; ++n) {
        host.clear_record();
        set_stored_config_defaults();
        host.answers.assign(static_cast<size_t>(n), take_default());
        host.answers.push_back(cancel());
        EXPECT_EQ(run(), -1) << "cancel at prompt " << n;
        EXPECT_EQ(host.prompts, n + 1);
        EXPECT_EQ(host.calls.back().service, "input_cancelled");
        host.answers.clear();
    }
}

TEST_F(DialogTest, TwoLanguagesListTkGl3FirstAndOfferTheStoredPosition) {
    model(kGl1 | kGl3);
    store_in_host(host, stored_block(2, 2, 1, 1, 0, 8, 0, 9600, 0x84, 0x0F, 1));
    ASSERT_EQ(run(false), 0);
    const auto choice = host.calls_of("ask_choice").at(0);
    EXPECT_EQ(choice.ints, (std::vector<int32_t>{1, 2, 2}));
    EXPECT_EQ(stored_config.language, 2) << "position 2 is TK-GL1";
    EXPECT_EQ(spec.max_line_type, 6);
    EXPECT_EQ(host.calls_of("load_config").size(), 1u);
}

TEST_F(DialogTest, ASingleLanguageAsksNothingAndKeepsThePosition) {
    model(kGl2);
    spec.units_per_inch[kTkGl2] = 1016.9;
    store_in_host(host, stored_block(3, 2, 1, 1, 0, 8, 0, 9600, 0x84, 0x0F, 1));
    ASSERT_EQ(run(false), 0);
    EXPECT_EQ(host.printed.find("multiple"), std::string::npos);
    EXPECT_EQ(stored_config.language_position, 3);
    EXPECT_EQ(stored_config.language, 4);
    EXPECT_EQ(spec.max_line_type, 6);
    EXPECT_EQ(plotter_resolution, 1016) << "truncated, not rounded";
    // No PE-CMD bit: no PE question and the stored PE flag is cleared.
    const auto prompts = host.prompt_texts();
    EXPECT_EQ(prompts.at(0), "Do you wish to have the plotter fill polygons ");
    EXPECT_EQ(stored_config.flags & 0x1C, 0);
    EXPECT_NE(stored_config.flags & kFlagAbsolute, 0) << "only absolute coordinates";
}

TEST_F(DialogTest, NoLanguageBitTakesTkGl1) {
    model(0);
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(stored_config.language, 2);
    EXPECT_EQ(host.prompt_texts().at(0), "plotter") << "TK-GL1 without PE or OH: port first";
}

TEST_F(DialogTest, VtxGlAsksNoCopiesPeFillOrQuery) {
    model(kVtx | kPe | kOh, 0, 0x01);
    store_in_host(host, stored_block(1, 1, 5, 1, 0, 8, 0, 9600, 0x01FF, 0x010F, 1));
    ASSERT_EQ(run(false), 0);
    EXPECT_EQ(host.prompt_texts(),
              (std::vector<std::string>{"plotter", "Select the number ", "Select the number ",
                                        "Select the number ", "Select the number "}));
    EXPECT_EQ(stored_config.flags, 0x0082) << "relative, serial; PE, 8-bit, query, fill cleared";
    EXPECT_EQ(r.u16(40), 0x000F);
    EXPECT_EQ(stored_config.copies, 5) << "kept, not asked";
    EXPECT_EQ(spec.max_line_type, 5);
}

TEST_F(DialogTest, TkGl1WithoutPeCommandClearsTheStoredPeFlags) {
    model(kGl1);
    store_in_host(host, stored_block(1, 2, 1, 1, 0, 8, 0, 9600, 0x009C, 0x0F, 1));
    ASSERT_EQ(run(false), 0);
    EXPECT_EQ(host.printed.find("PE command"), std::string::npos);
    EXPECT_EQ(stored_config.flags & 0x1C, 0);
}

TEST_F(DialogTest, BaudMenuOfEightLinesFrom19200) {
    model(kGl1);
    spec.baud_rate = 19200;
    store_in_host(host, stored_block(1, 2, 1, 1, 0, 8, 0, 19200, 0x84, 0x0F, 1));
    host.answers = {take_default(), value(3)};
    ASSERT_EQ(run(false), 0);
    EXPECT_NE(
        host.printed.find("\nBaud rate :\n    1 - 19200\n    2 -  9600\n    3 -  4800\n    4 -"
                          "  2400\n    5 -  1200\n    6 -   600\n    7 -   300\n    8 -   150\n"),
        std::string::npos);
    EXPECT_EQ(host.calls_of("ask_choice").at(0).ints, (std::vector<int32_t>{1, 8, 1}));
    EXPECT_EQ(stored_config.baud_rate, 4800);
    EXPECT_EQ(r.i16(50), 4800);
}

TEST_F(DialogTest, AStoredRateNotInTheMenuOffersThe9600Line) {
    model(kGl1);
    for (int32_t top : {9600, 19200}) {
        spec.baud_rate = top;
        host.clear_record();
        store_in_host(host, stored_block(1, 2, 1, 1, 0, 8, 0, 7200, 0x84, 0x0F, 1));
        ASSERT_EQ(run(false), 0);
        const int32_t line_of_9600 = top == 19200 ? 2 : 1;
        EXPECT_EQ(host.calls_of("ask_choice").at(0).ints.at(2), line_of_9600);
        EXPECT_EQ(stored_config.baud_rate, 9600);
    }
}

TEST_F(DialogTest, FixedBaudRateIsReportedButNotStored) {
    model(kGl1);
    spec.baud_fixed = 1;
    spec.baud_rate = 19200;
    store_in_host(host, stored_block(1, 2, 1, 1, 0, 8, 0, 4800, 0x84, 0x0F, 1));
    ASSERT_EQ(run(false), 0);
    EXPECT_EQ(host.printed.find("Baud rate"), std::string::npos);
    EXPECT_EQ(r.i16(50), 19200);
    EXPECT_EQ(stored_config.baud_rate, 4800);
}

TEST_F(DialogTest, PortWithoutLineSettingsGivesEightBitPe) {
    model(kGl3);
    // copies, PE yes, 8-bit yes, fill no, port 2.
    host.answers = {take_default(), value(1), value(1), value(0), value(2)};
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(host.prompts, 5) << "no line questions";
    EXPECT_EQ(stored_config.flags, 0x003C);
    EXPECT_EQ(r.i16(48), 2);
    EXPECT_EQ(r.i16(50), 9600) << "pre-filled line settings stand";
    EXPECT_EQ(r.i16(54), 8);
    EXPECT_EQ(r.status(), 0);
    EXPECT_EQ(r.reply_length(), 59);
}

// Offset 48 carries the host's answer; only 2 means a port without line settings.
TEST_F(DialogTest, ThePortKindIsReportedAsTheHostAnswered) {
    model(kGl1);
    for (int32_t kind : {0, 1, 3}) {
        host.clear_record();
        host.answers = {value(kind)};
        ASSERT_EQ(run(), 0);
        EXPECT_EQ(r.i16(48), kind);
        EXPECT_EQ(stored_config.flags, 0x00A0) << "serial";
        EXPECT_EQ(host.prompts, 5) << "the line settings follow";
    }
    host.clear_record();
    stored_config.flags = 0;
    host.answers = {cancel()};
    r.set_i16(48, 0x5555);
    EXPECT_EQ(run(false), -1);
    EXPECT_EQ(host.calls_of("ask_port").at(0).ints, (std::vector<int32_t>{1, 15}))
        << "the defaults are on a serial port";
    EXPECT_EQ(r.i16(48), 1) << "written before the cancel test";
}

TEST_F(DialogTest, EightBitPeOnlyOnAnEightBitCleanSerialLine) {
    model(kGl3);
    struct Case {
        int parity_answer, data_answer;
        bool in_effect;
    };
    for (const Case c :
         {Case{1, 1, true}, Case{2, 1, false}, Case{3, 1, false}, Case{1, 2, false}}) {
        host.clear_record();
        // copies, PE yes, 8-bit yes, fill no, serial, baud, stop, parity, data.
        host.answers = {take_default(),
                        value(1),
                        value(1),
                        value(0),
                        value(1),
                        take_default(),
                        take_default(),
                        value(c.parity_answer),
                        value(c.data_answer)};
        ASSERT_EQ(run(), 0);
        EXPECT_EQ((stored_config.flags & kFlagPe8) != 0, c.in_effect)
            << c.parity_answer << "/" << c.data_answer;
        EXPECT_EQ(stored_config.parity, c.parity_answer - 1);
        EXPECT_EQ(r.i16(52), c.parity_answer - 1);
        EXPECT_EQ(stored_config.data_bits, c.data_answer == 1 ? 8 : 7);
    }
}

TEST_F(DialogTest, ThePaperQuerySkipsThePortQuestion) {
    model(kGl1 | kOh);
    host.answers = {value(1)};
    ASSERT_EQ(run(), 0);
    EXPECT_TRUE(host.calls_of("ask_port").empty());
    EXPECT_NE(host.printed.find("\nPlease connect the plotter to a serial port.\n"),
              std::string::npos);
    EXPECT_EQ(r.i16(48), 1);
    EXPECT_EQ(stored_config.flags & (kFlagPaperQuery | kFlagSerial), kFlagPaperQuery | kFlagSerial);
}

TEST_F(DialogTest, NinetyNineAdditionalCopiesComeBackAsNinetyNine) {
    model(kGl3);
    host.answers = {value(99)};
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(stored_config.copies, 100);
    uint8_t block[24];
    stored_config_to_bytes(stored_config, block);
    store_in_host(host, std::vector<uint8_t>(block, block + 24));
    host.clear_record();
    ASSERT_EQ(run(false), 0);
    EXPECT_EQ(host.calls_of("ask_number").at(0).ints, (std::vector<int32_t>{99, 99}));

    host.clear_record();
    store_in_host(host, stored_block(1, 8, 101, 1, 0, 8, 0, 9600, 0x84, 0x0F, 1));
    ASSERT_EQ(run(false), 0);
    EXPECT_EQ(host.calls_of("ask_number").at(0).ints.at(0), 0) << "101 copies become 1";
}

TEST_F(DialogTest, AMissingOrInvalidStoredBlockGivesTheDefaults) {
    model(kGl1);
    spec.handshake = 1;
    ASSERT_EQ(run(false), 0) << "the host keeps nothing";
    EXPECT_EQ(stored_config.handshake, 1);
    EXPECT_EQ(r.u8(58), 1);
    store_in_host(host, stored_block(1, 2, 1, 3, 0, 8, 0, 2400, 0x84, 0x0F, 1));
    host.answers = {take_default()};
    ASSERT_EQ(run(false), 0);
    EXPECT_EQ(host.calls_of("ask_choice").at(0).ints.at(2), 1) << "default 9600, not 2400";
}

// A host that does not check the range it was given: the nearest valid answer.
TEST_F(DialogTest, AnswersOutsideTheRangeTakeTheNearestValidAnswer) {
    model(kGl1 | kGl3);
    host.answers = {value(7)};
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(stored_config.language_position, 2);
    EXPECT_EQ(stored_config.language, 2) << "line 2, TK-GL1";
    host.clear_record();
    model(kGl3);
    // copies 150, PE yes, 8-bit no, fill no, port 9, baud 0, stop 5, parity -3, data 9.
    host.answers = {value(150), value(1), value(0),  value(0), value(9),
                    value(0),   value(5), value(-3), value(9)};
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(stored_config.copies, 100);
    EXPECT_EQ(r.i16(48), 9) << "the host's port kind, reported as it answered";
    EXPECT_NE(stored_config.flags & kFlagSerial, 0) << "anything but 2 is serial";
    EXPECT_EQ(stored_config.baud_rate, 9600);
    EXPECT_EQ(stored_config.stop_bits, 2);
    EXPECT_EQ(stored_config.parity, 0);
    EXPECT_EQ(stored_config.data_bits, 7);
    EXPECT_EQ(validate_stored_config(), 0);
}

}  // namespace
}  // namespace tvk::test
