// The driver's texts as the terminal shows them. The definition file holds
// each language's texts in the code page of that language's CAD host
// (Windows-1252 for German and French, Shift JIS for Japanese, ...), and the
// driver prints them as they stand; the terminal shows UTF-8. Only what is
// shown is converted: the bytes handed to the driver stay as they are.
#pragma once

#include <iconv.h>

#include <string>
#include <string_view>

namespace tvk::host {

// True for EN, whose texts are built into the driver, and for the host
// language codes whose texts it looks up in the definition file.
bool driver_knows_language(std::string_view code);
// The name of the definition file's block of texts for a language code
// ("SPANISH" for ES); "ENGLISH" for any other code.
std::string language_block(std::string_view code);

class DisplayText {
  public:
    // For the host language code given to the driver (any case).
    explicit DisplayText(const std::string& language);
    ~DisplayText();
    DisplayText(const DisplayText&) = delete;
    DisplayText& operator=(const DisplayText&) = delete;

    // Valid UTF-8 (plain ASCII, the host's own paths) is shown as it is;
    // anything else is converted from the code page, a byte it does not
    // know becoming U+FFFD.
    std::string to_utf8(std::string_view text) const;

  private:
    iconv_t converter_;
};

}  // namespace tvk::host
