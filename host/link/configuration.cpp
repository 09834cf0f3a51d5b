#include "host/link/configuration.h"

#include <algorithm>
#include <cctype>

namespace tvk::host {
namespace {

constexpr size_t kNameBytes = 32;
constexpr int16_t kTableReplyBase = 16;  // request 44: where the widths start
constexpr int16_t kTableReplySize = 256 * 8;

// Every configuration request carries the model number at offset 4: the
// entry takes the current model from it before it looks at the request.
Record config_request(int16_t code, int number) {
    Record r(code);
    r.set_i16(4, static_cast<int16_t>(number));
    return r;
}

std::array<uint8_t, 256> byte_table(DriverConnection& driver, int16_t code, int number,
                                    int& count) {
    Record r = config_request(code, number);
    driver.call(EntryKind::kConfig, r);
    count = r.i16(4);
    std::array<uint8_t, 256> table{};
    for (size_t k = 0; k < table.size(); ++k) table[k] = r.u8(6 + k);
    return table;
}

// The plot-limits fields of requests 40 and 47.
void read_limits(const Record& r, Profile& p) {
    p.area_x = r.f64(9);
    p.area_y = r.f64(17);
    p.resolution = r.f64(41);
}

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

}  // namespace

std::vector<std::string> model_names(DriverConnection& driver) {
    std::vector<std::string> names;
    for (int number = 1;; ++number) {
        Record r(20);
        r.set_i16(4, static_cast<int16_t>(number)).set_i16(6, -1);
        driver.call(EntryKind::kConfig, r);
        // A number past the list comes back with 0 at offset 6.
        if (r.status() != 0 || r.i16(6) == 0) break;
        names.push_back(r.text(8, kNameBytes));
        if (number >= r.i16(4)) break;
    }
    return names;
}

int model_number(const std::vector<std::string>& names, const std::string& name) {
    const std::string wanted = upper(name);
    for (size_t i = 0; i < names.size(); ++i) {
        if (upper(names[i]) == wanted) return static_cast<int>(i) + 1;
    }
    return 0;
}

Profile configure_model(DriverConnection& driver, int number, const std::string& name, bool fresh) {
    Profile p;
    p.model = name;

    Record configure = config_request(21, number);
    configure.set_i16(6, fresh ? 1 : 0);
    driver.call(EntryKind::kConfig, configure);
    if (configure.status() != 0) {
        if (driver.session().cancels > 0)
            throw Cancelled("configuration cancelled; nothing was saved");
        throw DriverFailure("the driver could not configure " + name);
    }
    p.pen_options = configure.u16(40);
    p.pens = std::max<int>(1, configure.i16(42));
    p.pen_speed = configure.i16(44);
    p.max_line_type = configure.i16(46);
    p.port_kind = configure.i16(48) == 2 ? 2 : 1;
    p.line.baud = configure.u16(50);
    p.line.parity = configure.i16(52);
    p.line.data_bits = configure.i16(54);
    p.line.stop_bits = configure.i16(56);
    p.line.handshake = configure.u8(58);

    int count = 0;
    p.line_type_by_colour = byte_table(driver, 22, number, count);
    p.speed_by_colour = byte_table(driver, 23, number, count);
    p.pen_by_colour = byte_table(driver, 25, number, count);
    // The driver puts every colour on a plotter's one pen; the host asks for
    // each colour's pen by hand, so each colour starts on a pen of its own.
    if (p.pens_by_hand()) {
        for (size_t k = 0; k < 256; ++k)
            p.pen_by_colour[k] = static_cast<uint8_t>(default_pen(static_cast<int>(k), p));
    }

    Record widths = config_request(44, number);
    widths.set_i32(8, kTableReplyBase).set_i16(12, kTableReplySize);
    driver.call(EntryKind::kConfig, widths);
    for (size_t k = 0; k < 256; ++k) p.width_by_colour[k] = widths.f64(16 + 8 * k);
    p.pen_width = p.width_by_colour[0];  // the model's width, the same for every colour

    Record limits = config_request(40, number);
    driver.call(EntryKind::kConfig, limits);
    if (limits.status() != 0) throw DriverFailure("the driver did not report the plot limits");
    p.optimize = limits.u8(139);
    read_limits(limits, p);

    driver.session().saved.reset();
    Record save = config_request(47, number);
    driver.call(EntryKind::kConfig, save);
    if (save.status() != 0 || !driver.session().saved) {
        throw DriverFailure("the driver did not hand over its configuration");
    }
    read_limits(save, p);
    p.stored = *driver.session().saved;
    return p;
}

}  // namespace tvk::host
