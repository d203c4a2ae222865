// The flight log: what vmhost keeps of each vessel while a scenario runs, the
// events it sees in it, and what it makes of them at the end: a summary
// table, a CSV file per vessel and a self-contained report page with charts.
#pragma once

#include <cstdio>
#include <string>
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

class FlightLog {
  public:
    // Keeps a row every `every` steps (events are looked for in every step).
    explicit FlightLog(int every = 5) : every_(every < 1 ? 1 : every) {}

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

    // The summary table: one block per vessel.
    void summary(std::FILE* out) const;

    // Writes DIR/NAME.csv and DIR/NAME.svg for every vessel and DIR/index.html
    // showing them all. False, with a reason, when a file cannot be written.
    bool write_report(const std::string& dir, std::string* why) const;

    // True when no value the log holds is nan or infinite.
    bool all_finite() const;

    int vessel_count() const { return static_cast<int>(tracks_.size()); }

  private:
    struct Event {
        double time;
        std::string what;
        bool pilot;  // a command of the scenario rather than something seen
    };
    struct Track {
        std::string name;
        std::string plugin;                  // "tarvik", "olumbra" or the path given
        const Aircraft* aircraft = nullptr;  // when vmhost knows the plug-in
        int animations = 0;
        std::vector<double> rows;  // kColumns + animations values per row
        std::vector<Event> events;
        Sample last{};
        bool started = false;
        long long steps = 0;
        double distance = 0;
        double top_altitude = 0;
        double top_airspeed = 0;
        double end_time = 0;
        std::vector<double> last_anims;
        std::vector<double> thrust_maxima;  // seen so far
    };

    void look_for_events(Track& t, const Sample& s);
    std::string column_name(const Track& t, int c) const;
    bool write_csv(const Track& t, const std::string& path) const;
    std::string svg(const Track& t) const;

    int every_;
    std::vector<Track> tracks_;
};

}  // namespace vmhost
