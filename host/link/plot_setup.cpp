#include "host/link/plot_setup.h"

namespace tvk::host {
namespace {

constexpr int16_t kModelAndLimits = 43;
constexpr int16_t kPlotTimeQuestions = 46;
constexpr int16_t kPlotLimits = 47;
constexpr int16_t kPlotSetUp = 48;
constexpr int16_t kLimitsAnswered = 19;
constexpr uint8_t kAnySpeed = 255;

Record with_flags(int16_t code, uint32_t host_flags) {
    Record r(code);
    r.set_u32(5, host_flags);
    return r;
}

}  // namespace

void select_model(DriverConnection& driver, int number, int max_line_type) {
    Record r(kModelAndLimits);
    r.set_u8(4, static_cast<uint8_t>(number))
        .set_u8(7, kAnySpeed)
        .set_u8(8, static_cast<uint8_t>(max_line_type));
    driver.call(EntryKind::kPlot, r);
}

PlotLimits set_up_plot(DriverConnection& driver, uint32_t host_flags, const PlotAnswers& answers,
                       std::vector<std::string>* papers) {
    PlotLimits limits;
    Record setup = with_flags(kPlotSetUp, host_flags);
    driver.call(EntryKind::kPlot, setup);
    if (setup.status() == -1) throw DriverFailure("the driver could not set up the plot");
    limits.optimize = setup.u8(139);

    PlotTimeDialog dialog(answers);
    HostSession& session = driver.session();
    session.dialog = &dialog;
    Record questions = with_flags(kPlotTimeQuestions, host_flags);
    driver.call(EntryKind::kPlot, questions);
    session.dialog = nullptr;
    if (papers) *papers = dialog.papers();
    if (questions.status() != kLimitsAnswered) {
        throw DriverFailure("the driver could not keep the plot-time answers");
    }
    const StoredBlock& kept =
        session.saved ? *session.saved : session.stored.value_or(StoredBlock{});
    if (std::string refusal = dialog.refusal(static_cast<uint16_t>(kept[16] | kept[17] << 8));
        !refusal.empty()) {
        throw HostError(refusal);
    }
    const auto paper =
        static_cast<size_t>(kept[20] | kept[21] << 8 | kept[22] << 16 | kept[23] << 24);
    if (paper >= 1 && paper <= dialog.papers().size()) limits.paper = dialog.papers()[paper - 1];

    Record report = with_flags(kPlotLimits, host_flags);
    const size_t sent_before = session.sent_bytes;
    driver.call(EntryKind::kPlot, report);
    if (report.status() == -1) {
        // It asked the plotter for its paper and had no answer: the plotter,
        // not the definition file, is what to look at.
        if (session.sent_bytes > sent_before || session.write_failed) {
            throw HostError(
                "the plotter did not answer when asked for its paper: check that it is switched "
                "on, has paper in and is connected to this port, and that the profile's line "
                "settings (baud rate, handshake) are the plotter's");
        }
        throw DriverFailure("the driver could not report the plot limits");
    }
    limits.area_x = report.f64(9);
    limits.area_y = report.f64(17);
    limits.resolution = report.f64(41);

    // A second set-up takes the paper number and copies the questions left.
    Record again = with_flags(kPlotSetUp, host_flags);
    driver.call(EntryKind::kPlot, again);
    if (again.status() == -1) throw DriverFailure("the driver could not set up the plot");
    return limits;
}

}  // namespace tvk::host
