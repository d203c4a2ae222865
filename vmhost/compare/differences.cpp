// Two traces compared. Their blocks (a call into the plug-in and what it led
// to) are aligned first, by the shape of their first line and a post-step's
// time: the scenario, the same for both builds, makes these calls, so a
// call the plug-in adds or drops moves no block. Then the lines of each pair
// of blocks are aligned, a pair that is byte for byte the same at once.
// Handles are mapped from one trace to the other as matched lines meet
// them: mesh3 in OLD and mesh4 in NEW are the same mesh as long as every
// matched line says so. Lines left over in a pair of blocks that match one
// another were reordered; the rest were added or removed.
#include <algorithm>
#include <unordered_map>

#include "compare.h"
#include "message.h"

namespace vmhost::compare {
namespace {

constexpr int kContext = 3;          // lines on each side of the first divergence
constexpr int kHunkLines = 16;       // of the divergence and the context after it, at most
constexpr std::size_t kWidth = 160;  // of a line of text shown

// Handles bound to their partners in the other trace, per kind.
class Mapping {
  public:
    // The OLD handle a NEW one is bound to, or 0.
    std::uint32_t old_of(Trace::Handle n) { return at(to_old_, n); }
    std::uint32_t new_of(Trace::Handle o) { return at(to_new_, o); }
    // Binds two unbound handles; true when they are, or were, bound to each other.
    bool pair(Trace::Handle o, Trace::Handle n) {
        std::uint32_t& f = at(to_new_, o);
        std::uint32_t& b = at(to_old_, n);
        if (f == 0 && b == 0) {
            f = n.number;
            b = o.number;
        }
        return f == n.number && b == o.number;
    }

  private:
    using Table = std::vector<std::uint32_t>[kHandleKinds];
    static std::uint32_t& at(Table& t, Trace::Handle h) {
        std::vector<std::uint32_t>& v = t[static_cast<int>(h.kind)];
        if (h.number >= v.size()) v.resize(std::max<std::size_t>(h.number + 1, v.size() * 2));
        return v[h.number];
    }
    Table to_new_, to_old_;
};

// Where a difference is, in both traces.
struct Where {
    std::uint32_t old_line, new_line;
    double old_time, new_time;
};

// The groups, and the first divergence with its context.
class Collector {
  public:
    Collector(const Trace& a, const Trace& b, int samples, Comparison& out)
        : a_(a), b_(b), samples_(samples), out_(out) {}

    void same(std::size_t i, std::size_t j) { row(' ', static_cast<int>(i), static_cast<int>(j)); }

    // A difference of `kind` of line i of OLD and j of NEW (-1: none).
    void differ(Change kind, int i, int j, const Where& at, double abs = 0, double rel = 0,
                bool measured = false) {
        const std::string call =
            i >= 0 ? a_.call(static_cast<std::size_t>(i)) : b_.call(static_cast<std::size_t>(j));
        const std::string key = call + '\0' + change_name(kind);
        auto [it, fresh] = index_.try_emplace(key, out_.groups.size());
        if (fresh) {
            Group g;
            g.call = call;
            g.kind = kind;
            g.first_old = at.old_line;
            g.first_new = at.new_line;
            g.time_old = at.old_time;
            g.time_new = at.new_time;
            out_.groups.push_back(std::move(g));
        }
        Group& g = out_.groups[it->second];
        ++g.count;
        if (measured) {
            g.measured = true;
            g.max_abs = std::max(g.max_abs, abs);
            g.max_rel = std::max(g.max_rel, rel);
        }
        if (static_cast<int>(g.samples.size()) < samples_) {
            Sample s;
            if (i >= 0) s.old_line = a_.line(static_cast<std::size_t>(i)).number;
            if (j >= 0) s.new_line = b_.line(static_cast<std::size_t>(j)).number;
            if (i >= 0) s.old_text = std::string(a_.text(static_cast<std::size_t>(i)));
            if (j >= 0) s.new_text = std::string(b_.text(static_cast<std::size_t>(j)));
            g.samples.push_back(std::move(s));
        }
        if (std::isnan(out_.divergence_time) && hunk_.empty()) out_.divergence_time = at.old_time;
    }

