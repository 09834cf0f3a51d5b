// A profile checked against the driver: the dialog is run without questions
// on the profile's answers (its stored block, with the port settings and the
// polygon-fill answer of the profile in it), and every section of the profile
// must come out as the driver answers.
#include <cmath>

#include "host/commands/driver_host.h"
#include "host/link/record.h"

namespace tvk::host {
namespace {

constexpr size_t kStopBits = 6;
constexpr size_t kParity = 8;
constexpr size_t kDataBits = 10;
constexpr size_t kHandshake = 12;
constexpr size_t kBaud = 14;
constexpr size_t kFlags = 16;
constexpr uint16_t kSerialPort = 0x0080;
constexpr uint16_t kPlotterFills = 0x0100;
constexpr const char* kParities[] = {"none", "odd", "even"};

void put16(StoredBlock& b, size_t offset, int value) {
    b[offset] = static_cast<uint8_t>(value & 0xFF);
    b[offset + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

int get16(const StoredBlock& b, size_t offset) {
    return b[offset] | (b[offset + 1] << 8);
}

bool same(double a, double b) {
    return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b));
}

std::string text_of(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

class Check {
  public:
    Check(const std::string& path, const std::string& model, const std::string& definitions)
        : path_(path), model_(model), definitions_(definitions) {}

    // A value of the [plotter] or [paper] sections: the driver's report.
    void reported(const std::string& key, const std::string& value, const std::string& driver) {
        if (value == driver) return;
        fail(key, value,
             "the driver reports " + driver + " for " + model_ + " (definition file " +
                 definitions_ +
                 "); this section records what the driver reports: `tvkplot configure` sets it");
    }
    // An answer the profile gives the driver: one it takes.
    void answer(const std::string& key, const std::string& value, const std::string& driver) {
        if (value == driver) return;
        fail(key, value,
             model_ + " takes " + driver + " here, as its definition file " + definitions_ +
                 " allows");
    }

    [[noreturn]] void fail(const std::string& key, const std::string& value,
                           const std::string& why) {
        throw HostError("profile " + path_ + ": " + key + " = " + value + ": " + why);
    }

  private:
    const std::string& path_;
    const std::string& model_;
    const std::string& definitions_;
};

}  // namespace

// The profile's answers in the driver's block, as a user would type them.
StoredBlock profile_answers(const Profile& p) {
    StoredBlock b = p.stored;
    put16(b, kStopBits, p.line.stop_bits);
    put16(b, kParity, p.line.parity);
    put16(b, kDataBits, p.line.data_bits);
    put16(b, kHandshake, p.line.handshake);
    put16(b, kBaud, p.line.baud);
    int flags = get16(b, kFlags);
    flags = p.port_kind == 2 ? flags & ~kSerialPort : flags | kSerialPort;
    flags = (p.pen_options & kPlotterFills) ? flags | kPlotterFills : flags & ~kPlotterFills;
    put16(b, kFlags, flags);
    return b;
}

Profile checked_profile(DriverHost& host, const Model& model, const Profile& profile,
                        const std::string& path) {
    const StoredBlock answers = profile_answers(profile);
    host.session.stored = answers;
    const Profile driver = configure_quietly(host, model, false);

    Check check(path, model.name, host.definitions.definition_file());
    const auto port_word = [](int kind) { return kind == 2 ? "\"other\"" : "\"serial\""; };
    check.answer("port.kind", port_word(profile.port_kind), port_word(driver.port_kind));
    // The driver brings a rate above the model's down to its highest.
    if (profile.line.baud > driver.line.baud) {
        check.fail("port.baud", std::to_string(profile.line.baud),
                   model.name + " takes at most " + std::to_string(driver.line.baud) +
                       " baud, as its definition file " + host.definitions.definition_file() +
                       " allows");
    }
    check.answer("port.baud", std::to_string(profile.line.baud), std::to_string(driver.line.baud));
    const auto parity = [](int p) {
        return std::string("\"") + (p >= 0 && p <= 2 ? kParities[p] : "?") + "\"";
    };
    check.answer("port.parity", parity(profile.line.parity), parity(driver.line.parity));
    check.answer("port.data_bits", std::to_string(profile.line.data_bits),
                 std::to_string(driver.line.data_bits));
    check.answer("port.stop_bits", std::to_string(profile.line.stop_bits),
                 std::to_string(driver.line.stop_bits));
    if ((profile.pen_options ^ driver.pen_options) & kPlotterFills) {
        check.fail("plotter.pen_options", std::to_string(profile.pen_options),
                   model.name + " does not fill polygons itself in the language of this profile");
    }
    // Whatever else the driver changes in its block: the definition file no
    // longer allows the answers (a language the model lost, a paper gone).
    if (driver.stored != answers) {
        throw HostError(
            "profile " + path + ": stored_configuration holds answers that " + model.name +
            " no longer takes as its definition file " + host.definitions.definition_file() +
            " stands: `tvkplot configure --profile " + path + "` answers its questions anew");
    }

    check.reported("plotter.pen_options", std::to_string(profile.pen_options),
                   std::to_string(driver.pen_options));
    check.reported("plotter.pens", std::to_string(profile.pens), std::to_string(driver.pens));
    check.reported("plotter.pen_speed", std::to_string(profile.pen_speed),
                   std::to_string(driver.pen_speed));
    check.reported("plotter.max_line_type", std::to_string(profile.max_line_type),
                   std::to_string(driver.max_line_type));
    check.reported("plotter.optimize", std::to_string(profile.optimize),
                   std::to_string(driver.optimize));
    if (std::fabs(profile.pen_width - driver.pen_width) > 1e-6) {
        check.reported("plotter.pen_width_mm", text_of(profile.pen_width * 25.4),
                       text_of(driver.pen_width * 25.4));
    }
    for (const auto& [key, mine, theirs] :
         {std::tuple{"paper.width_in", profile.area_x, driver.area_x},
          std::tuple{"paper.height_in", profile.area_y, driver.area_y},
          std::tuple{"paper.units_per_inch", profile.resolution, driver.resolution}}) {
        if (!same(mine, theirs)) check.reported(key, text_of(mine), text_of(theirs));
    }
    Profile checked = profile;
    checked.stored = driver.stored;
    return checked;
}

}  // namespace tvk::host
