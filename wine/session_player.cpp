// Plays host sessions against the driver library through its binary
// interface only, as a CAD host does, and writes a transcript of every
// request, service call and reply. The same source builds natively and as
// a Win32 program run under Wine, and the two transcripts must agree byte
// for byte.
//
//   tvk_session_player [--driver LIB] [--out FILE] [--def FILE] [--checks] SCRIPT...
//
// --def copies a definition file into the directory that the host path of
// initialise names: beside the player, or the current directory when the
// player's path is too long for the request. The exit status is 0 when every
// check and expectation held, 1 when one failed, 2 when the run could not
// be made.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "abi_checks.h"
#include "driver_library.h"
#include "player_paths.h"
#include "scripted_host.h"
#include "session_script.h"
#include "transcript.h"

namespace {

using namespace tvk::player;

constexpr std::size_t kHostPathSize = 90;

struct Options {
    std::string driver = default_driver_path();
    std::string out;
    std::string def;
    bool checks = false;
    std::vector<std::string> scripts;
};

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool has_value = i + 1 < argc;
        if (arg == "--driver" && has_value) {
            o.driver = argv[++i];
        } else if (arg == "--out" && has_value) {
            o.out = argv[++i];
        } else if (arg == "--def" && has_value) {
            o.def = argv[++i];
        } else if (arg == "--checks") {
            o.checks = true;
        } else if (!arg.empty() && arg[0] != '-') {
            o.scripts.push_back(arg);
        } else {
            return false;
        }
    }
    return o.checks || !o.scripts.empty();
}

bool copy_file(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    if (!in) return false;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    out << bytes.str();
    return static_cast<bool>(out);
}

// The host path names the player's own file. One that does not fit the 90
// bytes of the initialise request becomes its bare name, which the driver
// resolves against the current directory, where --def then puts the file.
std::string host_path() {
    const std::string self = executable_path();
    if (self.size() <= kHostPathSize) return self;
    return self.substr(directory_of(self).size());
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: %s [--driver LIB] [--out FILE] [--def FILE] [--checks] SCRIPT...\n",
                     argv[0]);
        return 2;
    }
    const std::string path = host_path();
    if (!options.def.empty() && !copy_file(options.def, directory_of(path) + "tvkplot.def")) {
        std::fprintf(stderr, "cannot copy %s beside the player\n", options.def.c_str());
        return 2;
    }
    std::string error;
    if (!load_driver(options.driver, error)) {
        std::fprintf(stderr, "cannot load %s: %s\n", options.driver.c_str(), error.c_str());
        return 2;
    }
    Transcript transcript;
    if (!transcript.open(options.out.c_str())) {
        std::fprintf(stderr, "cannot write %s\n", options.out.c_str());
        return 2;
    }
    ScriptedHost host(transcript);
    int failures = options.checks ? run_abi_checks(host) : 0;
    if (failures > 0 && host.block() == nullptr) return 1;  // PLADI cannot be called safely
    for (const std::string& script : options.scripts) {
        const PlayResult r = play_script(script, host, path);
        if (r.broken) return 2;
        failures += r.failures;
    }
    failures += host.faults();
    if (failures > 0) std::fprintf(stderr, "%d failure(s); see the transcript\n", failures);
    return failures > 0 ? 1 : 0;
}