    // Rows of the first divergence: ' ' a line in both, '-' in OLD, '+' in NEW.
    void row(char mark, int i, int j) {
        if (after_ >= kContext) return;
        if (mark == ' ') {
            if (hunk_.empty()) {
                before_.push_back({mark, i, j});
                if (before_.size() > kContext) before_.erase(before_.begin());
            } else {
                hunk_.push_back({mark, i, j});
                ++after_;
                ++shown_;
            }
            return;
        }
        if (hunk_.empty()) hunk_ = before_;
        after_ = 0;
        if (++shown_ <= kHunkLines) {
            hunk_.push_back({mark, i, j});
        } else {
            hunk_.push_back({'.', -1, -1});  // and no more
            after_ = kContext;
        }
    }

    void finish() {
        if (out_.groups.empty()) return;
        char head[48];
        std::snprintf(head, sizeof head, "  %8s %8s", "OLD", "NEW");
        out_.divergence.emplace_back(head);
        for (const Row& r : hunk_) {
            if (r.mark == '.') {
                out_.divergence.push_back("  ...");
                continue;
            }
            char line[48];
            const auto number = [](const Trace& t, int k) {
                return k < 0 ? std::string()
                             : std::to_string(t.line(static_cast<std::size_t>(k)).number);
            };
            std::snprintf(line, sizeof line, "%c %8s %8s  ", r.mark, number(a_, r.i).c_str(),
                          number(b_, r.j).c_str());
            const std::string_view text = r.i >= 0 && r.mark != '+'
                                              ? a_.text(static_cast<std::size_t>(r.i))
                                              : b_.text(static_cast<std::size_t>(r.j));
            out_.divergence.push_back(line + printable(text, kWidth));
        }
    }

  private:
    struct Row {
        char mark;
        int i, j;
    };
    const Trace& a_;
    const Trace& b_;
    int samples_;
    Comparison& out_;
    std::unordered_map<std::string, std::size_t> index_;
    std::vector<Row> before_, hunk_;
    int after_ = 0, shown_ = 0;
};

// The walk through both traces, block by block, line by line.
class Walk {
  public:
    Walk(const Trace& a, const Trace& b, const Tolerance& t, Collector& c)
        : a_(a), b_(b), tolerance_(t), c_(c) {}

    void run() {
        const std::vector<std::int32_t> partner = align(a_.block_keys(), b_.block_keys());
        std::size_t i = 0, j = 0;
        for (std::size_t bi = 0; bi < a_.blocks(); ++bi) {
            if (partner[bi] < 0) continue;
            const auto bj = static_cast<std::size_t>(partner[bi]);
            unmatched_blocks(i, bi, j, bj);
            lines(bi, bj);
            i = bi + 1;
            j = bj + 1;
        }
        unmatched_blocks(i, a_.blocks(), j, b_.blocks());
    }

  private:
    // OLD's blocks [i, i1) removed, then NEW's [j, j1) added: each where
    // the other trace is between its blocks j - 1 and j (i1 - 1 and i1).
    void unmatched_blocks(std::size_t i, std::size_t i1, std::size_t j, std::size_t j1) {
        const std::size_t at_new = begin(b_, j), at_old = begin(a_, i1);
        for (std::size_t bi = i; bi < i1; ++bi)
            for (std::size_t k = begin(a_, bi); k < begin(a_, bi + 1); ++k)
                removed(k, at_new, a_.block_time(bi), before(b_, j));
        for (std::size_t bj = j; bj < j1; ++bj)
            for (std::size_t k = begin(b_, bj); k < begin(b_, bj + 1); ++k)
                added(k, at_old, before(a_, i1), b_.block_time(bj));
    }

