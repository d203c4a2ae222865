// The flight log: what vmhost keeps of each vessel while a scenario runs, the
// events it sees in it, and what it makes of them at the end: a summary
// table (flightlog.cpp), a CSV file per vessel (csv.cpp) and a self-contained
// report page with charts (report.cpp).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace vmhost {

struct Aircraft;

// One vessel at one moment, as the host reports it.
struct Sample {
    double time = 0;  // s
    double x = 0;     // m east of the start
    double z = 0;     // m north of the start
    double altitude = 0;
    double airspeed = 0;
    double climb = 0;  // vertical speed, m/s
    double pitch = 0;  // rad
    double bank = 0;
    double heading = 0;
    double aoa = 0;
    double thrust = 0;      // level of the engines, 0..1
    double thrust_max = 0;  // their present maximum, N
    double fuel = 0;        // kg
    double ground = 0;      // 1 with ground contact
    double gear = 0;        // 0 down .. 1 up
    double flaps = 0;       // flap level, 0..1
    double lights = 0;      // lights switched on
};

// The columns of a row of the log: those of Sample, in its order, then the
// vessel's animation states.
enum Column {
    kTime,
    kX,
    kZ,
    kAltitude,
    kAirspeed,
    kClimb,
    kPitch,
    kBank,
    kHeading,
    kAoa,
    kThrust,
    kThrustMax,
    kFuel,
    kGround,
    kGear,
    kFlaps,
    kLights,
    kFixedColumns  // the first animation's
};

class FlightLog {
  public:
    // Something the pilot did or the log saw. A quantity that changes back
    // within a few seconds makes one event over that span ("lights on,
    // 10.00-12.00 s"); one that changes again and again (three changes or
    // more, each within a few seconds of the last) makes one range event
    // with its count of changes, `what` then naming the quantity ("maximum
    // thrust switching"), from `time` to `end`.
    struct Event {
        double time;
        std::string what;
        bool pilot;  // a command of the scenario rather than something seen
        double end = 0;
        long long changes = 1;
        // A range of maximum thrust: the lowest and highest value it took
        // (nan when it took none but nan).
        bool values = false;
        double lo = 0, hi = 0;

        bool range() const { return changes > 1; }
        // The text the summary, the page and the charts show.
        std::string text() const;
    };
    // A quantity the log watches for changes: its state after the last step,
    // its latest event and the state before that event and, while they come
    // in quick succession, the single event before it.
    struct Watch {
        double state = 0;
        int last = -1;
        double from = 0;
        int before = -1;
    };
    // A limit a quantity may pass: an end of the flight envelope, a gauge's
    // end of scale, the stall. The value is offset + scale * the column (an
    // animation's for a gauge), past the limit above it when `upward`; a
    // second column (the flight model's reading of a gauge) may pass it too.
    struct Limit {
        std::string past, back, range;  // the events' texts
        int column;
        double offset, scale, limit;
        bool upward;
        int column2 = -1;
        double scale2 = 1;
        bool airborne = false;  // counts only off the ground (the stall)
        Watch watch{};
    };
    // What the log keeps of one vessel.
    struct Track {
        std::string name;
        std::string plugin;                  // as `load` named it: "tarvik" or a path
        const Aircraft* aircraft = nullptr;  // when vmhost knows the plug-in
        int animations = 0;
        std::vector<double> rows;  // kFixedColumns + animations values per row
        std::vector<Event> events;
        Sample last{};
        bool started = false;
        long long steps = 0;
        double distance = 0;
        double top_altitude = 0;
        double top_airspeed = 0;
        double end_time = 0;
        std::vector<double> last_anims;
        // Per row, the lowest and highest maximum thrust of the steps since
        // the row before: what the charts show of a maximum that changes
        // between two rows.
        std::vector<double> thrust_range;
        double thrust_lo = 0, thrust_hi = 0;  // of the steps since the last row
        enum { kWatchGround, kWatchThrustMax, kWatchGear, kWatchFlaps, kWatchLights, kWatches };
        Watch watches[kWatches];
        std::vector<Limit> limits;

