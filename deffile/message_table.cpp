// The message table with its English defaults, and the fixed messages that no
// definition file replaces.
#include <cstring>

#include "deffile/deffile.h"
#include "driver/globals.h"

namespace tvk {

const char* const kFixedWrongHost = "You have tried to call the driver from a non-AutoCAD application.";
const char* const kFixedHostTooOld =
    "This release of AutoCAD is incorrect; you must use AutoCAD R13 or later.";
const char* const kFixedFileMissing = "Plotter definition file does not exist.";
const char* const kFixedEarlyReadError = "Plotter definition file read error occured. ";
const char* const kFixedEarlyFileLabel = "Plotter definition file :  ";

const char* const kEnglishMessages[kMessageCount] = {
    "",
    "This plotter can print additional copies.",
    "You may specify the number of additional copies at run time configuration.",
    "Specify the number of additinal copies ",
    "This plotter supports PE command.",
    "Do you wish to use PE command ",
    "This plotter supports long plot.",
    "Do you wish to do long plot ",
    "plotter",
    "Baud rate :",
    "Select the number ",
    "Stop bits :",
    "    1 - One stop bit",
    "    2 - Two stop bits",
    "Parity check :",
    "    1 - No parity",
    "    2 - Odd parity",
    "    3 - Even parity",
    "Data bits :",
    "    1 - Eight bits",
    "    2 - Seven bits",
    "Paper size :",
    "Line types    0 = continuous line",
    " = ................................",
    " = ----    ----    ----    ----    ",
    " = -----   -----   -----   -----   ",
    " = ------. ------. ------. ------. ",
    " = ---- -  ---- -  ---- -  ---- -  ",
    " = --- - - --- - - --- - - --- - - ",
    "Plotter definition file read error occured. ",
    "A list of supported plotter models does not exist in plotter definition file.",
    "The plotter specifications do not exist; Default values are used instead.",
    "Incorrect plotter specifications in plotter definition file.",
    "Incorrect list of paper sizes in plotter definition file.",
    "Plotter definition file : ",
    "Plotter : ",
    "Data : ",
    "This plotter supports multiple plotter languages.",
    "This plotter supports two kinds of coordinate systems.",
    "    1 - Absolute coordinate system",
    "    2 - Relative coordinate system",
    " = ------ . . ------ . . ------ . .",
    " = ------ . - . ------ . - . ------ . - . ",
    "Plotter does not reply to query on paper size.",
    "Do you wish to query plotter regarding paper size ",
    "Please connect the plotter to a serial port.",
    "Do you wish to do this ",
    "Plotting error occured. ",
    "Do you wish to have the plotter fill polygons ",
    "Do you wish to change paper size ",
    "Line number : ",
    "Plotter language : ",
    "Plotter queries on paper size.",
    "Paper size : ",
    "Number of copies = ",
    "PE command in use. ",
    "PE command not in use. ",
    "Supports long plot. ",
    "Does not support long plot. ",
    "Coordinate system : ",
    "ABSOLUTE ",
    "RELATIVE ",
    "Plotter port : ",
    "SERIAL ",
    "PARALLEL ",
    "Plotter fills polygons. ",
    "AutoCAD fills polygons. ",
    "A list of supported paper sizes of the plotter does not exist; Max_area specification is "
    "used instead.",
    "Plot terminated. ",
    "Do you wish to use 8bit mode PE command, if possible ",
};

char message_table[kMessageCount][256] = {};

namespace {
// The table holds the English defaults from the moment the library is loaded.
const bool kTableFilled = [] {
    reset_message_table();
    return true;
}();
}  // namespace

void reset_message_table() {
    for (int i = 0; i < kMessageCount; ++i) {
        std::strncpy(message_table[i], kEnglishMessages[i], sizeof message_table[i] - 1);
        message_table[i][sizeof message_table[i] - 1] = '\0';
    }
}

const char* message(int key) {
    if (key < 0 || key >= kMessageCount) return "";
    return message_table[key];
}

}  // namespace tvk