    static std::size_t begin(const Trace& t, std::size_t block) {
        return block < t.blocks() ? t.block_begin(block) : t.size();
    }
    // The time just before a block: that of the block before it.
    static double before(const Trace& t, std::size_t block) {
        return block > 0 ? t.block_time(block - 1) : NAN;
    }
    static std::uint32_t number(const Trace& t, std::size_t line) {
        return line < t.size() ? t.line(line).number : t.file_lines() + 1;
    }
    Where where(std::size_t i, std::size_t j, double old_time, double new_time) const {
        return {number(a_, i), number(b_, j), old_time, new_time};
    }
    Where where_in(std::size_t i, std::size_t j, std::size_t bi, std::size_t bj) const {
        return where(i, j, a_.block_time(bi), b_.block_time(bj));
    }

    void removed(std::size_t i, std::size_t at_new, double old_time, double new_time) {
        c_.differ(Change::removed, static_cast<int>(i), -1, where(i, at_new, old_time, new_time));
        c_.row('-', static_cast<int>(i), -1);
    }
    void added(std::size_t j, std::size_t at_old, double old_time, double new_time) {
        c_.differ(Change::added, -1, static_cast<int>(j), where(at_old, j, old_time, new_time));
        c_.row('+', -1, static_cast<int>(j));
    }

    // The lines of OLD's block bi against NEW's block bj.
    void lines(std::size_t bi, std::size_t bj) {
        const std::size_t a0 = a_.block_begin(bi), a1 = a_.block_end(bi);
        const std::size_t b0 = b_.block_begin(bj), b1 = b_.block_end(bj);
        const std::size_t last_a = a1 - 1, last_b = b1 - 1;
        const std::string_view sa(
            a_.text(a0).data(),
            a_.text(last_a).data() + a_.text(last_a).size() - a_.text(a0).data());
        const std::string_view sb(
            b_.text(b0).data(),
            b_.text(last_b).data() + b_.text(last_b).size() - b_.text(b0).data());
        if (a1 - a0 == b1 - b0 && sa == sb) {
            for (std::size_t k = 0; k < a1 - a0; ++k) matched(a0 + k, b0 + k, bi, bj, true);
            return;
        }
        keys(a_, a0, a1, ka_, false);
        keys(b_, b0, b1, kb_, true);
        std::vector<std::int32_t> partner = align(ka_, kb_);
        prefer_alike(partner, a0, b0);
        pair_reordered(partner, a0, b0);
        std::size_t x = a0, y = b0;
        for (std::size_t k = a0; k < a1; ++k) {
            if (partner[k - a0] < 0) continue;
            const std::size_t py = b0 + static_cast<std::size_t>(partner[k - a0]);
            gap(x, k, y, py, bi, bj);
            matched(k, py, bi, bj, false);
            x = k + 1;
            y = py + 1;
        }
        gap(x, a1, y, b1, bi, bj);
    }

    // The lines left over between two matched ones: OLD's [x, x1), NEW's
    // [y, y1). A line of each of the same shape but for the handles it
    // names (SetThrusterMax0 th1 and th2) is the same call changed; a line
    // moved is reordered; the rest are removed, then added.
    void gap(std::size_t x, std::size_t x1, std::size_t y, std::size_t y1, std::size_t bi,
             std::size_t bj) {
        const std::size_t a0 = a_.block_begin(bi), b0 = b_.block_begin(bj);
        for (std::size_t i = x; i < x1; ++i) {
            if (moved_to_[i - a0] >= 0) {
                moved(i, static_cast<std::size_t>(moved_to_[i - a0]), bi, bj, true);
                continue;
            }
            std::size_t j = y;
            while (j < y1 && (moved_from_[j - b0] != -1 || b_.line(j).shape != a_.line(i).shape))
                ++j;
            if (j == y1) {
                removed(i, y, a_.block_time(bi), b_.block_time(bj));
                continue;
            }
            moved_from_[j - b0] = -2;  // taken here
            matched(i, j, bi, bj, false);
        }
        for (std::size_t j = y; j < y1; ++j) {
            const int from = moved_from_[j - b0];
            if (from >= 0) moved(static_cast<std::size_t>(from), j, bi, bj, false);
            if (from == -1) added(j, x1, a_.block_time(bi), b_.block_time(bj));
        }
    }

