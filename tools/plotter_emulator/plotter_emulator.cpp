// A pen plotter played on a pseudo-terminal or a loopback TCP port, for the
// tests of the plotter ports (and for trying tvkplot without a plotter).
//
// It has a buffer of a given size that its pens empty at a given rate. With
// XON/XOFF it sends XOFF when the buffer is nearly full and XON when it has
// room again; like a UART holding its queue, it stops reading while its XOFF
// is in force only when the host's line obeys XOFF (IXON in the termios of
// the pty's slave side, which it reads as the host set it). With RTS/CTS it
// holds CTS instead. A pseudo-terminal has no modem lines, and takes an XOFF
// byte into account only some time after it came, so where the host's line
// obeys (IXON, or CRTSCTS) the emulator stops the slave's output itself
// (tcflow), which is what XOFF or a low CTS does to the host's UART. On a
// network port it holds the host by reading nothing while full. It answers the paper query ("OH;")
// with hard-clip limits, garbage or silence; it can stall for good or vanish
// after a number of bytes. It answers the status queries of its kind: free
// buffer (ESC.B), buffer size (ESC.L), extended status (ESC.O: 8 buffer
// empty, 32 paper lever raised), extended error (ESC.E: 16 input buffer
// overflow), status (OS), error (OE: 7 buffer overflow) and identification
// (OI). Its pens can run dry (--dry-pen MM): a pen leaves ink for that much
// pen-down line, and is full again when it is taken to the origin with the
// pen up (where tvkplot parks it in a pause, for the user to refill it); the
// report gives the line drawn without ink. It can have its paper lever raised at a byte for a while
// (it draws nothing meanwhile), and with --flow none it holds nobody back, so that a host that does
// not pace it overflows its buffer. At the end (SIGTERM) it writes what it received (OUT.bin,
// written as it arrives), a report (OUT.txt: counts and the line settings the host made) and a
// picture of the plot (OUT.svg) through the stream decoder.
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>

#include "decoder/stream_decoder.h"
#include "host/preview/svg_preview.h"

namespace {

constexpr char kXon = 0x11;
constexpr char kXoff = 0x13;
constexpr size_t kChunk = 4096;

volatile std::sig_atomic_t terminate_requested = 0;
extern "C" void on_terminate(int) {
    terminate_requested = 1;
}

struct Options {
    bool tcp = false;
    size_t buffer = 1024;
    double rate = 0;  // bytes per second; 0: drawn at once
    bool rtscts = false;
    bool no_flow = false;  // holds the host back by no means
    size_t lever_at = 0;   // 0: never
    int lever_ms = 2000;
    std::string ident = "TVK-HG700";
    enum { kAnswer, kSilent, kGarbage } query = kAnswer;
    std::string reply = "-100,-200,16400,10900";
    int reply_delay_ms = 0;  // between the bytes of the reply
    size_t stall_after = 0;  // 0: never
    size_t vanish_after = 0;
    std::string out = "plotter";
    std::string language = "TK-GL1";
    double units_per_mm = 40;
    double dry_pen_mm = 0;  // 0: the pens never run dry
};

[[noreturn]] void usage(const char* why, int code = 2) {
    std::fprintf(code == 0 ? stdout : stderr,
                 "plotter_emulator: %s\n"
                 "usage: plotter_emulator [--tcp] [--buffer BYTES] [--rate BYTES_PER_S] "
                 "[--flow xonxoff|rtscts]\n"
                 "  [--reply X1,Y1,X2,Y2 [--reply-delay MS] | --silent | --garbage]\n"
                 "  [--stall-after N] [--vanish-after N] [--lever-at N [--lever-for MS]]\n"
                 "  [--flow none] [--ident TEXT]\n"
                 "  [--out PREFIX] [--language TK-GL1] [--units-per-mm 40] [--dry-pen MM]\n"
                 "Prints \"READY PORT\" when the host may open PORT; ends on SIGTERM.\n",
                 why);
    std::exit(code);
}

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) usage(("no value for " + a).c_str());
            return argv[++i];
        };
        if (a == "--help")
            usage("a pen plotter on a pseudo-terminal or a loopback port", 0);
        else if (a == "--tcp")
            o.tcp = true;
        else if (a == "--buffer")
            o.buffer = std::stoul(value());
        else if (a == "--rate")
            o.rate = std::stod(value());
        else if (a == "--flow") {
            const std::string flow = value();
            o.rtscts = flow == "rtscts";
            o.no_flow = flow == "none";
        } else if (a == "--lever-at")
            o.lever_at = std::stoul(value());
        else if (a == "--lever-for")
            o.lever_ms = std::stoi(value());
        else if (a == "--ident")
            o.ident = value();
        else if (a == "--reply")
            o.reply = value();
        else if (a == "--reply-delay")
            o.reply_delay_ms = std::stoi(value());
        else if (a == "--silent")
            o.query = Options::kSilent;
        else if (a == "--garbage")
            o.query = Options::kGarbage;
        else if (a == "--stall-after")
            o.stall_after = std::stoul(value());
        else if (a == "--vanish-after")
            o.vanish_after = std::stoul(value());
        else if (a == "--out")
            o.out = value();
        else if (a == "--language")
            o.language = value();
        else if (a == "--units-per-mm")
            o.units_per_mm = std::stod(value());
        else if (a == "--dry-pen")
            o.dry_pen_mm = std::stod(value());
        else
            usage(("unknown option " + a).c_str());
    }
    if (o.buffer < 16) usage("the buffer needs at least 16 bytes");
    return o;
}

