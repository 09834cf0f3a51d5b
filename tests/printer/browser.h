// Headless Chromium for the tests of the printer's web pages, driven over
// its DevTools pipe: a browser, and tabs in it with a page open whose
// JavaScript the test evaluates.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

#include "fixtures.h"
#include "program.h"

namespace tvk::printer_test {

using host_test::Json;
using host_test::TempDir;

// Chromium started from a sanitized test does not load the pages in time;
// those tests check the pages' requests without it.
inline bool browser_usable() {
#if defined(__SANITIZE_ADDRESS__)
    return false;
#else
    return true;
#endif
}

// Chromium with --remote-debugging-pipe: DevTools messages, each a JSON text
// ended by a zero byte, on its descriptors 3 (in) and 4 (out).
class Browser {
  public:
    explicit Browser(const TempDir& dir) {
        int to_browser[2], from_browser[2];
        if (pipe(to_browser) != 0 || pipe(from_browser) != 0) throw std::runtime_error("pipe");
        pid_ = fork();
        if (pid_ == 0) {
            dup2(to_browser[0], 3);
            dup2(from_browser[1], 4);
            const int null = open("/dev/null", O_RDWR);
            dup2(null, 1);
            dup2(null, 2);
            const std::string profile = "--user-data-dir=" + dir.file("chromium");
            execlp("chromium", "chromium", "--headless=new", "--no-sandbox", "--disable-gpu",
                   "--no-first-run", "--remote-debugging-pipe", profile.c_str(), "about:blank",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(to_browser[0]);
        close(from_browser[1]);
        out_ = to_browser[1];
        in_ = from_browser[0];
    }
    ~Browser() {
        close(out_);
        close(in_);
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;

    // Sends a command and waits for its answer (events in between are passed over).
    Json call(const std::string& method, const std::string& params,
              const std::string& session = "") {
        const int id = ++last_id_;
        std::string message = "{\"id\":" + std::to_string(id) + ",\"method\":\"" + method +
                              "\",\"params\":" + params +
                              (session.empty() ? "" : ",\"sessionId\":\"" + session + "\"") + "}";
        message.push_back('\0');
        if (::write(out_, message.data(), message.size()) != static_cast<ssize_t>(message.size()))
            throw std::runtime_error("chromium took no command");
        for (;;) {
            const Json answer = host_test::parse_json(next_message());
            const auto it = answer.members.find("id");
            if (it != answer.members.end() && it->second.number == id) {
                if (answer.members.count("error")) throw std::runtime_error("chromium: " + method);
                return answer["result"];
            }
        }
    }

  private:
    std::string next_message() {
        for (;;) {
            const size_t end = buffer_.find('\0');
            if (end != std::string::npos) {
                std::string m = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                return m;
            }
            char chunk[65536];
            const ssize_t n = ::read(in_, chunk, sizeof chunk);
            if (n <= 0) throw std::runtime_error("chromium ended");
            buffer_.append(chunk, static_cast<size_t>(n));
        }
    }

    int pid_ = -1, in_ = -1, out_ = -1;
    int last_id_ = 0;
    std::string buffer_;
};

// A tab of the browser with the page open.
class Tab {
  public:
    Tab(Browser& browser, const std::string& url) : browser_(browser) {
        const Json target = browser.call("Target.createTarget", "{\"url\":\"" + url + "\"}");
        session_ = browser
                       .call("Target.attachToTarget", "{\"targetId\":\"" + target["targetId"].text +
                                                          "\",\"flatten\":true}")["sessionId"]
                       .text;
    }
    // The value of a JavaScript expression, as text.
    std::string eval(const std::string& expression) {
        std::string quoted;
        for (const char c : expression)
            quoted += c == '"' ? std::string("\\\"") : std::string(1, c);
        const Json r =
            browser_.call("Runtime.evaluate",
                          "{\"expression\":\"" + quoted + "\",\"returnByValue\":true}", session_);
        const Json& value = r["result"];
        const auto it = value.members.find("value");
        if (it == value.members.end()) return "";
        return it->second.kind == Json::Kind::kString ? it->second.text
               : it->second.kind == Json::Kind::kBool ? (it->second.boolean ? "true" : "false")
                                                      : std::to_string(it->second.number);
    }
    // Waits until the expression is true; false after `seconds`.
    bool wait_until(const std::string& expression, double seconds = 30) {
        for (int i = 0; i < seconds * 10; ++i) {
            try {
                if (eval("Boolean(" + expression + ")") == "true") return true;
            } catch (const std::runtime_error&) {
                // A page between two loads has nothing to evaluate yet.
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    void choose_file(const std::string& selector, const std::string& path) {
        const Json document = browser_.call("DOM.getDocument", "{}", session_);
        const double root = document["root"]["nodeId"].number;
        const Json node = browser_.call("DOM.querySelector",
                                        "{\"nodeId\":" + std::to_string(static_cast<int>(root)) +
                                            ",\"selector\":\"" + selector + "\"}",
                                        session_);
        browser_.call("DOM.setFileInputFiles",
                      "{\"files\":[\"" + path + "\"],\"nodeId\":" +
                          std::to_string(static_cast<int>(node["nodeId"].number)) + "}",
                      session_);
    }

  private:
    Browser& browser_;
    std::string session_;
};

}  // namespace tvk::printer_test