    // Each line's shape with its handles as the mapping knows them: an
    // OLD handle by its own number, a NEW one by the OLD handle it is bound
    // to; one not bound yet as "some handle of its kind".
    void keys(const Trace& t, std::size_t from, std::size_t to, std::vector<std::uint64_t>& out,
              bool newer) {
        out.clear();
        for (std::size_t k = from; k < to; ++k) {
            std::uint64_t h = t.line(k).shape;
            for (const Trace::Handle& handle : t.handles(k)) {
                const std::uint32_t bound = newer ? map_.old_of(handle) : map_.new_of(handle);
                const std::uint64_t as = bound == 0 ? 0 : newer ? bound : handle.number;
                h = (h ^ (as * 16 + static_cast<std::uint64_t>(handle.kind))) * 0x100000001b3ull;
            }
            out.push_back(h);
        }
    }

    // Of two calls alike but for their values, a diff may pair either with
    // the one call added beside them (GetAltitude = 5 inserted before
    // GetAltitude = 1 pairs with OLD's GetAltitude = 1 as a change). A pair
    // that differs moves to a neighbour left over that is the same line.
    void prefer_alike(std::vector<std::int32_t>& partner, std::size_t a0, std::size_t b0) {
        taken_.assign(kb_.size(), false);
        for (std::int32_t p : partner)
            if (p >= 0) taken_[static_cast<std::size_t>(p)] = true;
        const auto same_text = [&](std::size_t i, std::size_t j) {
            return a_.text(a0 + i) == b_.text(b0 + j);
        };
        for (std::size_t k = 0; k < partner.size(); ++k) {
            if (partner[k] < 0) continue;
            const auto p = static_cast<std::size_t>(partner[k]);
            if (same_text(k, p)) continue;
            for (const std::size_t q : {p + 1, p - 1}) {  // a NEW line beside it
                if (q >= kb_.size() || taken_[q] || kb_[q] != ka_[k] || !same_text(k, q)) continue;
                taken_[p] = false;
                taken_[q] = true;
                partner[k] = static_cast<std::int32_t>(q);
                break;
            }
            if (partner[k] != static_cast<std::int32_t>(p)) continue;
            for (const std::size_t q : {k + 1, k - 1}) {  // an OLD line beside it
                if (q >= ka_.size() || partner[q] >= 0 || ka_[q] != kb_[p] || !same_text(q, p))
                    continue;
                partner[q] = partner[k];
                partner[k] = -1;
                break;
            }
        }
    }

    // Lines left over on both sides with the same key: the same call, moved.
    void pair_reordered(const std::vector<std::int32_t>& partner, std::size_t a0, std::size_t b0) {
        moved_to_.assign(ka_.size(), -1);
        moved_from_.assign(kb_.size(), -1);
        counted_.assign(ka_.size(), false);
        waiting_.clear();
        for (std::size_t k = 0; k < ka_.size(); ++k)
            if (partner[k] < 0) waiting_[ka_[k]].push_back(static_cast<int>(k));
        if (waiting_.empty()) return;
        for (auto& [key, olds] : waiting_) std::reverse(olds.begin(), olds.end());
        for (std::size_t k = 0; k < kb_.size(); ++k) {
            if (taken_[k]) continue;
            const auto it = waiting_.find(kb_[k]);
            if (it == waiting_.end() || it->second.empty()) continue;
            const int from = it->second.back();
            it->second.pop_back();
            moved_to_[static_cast<std::size_t>(from)] = static_cast<int>(b0 + k);
            moved_from_[k] = static_cast<int>(a0) + from;
        }
    }