// The line as the host set it, read from the slave side of the pty.
struct LineSettings {
    bool known = false;
    termios t{};
};

int baud_of(speed_t s) {
    constexpr std::pair<speed_t, int> kRates[] = {
        {B50, 50},       {B300, 300},     {B600, 600},       {B1200, 1200},
        {B2400, 2400},   {B4800, 4800},   {B9600, 9600},     {B19200, 19200},
        {B38400, 38400}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400}};
    for (const auto& [code, baud] : kRates) {
        if (code == s) return baud;
    }
    return -1;
}

class Plotter {
  public:
    explicit Plotter(Options o) : o_(std::move(o)) {
        received_file_ = std::fopen((o_.out + ".bin").c_str(), "wb");
        if (received_file_ == nullptr) usage("cannot write the received bytes");
    }

    void open_pty() {
        if (openpty(&line_, &slave_, nullptr, nullptr, nullptr) != 0) usage("no pseudo-terminal");
        // A line no host would leave so: the host must set its own.
        termios t{};
        tcgetattr(slave_, &t);
        cfmakeraw(&t);
        cfsetispeed(&t, B50);
        cfsetospeed(&t, B50);
        tcsetattr(slave_, TCSANOW, &t);
        fcntl(line_, F_SETFL, O_NONBLOCK);
        // Packet mode: the master learns when the host drops its queue.
        const int on = 1;
        ioctl(line_, TIOCPKT, &on);
        std::printf("READY %s\n", ttyname(slave_));
        std::fflush(stdout);
    }