        int columns() const { return kFixedColumns + animations; }
        // The first time it left the ground (from its events), or nan.
        double lift_off() const;
        std::size_t row_count() const { return rows.size() / static_cast<std::size_t>(columns()); }
        double at(std::size_t row, int column) const {
            return rows[row * static_cast<std::size_t>(columns()) +
                        static_cast<std::size_t>(column)];
        }
        // The CSV name of a column: time_s, ..., anim_NAME (anim_N when the
        // animation's name is not known).
        std::string column_name(int c) const;
        // The state after the last step, a row's values in column order.
        std::vector<double> latest() const;
    };

    // Keeps a row every `every` steps (events are looked for in every step);
    // none without `rows`, for a summary alone.
    explicit FlightLog(int every = 5, bool rows = true)
        : every_(every < 1 ? 1 : every), rows_(rows) {}

    // A vessel to log, flying the plug-in `plugin` (its file or short name),
    // with `animations` animations; returns its number in the log.
    int add_vessel(const std::string& name, const std::string& plugin, int animations);

    // The state of vessel `v` after a step. `anims` holds its animation
    // states (as many as it has now; more are ignored, missing ones are 0).
    void record(int v, const Sample& s, const double* anims, int count);

    // Something the pilot did, shown with the events.
    void note(int v, double time, const std::string& what);

    // Animation id of the landing gear, or -1 when the plug-in has none the
    // host knows of; the gear column follows that animation.
    int gear_animation(int v) const;

    // Why the flight did not do what its scenario asked, for the summary.
    void fail(const std::string& why) { failures_.push_back(why); }

    // The summary table: one block per vessel, then the reasons the flight
    // failed, if it did.
    void summary(std::FILE* out) const;

    // Whether a step was recorded with the flight model on: the run flew.
    void mark_flown() { flown_ = true; }
    bool flown() const { return flown_; }

    // Writes DIR/NAME.csv and DIR/NAME.svg for every vessel and DIR/index.html
    // showing them all; a vessel whose name an earlier one of the run had
    // (also in other letter case) gets NAME-2, NAME-3... The files an earlier
    // report left there and this one does not write again go
    // (replace_report). False, with a reason, when a file cannot be written,
    // or, before anything is written, when one of them is a file the run
    // used: one of `used` (the scenario, the trace) or a plug-in a vessel was
    // loaded from.
    bool write_report(const std::string& dir, const std::vector<std::string>& used,
                      std::string* why) const;

    // True when no value the log holds is nan or infinite.
    bool all_finite() const;

    int vessel_count() const { return static_cast<int>(tracks_.size()); }
    const Track& track(int v) const { return tracks_[static_cast<std::size_t>(v)]; }
    const std::vector<Track>& tracks() const { return tracks_; }
    const std::vector<std::string>& failures() const { return failures_; }
    // Seconds of flight between two rows.
    double row_seconds() const { return 0.02 * every_; }

    // The log as text, and back (flightlog_text.cpp): what a child process
    // that flew hands its parent. restore() gives the tracks, their summaries,
    // events and rows, and the reasons the flight failed; a track whose
    // plug-in vmhost does not know by its name (a library's path) is taken
    // for `aircraft`. False when the text is not such a log, or not all of
    // one (its last line says it ends there).
    std::string saved() const;
    bool restore(std::string_view text, const Aircraft* aircraft = nullptr);

  private:
    static void start_watching(Track& t, const Sample& s);
    static void look_for_events(Track& t, const Sample& s);
    // The name of track i's report files: its vessel's name, or NAME-2,
    // NAME-3... when an earlier track's name is the same in any letter case
    // (a file system may ignore case).
    std::string file_stem(std::size_t i) const;

    int every_;
    bool rows_;
    bool flown_ = false;
    std::vector<Track> tracks_;
    std::vector<std::string> failures_;
};

// The CSV file of a track (csv.cpp): a header of column names, then every
// row, each number as the shortest text that reads back the same. False,
// with the reason in `why`, when it cannot be written.
bool write_csv(const FlightLog::Track& t, const std::string& path, std::string* why);

// A number with a fixed count of decimals, as the summary, the events and
// the report show it; beyond 1e15 (nonsense for any flight) and for nan and
// infinities the shortest form that reads back the same.
std::string fixed(double v, int decimals);

}  // namespace vmhost