    // One side of a reordered pair; the pair counts once, where first met.
    // Counted before its row is shown, as every difference is: the first
    // one's time is the divergence's.
    void moved(std::size_t i, std::size_t j, std::size_t bi, std::size_t bj, bool old_side) {
        const std::size_t k = i - a_.block_begin(bi);
        if (!counted_[k]) {
            counted_[k] = true;
            pair_handles(i, j);
            double abs = 0, rel = 0;
            values(i, j, &abs, &rel);
            c_.differ(Change::reordered, static_cast<int>(i), static_cast<int>(j),
                      where_in(i, j, bi, bj), abs, rel, true);
        }
        c_.row(old_side ? '-' : '+', old_side ? static_cast<int>(i) : -1,
               old_side ? -1 : static_cast<int>(j));
    }

    // Binds the handles of two lines of the same shape to each other; false
    // where one is bound to another handle already.
    bool pair_handles(std::size_t i, std::size_t j) {
        bool agree = true;
        const auto ho = a_.handles(i), hn = b_.handles(j);
        for (std::size_t k = 0; k < ho.size() && k < hn.size(); ++k)
            agree = map_.pair(ho[k], hn[k]) && agree;
        return agree;
    }

    // Compares the numbers of two lines of the same shape: whether all are
    // within the tolerance, and the largest differences of those that are not.
    bool values(std::size_t i, std::size_t j, double* abs, double* rel) {
        a_.numbers(i, na_);
        b_.numbers(j, nb_);
        bool same = na_.size() == nb_.size();
        for (std::size_t k = 0; k < na_.size() && k < nb_.size(); ++k) {
            const double x = na_[k], y = nb_[k];
            if (tolerance_.same(x, y)) continue;
            same = false;
            const double d = std::fabs(x - y);
            const double m = std::max(std::fabs(x), std::fabs(y));
            *abs = std::max(*abs, std::isnan(d) ? INFINITY : d);
            *rel = std::max(*rel, std::isnan(d) || std::isinf(m) ? INFINITY : d / m);
        }
        return same;
    }

    // A matched pair: byte for byte alike (`alike`), or compared by value.
    void matched(std::size_t i, std::size_t j, std::size_t bi, std::size_t bj, bool alike) {
        const bool handles_agree = pair_handles(i, j);
        double abs = 0, rel = 0;
        const bool numbers_agree = alike || a_.text(i) == b_.text(j) || values(i, j, &abs, &rel);
        if (handles_agree && numbers_agree) return c_.same(i, j);
        c_.differ(Change::changed, static_cast<int>(i), static_cast<int>(j), where_in(i, j, bi, bj),
                  abs, rel, true);
        c_.row('-', static_cast<int>(i), -1);
        c_.row('+', -1, static_cast<int>(j));
    }

    const Trace& a_;
    const Trace& b_;
    const Tolerance& tolerance_;
    Collector& c_;
    Mapping map_;
    std::vector<double> na_, nb_;
    std::vector<std::uint64_t> ka_, kb_;
    // Per line of the blocks compared: a reordered line's partner (for a NEW
    // line, -2 once paired in its gap), whether its pair is counted; the NEW
    // lines matched in place.
    std::vector<int> moved_to_, moved_from_;
    std::vector<bool> counted_, taken_;
    std::unordered_map<std::uint64_t, std::vector<int>> waiting_;
};

}  // namespace

bool Tolerance::same(double a, double b) const {
    if (a == b || (std::isnan(a) && std::isnan(b))) return true;
    // Within no tolerance of a number: an infinity, whose distance to it is
    // infinite, as is a relative tolerance of it.
    if (!std::isfinite(a) || !std::isfinite(b)) return false;
    const double d = std::fabs(a - b);
    return d <= abs || d <= rel * std::max(std::fabs(a), std::fabs(b));
}

const char* change_name(Change c) {
    static const char* const names[] = {"changed", "added", "removed", "reordered"};
    return names[static_cast<int>(c)];
}

Comparison compare_traces(std::string_view old_text, std::string_view new_text,
                          const Tolerance& tolerance, int samples) {
    const Trace a(old_text), b(new_text);
    Comparison out;
    out.old_lines = a.file_lines();
    out.new_lines = b.file_lines();
    Collector collector(a, b, samples, out);
    Walk(a, b, tolerance, collector).run();
    collector.finish();
    return out;
}

}  // namespace vmhost::compare
