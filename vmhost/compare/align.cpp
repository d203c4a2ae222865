// Aligning two sequences of keys: Myers' diff ("An O(ND) Difference Algorithm
// and Its Variations", 1986) in linear space. Each range loses its common
// prefix and suffix first, then the middle snake of an optimal edit script
// splits it in two; the halves wait on a stack rather than in recursion, so
// a long script needs no deep call stack. Where no middle snake turns up
// within `effort` edits, the range is split where the search from either end
// got furthest: the script is then near-optimal, and the cost stays about
// linear however little the sequences share.
#include <climits>

#include "compare.h"

namespace vmhost::compare {
namespace {

struct Range {
    int x0, x1, y0, y1;  // a[x0, x1) against b[y0, y1)
};

class Aligner {
  public:
    Aligner(std::span<const std::uint64_t> a, std::span<const std::uint64_t> b, int effort)
        : a_(a), b_(b), effort_(effort < 1 ? 1 : effort) {
        const std::size_t diagonals = a.size() + b.size() + 3;
        forward_.resize(diagonals);
        backward_.resize(diagonals);
        partner_.assign(a.size(), -1);
    }

    std::vector<std::int32_t> run() {
        std::vector<Range> todo{{0, static_cast<int>(a_.size()), 0, static_cast<int>(b_.size())}};
        while (!todo.empty()) {
            Range r = todo.back();
            todo.pop_back();
            while (r.x0 < r.x1 && r.y0 < r.y1 && a_[r.x0] == b_[r.y0]) partner_[r.x0++] = r.y0++;
            while (r.x0 < r.x1 && r.y0 < r.y1 && a_[r.x1 - 1] == b_[r.y1 - 1])
                partner_[--r.x1] = --r.y1;
            if (r.x0 == r.x1 || r.y0 == r.y1) continue;  // all removed, or all added
            const auto [x, y] = split(r);
            // A split at a corner would leave the range as it is: then
            // nothing in it is matched (never seen; a guard against looping).
            if ((x == r.x0 && y == r.y0) || (x == r.x1 && y == r.y1)) continue;
            todo.push_back({x, r.x1, y, r.y1});
            todo.push_back({r.x0, x, r.y0, y});
        }
        return std::move(partner_);
    }

  private:
    // forward_[k] and backward_[k] hold the x reached on diagonal k = x - y,
    // offset so that the lowest diagonal is at index 1.
    int& fwd(int k) { return forward_[static_cast<std::size_t>(k + offset_)]; }
    int& bwd(int k) { return backward_[static_cast<std::size_t>(k + offset_)]; }

    std::pair<int, int> split(const Range& r) {
        const int dmin = r.x0 - r.y1, dmax = r.x1 - r.y0;
        const int fmid = r.x0 - r.y0, bmid = r.x1 - r.y1;
        const bool odd = ((fmid - bmid) & 1) != 0;
        offset_ = -dmin + 1;
        int fmin = fmid, fmax = fmid, bmin = bmid, bmax = bmid;
        fwd(fmid) = r.x0;
        bwd(bmid) = r.x1;
        for (int cost = 1;; ++cost) {
            // One more edit forward: each diagonal's furthest point.
            if (fmin > dmin)
                fwd(--fmin - 1) = -1;
            else
                ++fmin;
            if (fmax < dmax)
                fwd(++fmax + 1) = -1;
            else
                --fmax;
            for (int d = fmax; d >= fmin; d -= 2) {
                const int lo = fwd(d - 1), hi = fwd(d + 1);
                int x = lo >= hi ? lo + 1 : hi;
                int y = x - d;
                while (x < r.x1 && y < r.y1 && a_[x] == b_[y]) ++x, ++y;
                fwd(d) = x;
                if (odd && bmin <= d && d <= bmax && bwd(d) <= x) return {x, y};
            }
            // And backward from the far corner.
            if (bmin > dmin)
                bwd(--bmin - 1) = INT_MAX;
            else
                ++bmin;
            if (bmax < dmax)
                bwd(++bmax + 1) = INT_MAX;
            else
                --bmax;
            for (int d = bmax; d >= bmin; d -= 2) {
                const int lo = bwd(d - 1), hi = bwd(d + 1);
                int x = lo < hi ? lo : hi - 1;
                int y = x - d;
                while (x > r.x0 && y > r.y0 && a_[x - 1] == b_[y - 1]) --x, --y;
                bwd(d) = x;
                if (!odd && fmin <= d && d <= fmax && x <= fwd(d)) return {x, y};
            }
            if (cost >= effort_) return furthest(r, fmin, fmax, bmin, bmax);
        }
    }

    // The point either search got furthest to (by x + y), within the range.
    std::pair<int, int> furthest(const Range& r, int fmin, int fmax, int bmin, int bmax) {
        int fbest = -1, fx = r.x0;
        for (int d = fmax; d >= fmin; d -= 2) {
            int x = std::min(fwd(d), r.x1), y = x - d;
            if (y > r.y1) x = r.y1 + d, y = r.y1;
            if (x + y > fbest) fbest = x + y, fx = x;
        }
        int bbest = INT_MAX, bx = r.x1;
        for (int d = bmax; d >= bmin; d -= 2) {
            int x = std::max(r.x0, bwd(d)), y = x - d;
            if (y < r.y0) x = r.y0 + d, y = r.y0;
            if (x + y < bbest) bbest = x + y, bx = x;
        }
        if ((r.x1 + r.y1) - bbest < fbest - (r.x0 + r.y0)) return {fx, fbest - fx};
        return {bx, bbest - bx};
    }

    std::span<const std::uint64_t> a_, b_;
    int effort_;
    int offset_ = 0;
    std::vector<int> forward_, backward_;
    std::vector<std::int32_t> partner_;
};

}  // namespace

std::vector<std::int32_t> align(std::span<const std::uint64_t> a, std::span<const std::uint64_t> b,
                                int effort) {
    return Aligner(a, b, effort).run();
}

}  // namespace vmhost::compare
