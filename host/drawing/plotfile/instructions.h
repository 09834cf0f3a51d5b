// The plot-file reader: HP-GL and HP-GL/2 files (and the driver's own
// VTX-GL) turned into the entity model, one concern a file:
//   instructions   the byte stream split into instructions (labels, PE, escapes,
//                  PCL and PJL wrappers)
//   language       which language a file is written in, on evidence
//   page_state     the graphics state: scaling, window, pens, fills
//   pen_output     strokes, dots and fills into entities, dashed in the line
//                  pattern, clipped to the window
//   line_types     LT and UL: the file's line patterns
//   vectors        the vector group (PA ... BZ) and PE
//   polygons       polygon mode, rectangles, wedges, fill types
//   labels         labels in stroke fonts with their state; character_sets
//   interpreter    the instructions applied in order; pages
//   plot_file      the one entry the loader calls
// The files here use host/drawing/model, geometry and text (the stroke fonts)
// and the stream decoder for VTX-GL; nothing of the plotting side.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tvk::host::plotfile {

struct Instruction {
    // Two upper-case letters; "ESC" for an escape sequence, "PCL" for bytes of
    // a PCL wrapper (print data, PJL lines); "?" for bytes that are none of them.
    std::string name;
    std::size_t offset = 0;  // of its first byte
    std::size_t end = 0;     // one past its last byte
    std::vector<double> numbers;
    // The label of LB, BL and WD without its terminator; the character of DT
    // and SM; the body of PE; quoted strings (CO, BP).
    std::string text;
    bool text_terminated = true;  // a label ended by its terminator
    bool bad_parameters = false;  // characters in the parameters that are no number
};

// Reads instructions one after another. The label terminator (DT) is followed
// as it is read, so that labels end where the plotter would end them.
class InstructionReader {
  public:
    explicit InstructionReader(std::string_view bytes);
    // The next instruction; false at the end of the bytes.
    bool next(Instruction& out);
    std::size_t position() const { return i_; }

  private:
    void parameters(Instruction& out);
    void label(Instruction& out);
    void encoded(Instruction& out);
    void escape(Instruction& out);
    void pcl(Instruction& out);
    bool number(double& value);

    std::string_view s_;
    std::size_t i_ = 0;
    char terminator_ = 3;             // ETX, as after IN
    bool terminator_prints_ = false;  // DT's mode 0
    bool pcl_mode_ = false;           // inside a PCL wrapper, between ESC%nA and ESC%nB
};

// Numbers are held within what HP-GL/2 carries (-2^30 to 2^30 - 1).
inline constexpr double kNumberLimit = 1073741823.0;

// Whether a mnemonic is an instruction of HP-GL or HP-GL/2.
bool known_instruction(std::string_view name);
// Whether it is one HP-GL/2 (or the HP RTL around it) has and HP-GL has not.
bool hpgl2_instruction(std::string_view name);

}  // namespace tvk::host::plotfile