    void open_tcp() {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        const int small = 4096;
        setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            listen(listener_, 1) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
            usage("cannot listen on the loopback port");
        }
        std::printf("READY tcp:127.0.0.1:%d\n", ntohs(a.sin_port));
        std::fflush(stdout);
    }

    void run() {
        auto last = std::chrono::steady_clock::now();
        while (!terminate_requested || finishing()) {
            const auto now = std::chrono::steady_clock::now();
            drain(std::chrono::duration<double>(now - last).count());
            last = now;
            if (o_.tcp && line_ < 0) accept_host();
            if (line_ < 0) {
                poll(nullptr, 0, 5);
                continue;
            }
            watch_line();
            flow();
            trickle_reply();
            watch_flush();
            if (!may_read()) {
                poll(nullptr, 0, 2);
                continue;
            }
            pollfd p{line_, POLLIN, 0};
            if (poll(&p, 1, 5) <= 0) continue;
            // The host sets its line before it writes: read as it is now.
            watch_line();
            if (take(readable()) > 0) {
                idle_since_ = std::chrono::steady_clock::now();
            }
        }
        finish();
    }

  private:
    // Told to end: what the host queued still reaches a plotter that works,
    // at its own pace, until the line has been quiet for a moment.
    bool finishing() {
        if (stalled_ || line_ < 0) return false;
        if (!ending_) {
            ending_ = true;
            idle_since_ = std::chrono::steady_clock::now();
            end_by_ = idle_since_ + std::chrono::seconds(20);
        }
        const auto now = std::chrono::steady_clock::now();
        if (now > end_by_) return false;
        // Quiet counts only while it could read.
        if (!may_read()) {
            idle_since_ = now;
            return true;
        }
        return now - idle_since_ < std::chrono::milliseconds(200);
    }

    void accept_host() {
        pollfd p{listener_, POLLIN, 0};
        if (poll(&p, 1, 5) <= 0) return;
        line_ = accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK);
    }

    void drain(double seconds) {
        if (stalled_) return;
        if (lever_ && std::chrono::steady_clock::now() >= lever_until_) lever_ = false;
        if (lever_) return;
        fill_ = o_.rate > 0 ? std::max(0.0, fill_ - o_.rate * seconds) : 0;
    }

    void watch_line() {
        if (slave_ < 0) return;
        termios t{};
        if (tcgetattr(slave_, &t) == 0) {
            host_obeys_ = o_.rtscts ? (t.c_cflag & CRTSCTS) != 0 : (t.c_iflag & IXON) != 0;
            if (received_ > 0 && !settings_.known) settings_ = {true, t};
        }
    }

    double high() const { return static_cast<double>(o_.buffer) * 3 / 4; }
    double low() const { return static_cast<double>(o_.buffer) / 4; }
    size_t room() const { return o_.buffer - static_cast<size_t>(fill_); }

    // Holds the host back when nearly full, lets it go on with room again.
    // A host line that obeys (IXON for XON/XOFF, CRTSCTS for RTS/CTS) is
    // stopped at once, as a UART stops at the next character: the pty's
    // own handling of an XOFF byte comes late, and a pty has no CTS line.
    // A line that does not obey gets the XOFF byte and carries on.
    void flow() {
        const bool hold = !o_.no_flow && (stalled_ || (holding_ ? fill_ > low() : fill_ >= high()));
        if (hold != holding_) {
            holding_ = hold;
            if (hold) ++holds_;
            if (!o_.tcp && !o_.rtscts && !host_obeys_) answer(std::string(1, hold ? kXoff : kXon));
        }
        // The network holds the host while nothing is read.
        const bool stop = !o_.tcp && host_obeys_ && holding_;
        if (stop != stopped_) {
            tcflow(slave_, stop ? TCOOFF : TCOON);
            stopped_ = stop;
        }
    }

    // How much may come in one read. A pty hands over a host's whole write at
    // once, where a line brings it a byte at a time and the host stops at the
    // byte that makes the plotter hold it: to a host that obeys, no more than
    // brings the buffer to that mark. The network brings what fits; to a
    // host that does not obey, whatever it sent.
    size_t readable() const {
        if (o_.tcp) return o_.no_flow ? kChunk : room();
        if (!host_obeys_ || o_.no_flow) return kChunk;
        return static_cast<size_t>(std::max(1.0, std::ceil(high() - fill_)));
    }

    // A UART holds its queue while it holds the host back, if the host obeys.
    bool may_read() const {
        if (stalled_) return false;
        if (o_.tcp) return o_.no_flow || room() > 0;
        return !(holding_ && host_obeys_);
    }

    // Reads up to `most` bytes; how many came.
    size_t take(size_t most) {
        size_t limit = std::min(most, kChunk);
        if (o_.stall_after > 0) limit = std::min(limit, o_.stall_after - received_);
        if (o_.vanish_after > 0) limit = std::min(limit, o_.vanish_after - received_);
        if (limit == 0) return 0;
        char bytes[kChunk];
        const ssize_t n = read_line(bytes, limit);
        if (n <= 0) {
            if (n == 0 && o_.tcp) {  // the host closed; another may come
                close(line_);
                line_ = -1;
            }
            return 0;
        }
        const auto count = static_cast<size_t>(n);
        std::fwrite(bytes, 1, count, received_file_);
        std::fflush(received_file_);
        stream_.append(bytes, count);
        received_ += count;
        fill_ += static_cast<double>(count);
        // Status queries are handled as they come, not buffered.
        fill_ -= static_cast<double>(look_for_query());
        if (fill_ > static_cast<double>(o_.buffer)) {
            overruns_ += static_cast<size_t>(fill_) - o_.buffer;
            fill_ = static_cast<double>(o_.buffer);
            error_ = 16;
            instruction_error_ = 7;
        }
        max_fill_ = std::max(max_fill_, fill_);
        watch_line();
        flow();
        if (o_.lever_at > 0 && !lever_done_ && received_ >= o_.lever_at) {
            lever_ = lever_done_ = true;
            lever_until_ =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(o_.lever_ms);
        }
        if (o_.stall_after > 0 && received_ >= o_.stall_after) stalled_ = true;
        if (o_.vanish_after > 0 && received_ >= o_.vanish_after) vanish();
        return count;
    }

    // One read of the line. On the pty (packet mode) a read brings a status
    // byte, or a zero byte and data.
    ssize_t read_line(char* bytes, size_t limit) {
        if (o_.tcp) return read(line_, bytes, limit);
        char packet[kChunk + 1];
        const ssize_t n = read(line_, packet, limit + 1);
        if (n <= 0) return n;
        if (packet[0] != TIOCPKT_DATA) {
            if ((packet[0] & TIOCPKT_FLUSHWRITE) && stopped_) drop_queue();
            return -1;
        }
        std::memcpy(bytes, packet + 1, static_cast<size_t>(n - 1));
        return n - 1;
    }

    // In packet mode the host's tcflush shows as a status the master can
    // read without taking data: seen even while the host is held.
    void watch_flush() {
        if (o_.tcp) return;
        pollfd p{line_, POLLPRI, 0};
        if (poll(&p, 1, 0) <= 0 || (p.revents & POLLPRI) == 0) return;
        char status = 0;
        if (read(line_, &status, 1) == 1 && status != TIOCPKT_DATA &&
            (status & TIOCPKT_FLUSHWRITE) && stopped_)
            drop_queue();
    }

    // The host dropped what it had queued for the line (tcflush). While it
    // is stopped, what the pty holds is that queue, which a serial port's
    // driver would have dropped: so is it here. The kernel has dropped what
    // had not reached the line's reading side yet; what has is at most one
    // read. Bytes after it were written after the flush (the pen-up that
    // follows a stop) and go to the plotter.
    void drop_queue() {
        char packet[kChunk + 1];
        const ssize_t n = read(line_, packet, sizeof packet);
        if (n > 0 && packet[0] == TIOCPKT_DATA) dropped_ += static_cast<size_t>(n - 1);
    }

    // Answers the queries that came; the bytes of the device-control ones
    // (ESC.x), which take no room in the buffer.
    size_t look_for_query() {
        static const char* const kQueries[] = {"OH;",    "OI;",    "OS;",    "OE;",
                                               "\x1b.B", "\x1b.L", "\x1b.O", "\x1b.E"};
        size_t device_control = 0;
        for (;;) {
            size_t at = std::string::npos;
            std::string found;
            for (const char* q : kQueries) {
                const size_t i = stream_.find(q, scanned_);
                if (i < at) {
                    at = i;
                    found = q;
                }
            }
            if (at == std::string::npos) break;
            scanned_ = at + found.size();
            if (found[0] == '\x1b') device_control += found.size();
            answer_query(found);
        }
        if (stream_.size() > 2) scanned_ = std::max(scanned_, stream_.size() - 2);
        return device_control;
    }

    void answer_query(const std::string& q) {
        if (q == "OH;") {
            ++queries_;
            if (o_.query == Options::kAnswer) {
                reply_ = o_.reply + "\r";
                trickle_reply();
            }
            if (o_.query == Options::kGarbage) answer("E?#x,,y\r");
            return;
        }
        ++status_queries_;
        int value = 0;
        if (q == "OI;") {
            answer(o_.ident + "\r");
            return;
        }
        if (q == "\x1b.B") value = static_cast<int>(room());
        if (q == "\x1b.L") value = static_cast<int>(o_.buffer);
        if (q == "\x1b.O") value = (fill_ < 1 ? 8 : 0) | (lever_ ? 32 : 0);
        if (q == "\x1b.E") {
            value = error_;
            error_ = 0;
        }
        if (q == "OS;") value = 8 | 16 | (instruction_error_ != 0 ? 32 : 0);
        if (q == "OE;") {
            value = instruction_error_;
            instruction_error_ = 0;
        }
        answer(std::to_string(value) + "\r");
    }

    // The reply to the paper query, a byte at a time with --reply-delay.
    void trickle_reply() {
        const auto now = std::chrono::steady_clock::now();
        while (!reply_.empty() && now >= reply_due_) {
            const size_t n = o_.reply_delay_ms > 0 ? 1 : reply_.size();
            answer(reply_.substr(0, n));
            reply_.erase(0, n);
            reply_due_ = now + std::chrono::milliseconds(o_.reply_delay_ms);
        }
    }

    void answer(const std::string& text) {
        if (line_ >= 0 && write(line_, text.data(), text.size()) < 0) {
            std::perror("plotter_emulator: answer");
        }
    }

    [[noreturn]] void vanish() {
        close(line_);
        if (slave_ >= 0) close(slave_);
        line_ = slave_ = -1;
        finish();
        std::exit(0);
    }

    void finish() {
        std::fclose(received_file_);
        report();
        const auto language = tvk::decoder::language_from_name(o_.language);
        if (!language) return;
        tvk::host::SvgOptions svg;
        svg.units_per_mm = o_.units_per_mm;
        try {
            tvk::host::save_svg(o_.out + ".svg", stream_,
                                tvk::host::survey_stream(stream_, *language), svg);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "plotter_emulator: %s\n", e.what());
        }
    }

    struct Ink {
        double drawn = 0;  // pen-down line, mm
        double dry = 0;    // of it, drawn with a dry pen
    };

    // The pen-down line, and how much of it a pen that had run dry drew.
    Ink ink_used() const {
        Ink ink;
        const auto language = tvk::decoder::language_from_name(o_.language);
        if (!language) return ink;
        const tvk::decoder::Decoded d = tvk::decoder::decode(stream_, *language);
        std::map<int, double> used;  // by pen, mm since it was last full
        for (const tvk::decoder::Segment& s : d.segments) {
            if (!s.pen_down) {
                if (s.to == tvk::decoder::Point{}) used[s.style.pen] = 0;
                continue;
            }
            const double mm = std::hypot(static_cast<double>(s.to.x - s.from.x),
                                         static_cast<double>(s.to.y - s.from.y)) /
                              o_.units_per_mm;
            double& pen = used[s.style.pen];
            ink.drawn += mm;
            ink.dry += std::clamp(pen + mm - o_.dry_pen_mm, 0.0, mm);
            pen += mm;
        }
        return ink;
    }

    void report() const {
        std::FILE* f = std::fopen((o_.out + ".txt").c_str(), "w");
        if (f == nullptr) return;
        std::fprintf(f,
                     "bytes %zu\noverruns %zu\nholds %zu\nmax_fill %.0f\nqueries %zu\n"
                     "dropped %zu\nstatus_queries %zu\nlever %d\n",
                     received_, overruns_, holds_, max_fill_, queries_, dropped_, status_queries_,
                     lever_done_ ? 1 : 0);
        if (o_.dry_pen_mm > 0) {
            const Ink ink = ink_used();
            std::fprintf(f, "ink_mm %.1f\ndry_mm %.1f\n", ink.drawn, ink.dry);
        }
        if (settings_.known) {
            const termios& t = settings_.t;
            const tcflag_t size = t.c_cflag & CSIZE;
            std::fprintf(f,
                         "speed %d\ndata_bits %d\nparity %s\nstop_bits %d\nixon %d\nixoff %d\n"
                         "ixany %d\ncrtscts %d\nraw %d\n",
                         baud_of(cfgetospeed(&t)),
                         size == CS7   ? 7
                         : size == CS8 ? 8
                                       : 0,
                         !(t.c_cflag & PARENB)  ? "none"
                         : (t.c_cflag & PARODD) ? "odd"
                                                : "even",
                         (t.c_cflag & CSTOPB) ? 2 : 1, (t.c_iflag & IXON) ? 1 : 0,
                         (t.c_iflag & IXOFF) ? 1 : 0, (t.c_iflag & IXANY) ? 1 : 0,
                         (t.c_cflag & CRTSCTS) ? 1 : 0,
                         !(t.c_lflag & (ICANON | ECHO | ISIG)) && !(t.c_oflag & OPOST) ? 1 : 0);
        }
        std::fclose(f);
    }

    Options o_;
    int line_ = -1;      // the pty's master side, or the host's connection
    int slave_ = -1;     // kept open, to read the host's line settings
    int listener_ = -1;  // TCP
    std::FILE* received_file_ = nullptr;
    std::string stream_;
    size_t scanned_ = 0;
    size_t received_ = 0;
    double fill_ = 0;
    double max_fill_ = 0;
    size_t overruns_ = 0;
    size_t holds_ = 0;  // times the host was held back (XOFF or CTS)
    size_t queries_ = 0;
    bool holding_ = false;
    bool stopped_ = false;  // the host's output stopped (tcflow)
    size_t dropped_ = 0;    // queued bytes the host dropped
    bool host_obeys_ = false;
    bool stalled_ = false;
    size_t status_queries_ = 0;
    int error_ = 0;              // ESC.E
    int instruction_error_ = 0;  // OE
    bool lever_ = false;         // the paper lever is raised
    bool lever_done_ = false;
    std::chrono::steady_clock::time_point lever_until_{};
    LineSettings settings_;
    std::string reply_;  // what is still to be said of the reply
    std::chrono::steady_clock::time_point reply_due_{};
    bool ending_ = false;
    std::chrono::steady_clock::time_point idle_since_{};
    std::chrono::steady_clock::time_point end_by_{};
};

}  // namespace

int main(int argc, char** argv) {
    const Options o = parse(argc, argv);
    Plotter plotter(o);
    std::signal(SIGTERM, on_terminate);
    std::signal(SIGINT, on_terminate);
    std::signal(SIGPIPE, SIG_IGN);
    if (o.tcp) {
        plotter.open_tcp();
    } else {
        plotter.open_pty();
    }
    plotter.run();
    return 0;
}
