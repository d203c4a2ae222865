// vmhost live: a plug-in flown by hand, in real time, from a browser page,
// and the flight kept as a scenario that `vmhost run` replays to the same
// trace. Its files:
//   live.h        (this) the session and the page's messages
//   session.cpp   the session: the start, the steps as real time asks, the
//                 pilot's inputs at step boundaries, the record, the frames
//   inputs.cpp    the page's messages read: the scenario reader's lines that
//                 are a pilot's inputs, and the session's own words
//   trace_tap.cpp the trace as the host writes it, to its file and into the
//                 latest lines the page may ask for
//   page.cpp      the page, and the key map from browser keys to the SDK's
//   command_line.cpp  `vmhost live`'s options and help
//   server.cpp    `vmhost live` run: the local server (cpp-httplib), which
//                 refuses every request not from the page
//   absent.cpp    `vmhost live` in a build without the server library
//   live.js, live.css, live.html   the page's script, style and body; the
//                 panel is the report's (report/panel.js)
//
// Threads: the simulation, and every call into the plug-in, runs on the
// thread that calls Session::fly (the main thread); the server's threads only
// hand messages in and take frames out, through the Session's lock.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "cli.h"
#include "command.h"
#include "files.h"
#include "flightlog.h"
#include "scenario.h"

namespace vmhost {
class Runner;
class Messages;
}  // namespace vmhost

namespace vmhost::live {

// `vmhost live`: its options, its help and what runs it (command_line.cpp).
cli::Command command();
// `vmhost live` run: server.cpp's, or absent.cpp's in a build without the
// server library.
int main(const cli::Arguments& args);

// The page (page.cpp): its HTML, with everything it needs built in, and the
// key map it sends keys by, as JSON: {"map": {BROWSER_CODE: SCAN_CODE},
// "names": {SCAN_CODE: NAME}}.
std::string page();
std::string key_map_json();

// A comma-separated list (of JSON) grown by one item.
inline void add_item(std::string& list, std::string_view item) {
    if (!list.empty()) list += ',';
    list += item;
}

// The most bytes a message from the page may hold.
inline constexpr std::size_t kMaxMessageBytes = 256;
// The most steps one `step` message takes: a minute of simulated time.
inline constexpr long long kMaxMessageSteps = 60LL * kStepsPerSecond;

// A message from the page, read.
struct Message {
    enum Kind { input, pause, resume, stop } kind = input;
    Line line{0, cmd::Version{}, ""};  // an input: a scenario line
    std::string text;                  // an input as the record keeps it
};
// Reads a message: one line, at most kMaxMessageBytes, either `pause`,
// `resume`, `stop` or a scenario line that is a pilot's input (key, vc,
// throttle, elevator, aileron, rudder, trim, brake, autopilot, set warp,
// step). Throws Error as the scenario reader does.
Message read_message(std::string_view text);

// The trace as the host writes it: on to the trace file, if there is one,
// and into a ring of its latest bytes (trace_tap.cpp).
class TraceTap {
  public:
    // `out`: the trace file, or null.
    explicit TraceTap(Output* out);
    ~TraceTap();
    TraceTap(const TraceTap&) = delete;
    TraceTap& operator=(const TraceTap&) = delete;

    std::FILE* file() const { return file_; }
    // Passes what the host wrote on, to the file too; false when a write failed.
    bool flush();
    // The latest `lines` whole lines, flushed first.
    std::string tail(int lines);

  private:
    static long write(void* tap, const char* data, std::size_t size);

    Output* out_;
    std::FILE* file_ = nullptr;
    std::vector<char> ring_;
    std::size_t written_ = 0;
};

struct SessionOptions {
    std::string plugin;      // as given: an aircraft's name or a library path
    std::string start_name;  // the start scenario's file, as messages show it; empty: the default
    std::string start_text;
    Output* record = nullptr;  // the --record file, or null
    Output* trace = nullptr;   // the --trace file, or null
};

class Session {
  public:
    explicit Session(SessionOptions options);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Main thread. Loads the plug-in and runs the start: kOk, or kBadInput
    // with the error on standard error.
    Status start();
    // Main thread. Flies until the page says stop or goes, or a signal
    // comes; then ends the session: the record and trace written whole, the
    // plug-in unloaded. The run's status (kOk, or what verdict() says).
    Status fly();

    // Server threads. The page's first event (hello) with its client id,
    // or empty when a page already flies the session.
    std::string connect(const std::string& client);
    // The page has gone: the session ends.
    void disconnect();
    // Carries a message out at the next step boundary and waits for it:
    // empty, or the error it met (nothing changed then).
    std::string submit(const Message& m);
    // Waits up to `wait` for a frame newer than `seen`: the latest, with
    // every event and key answer since the page's last (empty when none);
    // `ended` and the end's text once the session is over.
    std::string next_frame(long long& seen, std::chrono::milliseconds wait, bool& ended);
    // The record so far, and the trace's latest lines.
    std::string record_text();
    std::string trace_tail(int lines);

  private:
    struct Pending;
    using Clock = std::chrono::steady_clock;

    std::string ask(Pending& p, const char* ended);
    void handle_requests(std::unique_lock<std::mutex>& lock);
    std::string apply(const Message& m);
    void step();
    void run_due_steps(Clock::time_point budget);
    void anchor(Clock::time_point now);
    void publish(Clock::time_point now);
    std::string event_updates();
    bool write_record(const std::string& text);
    void fail(const std::string& why);
    std::string hello() const;
    bool flush_steps();
    Status end(Status status);

    SessionOptions options_;
    FlightLog log_{5, false};  // the latest state and the events; no table of rows
    std::unique_ptr<Messages> messages_;
    std::unique_ptr<Runner> runner_;
    TraceTap tap_;
    std::string vessel_;     // the vessel flown: the first the start created
    int track_ = -1;         // its track in the flight log
    long long steps_ = 0;    // since the start
    long long pending_ = 0;  // steps not yet in the record
    std::string record_;
    bool failed_ = false;  // the record or the trace cannot be written
    std::string hello_;

    // Real time: steps due since the anchor, at its time acceleration.
    Clock::time_point anchor_time_;
    long long anchor_steps_ = 0;
    double anchor_warp_ = 1;
    bool paused_ = false;
    Clock::time_point rate_time_;
    long long rate_steps_ = 0;
    double rate_ = 0;  // steps per second over the last second
    Clock::time_point behind_until_;
    double dropped_ = 0;  // seconds of simulated time given up to keep up

    std::vector<FlightLog::Event> shown_events_;
    std::string keys_;  // key answers since the last frame, JSON

    // Shared with the server's threads.
    std::mutex mutex_;
    std::condition_variable wake_;    // the main thread: a request came
    std::condition_variable frames_;  // the page: a frame, a reply, the end
    std::deque<Pending*> requests_;
    bool connected_ = false, gone_ = false, stop_ = false, ended_ = false;
    std::string frame_;
    std::string frame_events_, frame_keys_;  // not yet taken by the page
    long long frame_number_ = 0;
    std::string end_text_;
};

}  // namespace vmhost::live
