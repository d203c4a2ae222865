// A live session: the plug-in flown in vmhost's fixed steps as fast as real
// time times the time acceleration asks, the page's inputs carried out
// between two steps, and everything that changes the flight kept in the
// record, a scenario that replays it step for step.
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <csignal>
#include <cstring>
#include <future>
#include <utility>

#include "aircraft.h"
#include "interrupt.h"
#include "live.h"
#include "report/page.h"
#include "runner.h"

namespace vmhost::live {
namespace {

using namespace std::chrono_literals;

// The page gets a frame this often; inputs are carried out at once.
constexpr auto kFrame = std::chrono::microseconds(1'000'000 / 60);
// Falling further behind real time than this gives the time up.
constexpr double kMostBehind = 0.25;  // s
// A time acceleration beyond this is paced as this: a plug-in that has no
// cap of its own could otherwise ask for more steps than a frame can count.
constexpr double kFastestWarp = 1e4;

// A crash in the plug-in ends the process where it happens. The record has
// every input already; the steps since the last are written here, with
// write(2), which a signal handler may call.
std::atomic<long long> g_unrecorded{0};
int g_record_fd = -1;

void record_last_steps(int sig) {
    const long long n = g_unrecorded.load();
    if (g_record_fd >= 0 && n > 0) {
        char text[32] = "step ";
        char digits[20];
        int k = 0;
        for (long long v = n; v > 0; v /= 10) digits[k++] = static_cast<char>('0' + v % 10);
        int at = 5;
        while (k > 0) text[at++] = digits[--k];
        text[at++] = '\n';
        ssize_t ignored = ::write(g_record_fd, text, static_cast<std::size_t>(at));
        (void)ignored;
    }
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void keep_steps_on_crash(std::FILE* record) {
    if (!record) return;
    g_record_fd = fileno(record);
    for (int sig : {SIGSEGV, SIGFPE, SIGILL, SIGABRT}) std::signal(sig, record_last_steps);
}

// The time acceleration the steps are paced by: none for one that is not
// a positive number.
double paced(double warp) {
    return std::isfinite(warp) && warp > 0 ? std::min(warp, kFastestWarp) : 0;
}

std::string event_json(std::size_t index, const FlightLog::Event& e) {
    std::string items;
    for (const std::string& item :
         {std::to_string(index), json_number(e.time), json_string(e.text()),
          std::string(e.pilot ? "true" : "false"), e.range() ? json_number(e.end) : "null"})
        add_item(items, item);
    return '[' + items + ']';
}

// The keys the aircraft answers, as the page lists them: [key, what it does,
// the gauge that shows it or null].
std::string aircraft_keys_json(const Aircraft* a) {
    std::string keys;
    if (a)
        for (const KeyUse& k : a->keys)
            add_item(keys, '[' + json_string(k.key) + ',' + json_string(k.does) + ',' +
                               (k.gauge ? json_string(k.gauge) : "null") + ']');
    return '[' + keys + ']';
}

bool same_event(const FlightLog::Event& a, const FlightLog::Event& b) {
    auto same = [](double x, double y) { return x == y || (std::isnan(x) && std::isnan(y)); };
    return a.what == b.what && same(a.time, b.time) && same(a.end, b.end) &&
           a.changes == b.changes && same(a.lo, b.lo) && same(a.hi, b.hi);
}

}  // namespace

// A request of the page waiting for the main thread: a message, or the
// trace's latest lines.
struct Session::Pending {
    Message message;
    int tail = 0;
    std::promise<std::string> reply;
};

Session::Session(SessionOptions options)
    : options_(std::move(options)),
      messages_(std::make_unique<Messages>(stderr, printable(options_.start_name))),
      tap_(options_.trace) {
    RunOptions run;
    run.log = &log_;
    runner_ = std::make_unique<Runner>(run, *messages_);
}

Session::~Session() = default;

Status Session::start() {
    if (!tap_.file()) {
        std::fprintf(stderr, "vmhost: error: cannot keep the trace: %s\n", std::strerror(errno));
        return kBadInput;
    }
    host::trace_to(tap_.file());
    const std::string load = "load " + options_.plugin + "\n";
    const Aircraft* known = find_aircraft(options_.plugin);
    const std::string start =
        options_.start_name.empty()
            ? std::string("create ") + (known ? known->name : "v1") + "\nphysics on\n"
            : options_.start_text + (options_.start_text.ends_with('\n') ? "" : "\n");
    long long number = 0;
    bool loaded = false;
    try {
        run_lines(load, *runner_, number);
        loaded = true;
        number = 0;
        run_lines(start, *runner_, number);
    } catch (const Error& e) {
        // The start file's line, or vmhost's own for the load and the default start.
        const bool in_file = loaded && !options_.start_name.empty();
        for (const auto& [kind, what] : {std::pair{"error", e.what}, std::pair{"note", e.note}}) {
            if (what.empty()) continue;
            if (in_file) {
                messages_->put(number, kind, printable(what));
            } else {
                std::fprintf(stderr, "vmhost: %s: %s\n", kind, printable(what).c_str());
            }
        }
        host::trace_to(nullptr);
        runner_->finish();
        return kBadInput;
    } catch (const Interrupted&) {
        stop_ = true;
    }
    for (const Vessel& v : runner_->vessels())
        if (v.alive && v.callee && vessel_.empty()) vessel_ = v.name;
    if (vessel_.empty() && !stop_) {
        std::fputs("vmhost: error: the start leaves no vessel to fly\n", stderr);
        host::trace_to(nullptr);
        runner_->finish();
        return kBadInput;
    }
    keep_steps_on_crash(options_.record ? options_.record->file : nullptr);
    hello_ = hello();
    const std::string head =
        "# vmhost live: " + options_.plugin +
        " flown by hand. Replay: vmhost run FILE --trace TRACE\n" + load +
        (options_.start_name.empty() ? "" : "# the start, " + options_.start_name + ":\n") + start;
    return write_record(head) ? kOk : end(kBadInput);
}

// What the page is told first: the vessel, its log's columns, the panel of
// its aircraft, the key map, where the record and the trace go.
std::string Session::hello() const {
    const Aircraft* a = find_aircraft(options_.plugin);
    FlightLog::Track columns;
    columns.aircraft = a;
    for (const Vessel& v : runner_->vessels())
        if (v.alive && v.name == vessel_) columns.animations = host::animation_count(v.handle);
    std::string names;
    for (int c = 0; c < columns.columns(); ++c)
        add_item(names, json_string(columns.column_name(c)));
    auto file = [](const Output* o) { return o ? json_string(o->name) : std::string("null"); };
    return "\"vessel\":" + json_string(vessel_) + ",\"plugin\":" + json_string(options_.plugin) +
           ",\"columns\":[" + names + "],\"panel\":" + panel_json(a) +
           ",\"limits\":" + limits_json(a) + ",\"keys\":" + key_map_json() +
           ",\"aircraft_keys\":" + aircraft_keys_json(a) + ",\"record\":" + file(options_.record) +
           ",\"trace\":" + file(options_.trace) + "}";
}

// ---- The page's side ----

std::string Session::connect(const std::string& client) {
    const std::lock_guard lock(mutex_);
    if (connected_ || ended_) return "";
    connected_ = true;
    wake_.notify_all();
    return "{\"client\":" + json_string(client) + "," + hello_;
}

void Session::disconnect() {
    const std::lock_guard lock(mutex_);
    gone_ = true;
    wake_.notify_all();
}

std::string Session::submit(const Message& m) {
    Pending p{m, 0, {}};
    return ask(p, "the session has ended");
}

std::string Session::trace_tail(int lines) {
    Pending p{{}, lines < 1 ? 1 : lines, {}};
    return ask(p, "");
}

// A request handed to the main thread, and its reply; `ended` once the
// session is over.
std::string Session::ask(Pending& p, const char* ended) {
    std::future<std::string> reply = p.reply.get_future();
    {
        const std::lock_guard lock(mutex_);
        if (ended_) return ended;
        requests_.push_back(&p);
        wake_.notify_all();
    }
    return reply.get();
}

std::string Session::record_text() {
    const std::lock_guard lock(mutex_);
    return record_;
}

std::string Session::next_frame(long long& seen, std::chrono::milliseconds wait, bool& ended) {
    std::unique_lock lock(mutex_);
    frames_.wait_for(lock, wait, [&] { return ended_ || frame_number_ > seen; });
    ended = ended_;
    if (ended_) return end_text_;
    if (frame_number_ <= seen) return "";
    seen = frame_number_;
    std::string events, keys;
    events.swap(frame_events_);
    keys.swap(frame_keys_);
    return frame_ + ",\"events\":[" + events + "],\"keys\":[" + keys + "]}";
}

// ---- The main thread ----

Status Session::fly() {
    {
        // Real time starts when the page is there to see it.
        std::unique_lock lock(mutex_);
        while (!connected_ && !stop_ && !interrupt_signal()) wake_.wait_for(lock, 50ms);
    }
    anchor(Clock::now());
    rate_time_ = Clock::now();
    Status status = kOk;
    try {
        for (auto tick = Clock::now();; tick += kFrame) {
            {
                std::unique_lock lock(mutex_);
                wake_.wait_until(lock, tick, [&] { return !requests_.empty() || gone_; });
                handle_requests(lock);
                if (stop_ || gone_ || failed_ || interrupt_signal()) break;
            }
            const auto now = Clock::now();
            if (tick < now - kFrame) tick = now;  // a frame that came late is not made up for
            if (!paused_) run_due_steps(now + kFrame * 3 / 4);
            publish(Clock::now());
        }
    } catch (const Interrupted&) {
        // Noted between two steps: the session ends as if stopped.
    }
    if (failed_) status = kBadInput;
    return end(status);
}

void Session::handle_requests(std::unique_lock<std::mutex>& lock) {
    while (!requests_.empty()) {
        Pending* p = requests_.front();
        requests_.pop_front();
        lock.unlock();
        std::string reply;
        try {
            reply = p->tail > 0 ? tap_.tail(p->tail) : apply(p->message);
        } catch (const Interrupted&) {
            lock.lock();
            p->reply.set_value("the session has ended");
            throw;
        }
        p->reply.set_value(reply);
        lock.lock();
    }
}

// A message, between two steps. The steps before an input are recorded
// first, so that a crash in it leaves them, however the process ends (a
// sanitizer's report, too, which no signal handler sees); pausing records
// them too. An input that the runner refuses changed nothing (it checks
// before it calls the plug-in) and is not recorded.
std::string Session::apply(const Message& m) {
    switch (m.kind) {
        case Message::pause:
            paused_ = true;
            return flush_steps() ? "" : "cannot write the record";
        case Message::resume:
            if (paused_) anchor(Clock::now());
            paused_ = false;
            return "";
        case Message::stop:
            stop_ = true;
            return "";
        case Message::input:
            break;
    }
    if (const auto* s = std::get_if<cmd::Step>(&m.line.command)) {
        for (long long i = 0; i < s->count; ++i) step();
        if (!paused_) anchor(Clock::now());
        return "";
    }
    try {
        if (!flush_steps()) return "cannot write the record";
        runner_->run(m.line);
    } catch (const Error& e) {
        return e.what;
    }
    if (const auto* k = std::get_if<cmd::Key>(&m.line.command))
        add_item(keys_, '[' + std::to_string(k->code) + (k->down ? ",1," : ",0,") +
                            std::to_string(runner_->key_answer()) + ']');
    if (!write_record(m.text + "\n")) return "cannot write the record";
    return "";
}

void Session::step() {
    runner_->run(cmd::Step{1});
    ++steps_;
    g_unrecorded.store(++pending_);
}

void Session::anchor(Clock::time_point now) {
    anchor_time_ = now;
    anchor_steps_ = steps_;
    anchor_warp_ = paced(host::warp());
}

// As many steps as real time times the time acceleration asks since the
// anchor, within the frame's budget. A time acceleration the plug-in
// changed (its cap) paces the steps after it; time the steps cannot keep up
// with is given up, and the page told.
void Session::run_due_steps(Clock::time_point budget) {
    if (paced(host::warp()) != anchor_warp_) anchor(Clock::now());  // `set warp`
    const double seconds = std::chrono::duration<double>(Clock::now() - anchor_time_).count();
    long long due = anchor_steps_ +
                    static_cast<long long>(std::floor(seconds * kStepsPerSecond * anchor_warp_)) -
                    steps_;
    for (long long i = 0; due > 0; ++i, --due) {
        if (i % 4 == 0 && Clock::now() > budget) break;
        const double before = host::warp();
        step();
        if (host::warp() != before) {
            anchor(Clock::now());
            return;
        }
    }
    if (static_cast<double>(due) > kMostBehind * kStepsPerSecond * anchor_warp_) {
        dropped_ += static_cast<double>(due) / kStepsPerSecond;
        behind_until_ = Clock::now() + 2s;
        anchor(Clock::now());
    }
}

// The frame the page shows: the clock, the pace, the flown vessel's state;
// the events new or changed and the keys answered since the last frame.
void Session::publish(Clock::time_point now) {
    if (const double span = std::chrono::duration<double>(now - rate_time_).count(); span >= 1) {
        rate_ = static_cast<double>(steps_ - rate_steps_) / span;
        rate_time_ = now;
        rate_steps_ = steps_;
    }
    if (track_ < 0)
        for (int t = log_.vessel_count() - 1; t >= 0 && track_ < 0; --t)
            if (log_.track(t).name == vessel_) track_ = t;
    std::string values;
    if (track_ >= 0)
        for (double v : log_.track(track_).latest()) add_item(values, json_number(v));
    if (!tap_.flush())
        fail(options_.trace ? options_.trace->message("trace") : "cannot keep the trace");
    std::string frame =
        "{\"t\":" + json_number(static_cast<double>(steps_) / kStepsPerSecond) +
        ",\"steps\":" + std::to_string(steps_) + ",\"warp\":" + json_number(host::warp()) +
        ",\"asked\":" + json_number(paused_ ? 0 : anchor_warp_ * kStepsPerSecond) +
        ",\"rate\":" + json_number(rate_, 4) + ",\"paused\":" + (paused_ ? "true" : "false") +
        ",\"behind\":" + (now < behind_until_ ? "true" : "false") +
        ",\"dropped\":" + json_number(dropped_, 4) + ",\"values\":[" + values + "]";
    const std::string events = event_updates();
    const std::lock_guard lock(mutex_);
    frame_ = std::move(frame);
    // Events and key answers wait for the page, however many frames it misses.
    if (!events.empty()) add_item(frame_events_, events);
    if (!keys_.empty()) add_item(frame_keys_, keys_);
    keys_.clear();
    ++frame_number_;
    frames_.notify_all();
}

// The flown vessel's events that are new, or changed since the page saw them
// (a change back makes an event a span, a further one a range).
std::string Session::event_updates() {
    if (track_ < 0) return "";
    const std::vector<FlightLog::Event>& events = log_.track(track_).events;
    std::string out;
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (i < shown_events_.size() && same_event(events[i], shown_events_[i])) continue;
        add_item(out, event_json(i, events[i]));
        // Only what changed is copied.
        if (i < shown_events_.size())
            shown_events_[i] = events[i];
        else
            shown_events_.push_back(events[i]);
    }
    return out;
}

// The record: the steps since the last input first, so that each input
// stands at the step it took effect; flushed, so that a crash leaves it.
bool Session::flush_steps() {
    if (pending_ == 0) return true;
    const bool ok = write_record("step " + std::to_string(pending_) + "\n");
    pending_ = 0;
    g_unrecorded.store(0);
    return ok;
}

bool Session::write_record(const std::string& text) {
    {
        const std::lock_guard lock(mutex_);
        record_ += text;
    }
    if (!options_.record || failed_) return !failed_;
    std::fputs(text.c_str(), options_.record->file);
    if (!options_.record->flush()) fail(options_.record->message("record"));
    return !failed_;
}

// A file the session cannot write ends it, with the system's reason.
void Session::fail(const std::string& why) {
    if (failed_) return;
    failed_ = true;
    std::fprintf(stderr, "vmhost: error: %s\n", why.c_str());
}

// The end: the last steps recorded, the vessels deleted and the plug-in
// unloaded, traced as at the end of any scenario, and the page told.
Status Session::end(Status status) {
    flush_steps();
    runner_->finish();
    tap_.flush();
    host::trace_to(nullptr);
    if (status == kOk) status = runner_->verdict();
    const std::lock_guard lock(mutex_);
    ended_ = true;
    end_text_ =
        "{\"status\":" + std::to_string(status) + ",\"steps\":" + std::to_string(steps_) + "}";
    for (Pending* p : requests_) p->reply.set_value("the session has ended");
    requests_.clear();
    frames_.notify_all();
    return status;
}

}  // namespace vmhost::live
