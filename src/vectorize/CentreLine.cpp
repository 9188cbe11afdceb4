#include "vectorize/CentreLine.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "base/Workers.h"
#include "vectorize/Skeleton.h"

double CentreTolerance(int level) {
    static const double kTolerance[] = {2.0, 1.5, 1.0, 0.75, 0.5, 0.0};
    return kTolerance[std::clamp(level, 1, 6) - 1];
}

namespace {

struct Pt {
    double x, y;
};
inline Pt operator-(Pt a, Pt b) { return {a.x - b.x, a.y - b.y}; }
inline Pt operator+(Pt a, Pt b) { return {a.x + b.x, a.y + b.y}; }
inline Pt operator*(Pt a, double k) { return {a.x * k, a.y * k}; }
inline double Dot(Pt a, Pt b) { return a.x * b.x + a.y * b.y; }
inline double Norm(Pt a) { return std::hypot(a.x, a.y); }

// Geometry is computed from differences of points, never from where they lie: pixel
// positions differ exactly by whole pixels between a sheet and a crop of it, and so do the
// differences, so every comparison comes out the same in both.
double PointToSegment(Pt p, Pt a, Pt b) {
    const Pt d = b - a, q = p - a;
    const double len2 = Dot(d, d);
    const double t = len2 > 0 ? std::clamp(Dot(q, d) / len2, 0.0, 1.0) : 0.0;
    return Norm(q - d * t);
}

// A line through points: centre and unit direction; false when they do not define one.
bool FitLine(const std::vector<Pt>& pts, Pt& centre, Pt& dir) {
    if (pts.size() < 2) return false;
    const Pt origin = pts[0];
    Pt c{0, 0};
    for (Pt p : pts) c = c + (p - origin);
    c = c * (1.0 / double(pts.size()));
    double sxx = 0, sxy = 0, syy = 0;
    for (Pt p : pts) {
        const Pt d = (p - origin) - c;
        sxx += d.x * d.x, sxy += d.x * d.y, syy += d.y * d.y;
    }
    if (sxx + syy < 1e-9) return false;
    const double angle = 0.5 * std::atan2(2 * sxy, sxx - syy);
    centre = origin + c;
    dir = {std::cos(angle), std::sin(angle)};
    return true;
}

// Whether q can end a straight stretch that starts at pts[0]: every point between lies within
// a pixel of the chord.
bool RunsStraight(const std::vector<Pt>& pts, Pt q) {
    for (size_t m = 1; m < pts.size(); ++m)
        if (PointToSegment(pts[m], pts[0], q) > 1.0) return false;
    return true;
}

// Where two lines cross; false when they are nearly parallel.
bool Cross(Pt c1, Pt d1, Pt c2, Pt d2, Pt& at) {
    const double det = d1.x * d2.y - d1.y * d2.x;
    if (std::abs(det) < 0.17) return false;  // under 10 degrees apart
    const Pt w = c2 - c1;
    const double t = (w.x * d2.y - w.y * d2.x) / det;
    at = c1 + d1 * t;
    return true;
}

constexpr int kDx[8] = {1, 1, 0, -1, -1, -1, 0, 1};
constexpr int kDy[8] = {0, -1, -1, -1, 0, 1, 1, 1};

struct Pixel {
    int32_t x, y;
};

enum class NodeKind { End, Junction, Anchor };

struct Node {
    Pt pos{0, 0};
    Pt seed{0, 0};  // the position before junctions are placed, which every job may read
    Pt sum{0, 0};
    int pixels = 0;
    NodeKind kind = NodeKind::End;
    double radius = 0;  // distance from the middle to the nearest paper
    double zone = 0;    // how far from a junction the branches are bent towards each other
    bool alive = true;
    std::vector<int> chains;  // a loop appears twice
    int32_t ix = 0, iy = 0;   // the rounded position every line ending here uses
};

struct Chain {
    int a = -1, b = -1;
    std::vector<Pixel> pix;  // from node a to node b, both ends' pixels included
    bool alive = true;
    double width = 1;
    double zoneA = 0, zoneB = 0;  // how far from each end's junction the path bends towards it
    std::vector<Pt> vertices;  // the fitted polyline, node positions at both ends
    std::vector<double> widths;  // of each of its lines
};

// The skeleton's pixels in raster order, and a lookup by position.
class PixelIndex {
public:
    explicit PixelIndex(const BitPlane& plane) : rowStart_(size_t(plane.Height()) + 1, 0) {
        const int h = plane.Height(), words = plane.Words();
        for (int y = 0; y < h; ++y) {
            rowStart_[size_t(y)] = int32_t(xs_.size());
            const uint64_t* row = plane.Row(y);
            for (int i = 0; i < words; ++i)
                for (uint64_t bits = row[i]; bits; bits &= bits - 1) xs_.push_back(int32_t(i * 64 + __builtin_ctzll(bits) - 1));
        }
        rowStart_[size_t(h)] = int32_t(xs_.size());
        ys_.resize(xs_.size());
        for (int y = 0; y < h; ++y)
            for (int32_t k = rowStart_[size_t(y)]; k < rowStart_[size_t(y) + 1]; ++k) ys_[size_t(k)] = y;
    }
    int32_t Count() const { return int32_t(xs_.size()); }
    int32_t Find(int x, int y) const {
        if (y < 0 || y + 1 >= int(rowStart_.size())) return -1;
        const auto first = xs_.begin() + rowStart_[size_t(y)], last = xs_.begin() + rowStart_[size_t(y) + 1];
        const auto it = std::lower_bound(first, last, x);
        return it != last && *it == x ? int32_t(it - xs_.begin()) : -1;
    }
    Pixel At(int32_t i) const { return {xs_[size_t(i)], ys_[size_t(i)]}; }

private:
    std::vector<int32_t> rowStart_, xs_, ys_;
};

int FindRoot(std::vector<int32_t>& parent, int32_t i) {
    while (parent[size_t(i)] != i) i = parent[size_t(i)] = parent[size_t(parent[size_t(i)])];
    return i;
}

class CentreTracer {
public:
    CentreTracer(const BitPlane& ink, const BitPlane& skeleton, double tolerance, int threads)
        : ink_(ink), skeleton_(skeleton), index_(skeleton), tolerance_(tolerance), threads_(threads) {}

    void Build() {
        FindNodes();
        WalkChains();
        BridgeBrokenJoints();
        MergeCloseJunctions();
        for (int round = 0; round < 2; ++round) PruneSpurs();
        SpliceThroughNodes();
        for (Node& n : nodes_) n.seed = n.pos;
        RunJobs(threads_, int(nodes_.size()), [this](int n) { PlaceJunction(nodes_[size_t(n)]); });
        JoinPlacedJunctions();
        RunJobs(threads_, int(chains_.size()), [this](int c) { MeasureWidth(chains_[size_t(c)]); });
        RunJobs(threads_, int(nodes_.size()), [this](int n) { PlaceEnd(nodes_[size_t(n)]); });
        DropAbsorbedTips();
        for (Node& n : nodes_) {
            n.ix = int32_t(std::lround(n.pos.x));
            n.iy = int32_t(std::lround(n.pos.y));
        }
        RunJobs(threads_, int(chains_.size()), [this](int c) {
            Fit(chains_[size_t(c)]);
            InkOverLength(chains_[size_t(c)]);
        });
    }

    // Calls add(x1, y1, x2, y2, width) in a fixed order; stops when it returns false.
    template <class F>
    bool Emit(F&& add) const {
        for (const Chain& c : chains_) {
            if (!c.alive) continue;
            const size_t n = c.vertices.size();
            for (size_t k = 0; k + 1 < n; ++k) {
                // The first and last vertices are their nodes' rounded points already.
                const Pt p = c.vertices[k], q = c.vertices[k + 1];
                const int32_t x1 = int32_t(std::lround(p.x)), y1 = int32_t(std::lround(p.y));
                const int32_t x2 = int32_t(std::lround(q.x)), y2 = int32_t(std::lround(q.y));
                if (x1 == x2 && y1 == y2) continue;
                if (!add(x1, y1, x2, y2, c.widths[k])) return false;
            }
        }
        return true;
    }

private:
    // The skeleton pixel next to p in direction k, or -1; the bit is read before the index
    // is searched.
    int32_t Neighbour(Pixel p, int k) const {
        const int x = p.x + kDx[k], y = p.y + kDy[k];
        return skeleton_.Ink(x, y) ? index_.Find(x, y) : -1;
    }

    int Degree(Pixel p) const {
        int d = 0;
        for (int k = 0; k < 8; ++k) d += skeleton_.Ink(p.x + kDx[k], p.y + kDy[k]);
        return d;
    }

    // Distance from a pixel to the nearest paper pixel, searched up to 20.
    double Inscribed(Pixel p) const {
        double best = 21;
        for (int r = 1; r <= 20 && r < best; ++r)
            for (int dy = -r; dy <= r; ++dy)
                for (int dx = -r; dx <= r; dx += (dy == -r || dy == r) ? 1 : 2 * r)
                    if (!ink_.Ink(p.x + dx, p.y + dy)) best = std::min(best, std::hypot(dx, dy));
        return best;
    }

    void FindNodes() {
        const int32_t n = index_.Count();
        degree_.resize(size_t(n));
        nodeOf_.assign(size_t(n), -1);
        std::vector<int32_t> parent(static_cast<size_t>(n));
        std::iota(parent.begin(), parent.end(), 0);
        for (int32_t i = 0; i < n; ++i) degree_[size_t(i)] = uint8_t(Degree(index_.At(i)));
        // Junction pixels that touch form one junction.
        for (int32_t i = 0; i < n; ++i) {
            if (degree_[size_t(i)] < 3) continue;
            const Pixel p = index_.At(i);
            for (int k : {0, 5, 6, 7}) {
                const int32_t j = Neighbour(p, k);
                if (j >= 0 && degree_[size_t(j)] >= 3) parent[size_t(FindRoot(parent, j))] = FindRoot(parent, i);
            }
        }
        std::vector<int32_t> nodeOfRoot(size_t(n), -1);
        for (int32_t i = 0; i < n; ++i) {
            const int d = degree_[size_t(i)];
            if (d == 2 || d == 0) continue;
            int32_t node;
            if (d >= 3) {
                int32_t& slot = nodeOfRoot[size_t(FindRoot(parent, i))];
                if (slot < 0) {
                    slot = int32_t(nodes_.size());
                    nodes_.push_back(Node{});
                    nodes_.back().kind = NodeKind::Junction;
                }
                node = slot;
            } else {
                node = int32_t(nodes_.size());
                nodes_.push_back(Node{});
            }
            nodeOf_[size_t(i)] = node;
            Node& nd = nodes_[size_t(node)];
            const Pixel p = index_.At(i);
            nd.sum = nd.sum + Pt{double(p.x), double(p.y)};
            ++nd.pixels;
            nd.pos = nd.sum * (1.0 / nd.pixels);
            nd.radius = std::max(nd.radius, Inscribed(p));
        }
    }

    void WalkChains() {
        const int32_t n = index_.Count();
        std::vector<uint8_t> visited(size_t(n), 0);
        auto walk = [&](int32_t from, int32_t into) {
            Chain c;
            c.a = nodeOf_[size_t(from)];
            c.pix = {index_.At(from), index_.At(into)};
            int32_t prev = from, cur = into;
            while (nodeOf_[size_t(cur)] < 0) {
                visited[size_t(cur)] = 1;
                const Pixel p = index_.At(cur);
                int32_t next = -1;
                for (int k = 0; k < 8 && next < 0; ++k) {
                    const int32_t j = Neighbour(p, k);
                    if (j >= 0 && j != prev && (nodeOf_[size_t(j)] >= 0 || !visited[size_t(j)])) next = j;
                }
                if (next < 0) break;  // cannot happen on a thinned line; ends the path safely
                c.pix.push_back(index_.At(next));
                prev = cur, cur = next;
            }
            c.b = nodeOf_[size_t(cur)];
            if (c.b < 0) {  // a path that ran into itself: its last pixel becomes an end
                c.b = NewNode(index_.At(cur), NodeKind::End);
                nodeOf_[size_t(cur)] = c.b;
            }
            AddChain(std::move(c));
        };
        for (int32_t i = 0; i < n; ++i) {
            if (nodeOf_[size_t(i)] < 0) continue;
            const Pixel p = index_.At(i);
            for (int k = 0; k < 8; ++k) {
                const int32_t j = Neighbour(p, k);
                if (j < 0) continue;
                if (nodeOf_[size_t(j)] >= 0) {
                    if (nodeOf_[size_t(j)] != nodeOf_[size_t(i)] && i < j) {
                        Chain c;
                        c.a = nodeOf_[size_t(i)], c.b = nodeOf_[size_t(j)];
                        c.pix = {p, index_.At(j)};
                        AddChain(std::move(c));
                    }
                } else if (!visited[size_t(j)]) {
                    walk(i, j);
                }
            }
        }
        // What is left are closed rings without a junction: each starts at its first pixel.
        for (int32_t i = 0; i < n; ++i) {
            if (visited[size_t(i)] || nodeOf_[size_t(i)] >= 0 || degree_[size_t(i)] != 2) continue;
            nodeOf_[size_t(i)] = NewNode(index_.At(i), NodeKind::Anchor);
            const Pixel p = index_.At(i);
            for (int k = 0; k < 8; ++k) {
                const int32_t j = Neighbour(p, k);
                if (j >= 0 && !visited[size_t(j)] && nodeOf_[size_t(j)] < 0) {
                    walk(i, j);
                    break;
                }
            }
        }
    }

    // A scan can lose the pixel where a thin stroke meets another: the stroke then stops a
    // pixel or two short of it. A free end whose stroke runs on into another path within
    // three pixels is joined to it there, which splits that path at a new junction.
    void BridgeBrokenJoints() {
        std::vector<int32_t> chainOf(size_t(index_.Count()), -1), placeOf(size_t(index_.Count()), -1);
        for (size_t c = 0; c < chains_.size(); ++c)
            for (size_t k = 0; k < chains_[c].pix.size(); ++k) {
                const int32_t i = index_.Find(chains_[c].pix[k].x, chains_[c].pix[k].y);
                if (i >= 0 && nodeOf_[size_t(i)] < 0) chainOf[size_t(i)] = int32_t(c), placeOf[size_t(i)] = int32_t(k);
            }
        const size_t ends = nodes_.size();
        for (size_t e = 0; e < ends; ++e) {
            if (nodes_[e].kind != NodeKind::End || nodes_[e].chains.size() != 1) continue;
            const int own = nodes_[e].chains[0];
            const std::vector<Pixel> path = FromNode(chains_[size_t(own)], int(e));
            if (path.size() < 6) continue;
            const Pt tip{double(path[0].x), double(path[0].y)};
            Pt dir = tip - Pt{double(path[5].x), double(path[5].y)};
            dir = dir * (1.0 / Norm(dir));
            int32_t hit = -1;
            for (double t = 1; t <= 3 && hit < 0; t += 0.5) {
                const Pt at = tip + dir * t;
                const int x = int(std::lround(at.x)), y = int(std::lround(at.y));
                for (int k = 0; k < 9 && hit < 0; ++k) {
                    const int32_t i = index_.Find(x + k % 3 - 1, y + k / 3 - 1);
                    if (i < 0 || chainOf[size_t(i)] < 0 || chainOf[size_t(i)] == own) continue;
                    // Not next to a node: there the free end would join that node's bend.
                    const Pixel p = index_.At(i);
                    bool nearNode = false;
                    for (int m = 0; m < 8 && !nearNode; ++m) {
                        const int32_t j = Neighbour(p, m);
                        nearNode = j >= 0 && nodeOf_[size_t(j)] >= 0;
                    }
                    if (!nearNode) hit = i;
                }
            }
            if (hit < 0) continue;
            // Split the other path at the pixel hit; the free end's path runs on to it.
            const int split = chainOf[size_t(hit)];
            const size_t at = size_t(placeOf[size_t(hit)]);
            const int joint = NewNode(index_.At(hit), NodeKind::Junction);
            Chain tail;
            tail.a = joint;
            tail.b = chains_[size_t(split)].b;
            tail.pix.assign(chains_[size_t(split)].pix.begin() + std::ptrdiff_t(at), chains_[size_t(split)].pix.end());
            chains_[size_t(split)].pix.resize(at + 1);
            chains_[size_t(split)].b = joint;
            Chain& mine = chains_[size_t(own)];
            if (mine.a == int(e)) {
                mine.pix.insert(mine.pix.begin(), index_.At(hit));
                mine.a = joint;
            } else {
                mine.pix.push_back(index_.At(hit));
                mine.b = joint;
            }
            nodes_[e].alive = false;  // NewNode may have moved the nodes: no reference to it here
            const int tailId = int(chains_.size());
            chains_.push_back(std::move(tail));
            // The pixels now in the tail belong to it.
            for (size_t k = 0; k < chains_[size_t(tailId)].pix.size(); ++k) {
                const Pixel p = chains_[size_t(tailId)].pix[k];
                const int32_t i = index_.Find(p.x, p.y);
                if (i >= 0 && nodeOf_[size_t(i)] < 0) chainOf[size_t(i)] = tailId, placeOf[size_t(i)] = int32_t(k);
            }
            nodeOf_[size_t(hit)] = joint;
        }
        Reconnect();
    }

    int NewNode(Pixel p, NodeKind kind) {
        Node nd;
        nd.kind = kind;
        nd.sum = nd.pos = {double(p.x), double(p.y)};
        nd.pixels = 1;
        nd.radius = Inscribed(p);
        nodes_.push_back(nd);
        return int(nodes_.size()) - 1;
    }

    void AddChain(Chain&& c) {
        const int id = int(chains_.size());
        nodes_[size_t(c.a)].chains.push_back(id);
        nodes_[size_t(c.b)].chains.push_back(id);
        chains_.push_back(std::move(c));
    }

    static double Width(const Node& n) { return std::max(1.0, 2 * n.radius - 1); }
    // Inside this distance of a junction the skeleton bends towards the other strokes.
    static double Zone(const Node& n) { return std::max(2.5, Width(n) + 1); }

    // Joins the junctions at both ends of every path `link` picks, dropping those paths and
    // the loops of up to `loop` pixels left at a joined junction. A joined junction lies at
    // the middle of its parts, weighted by their pixels, with the largest radius and zone.
    // Returns whether each node is a joined one.
    template <class Link>
    std::vector<uint8_t> JoinJunctions(Link&& link, size_t loop) {
        std::vector<int32_t> parent(nodes_.size());
        std::iota(parent.begin(), parent.end(), 0);
        for (Chain& c : chains_) {
            if (!c.alive || c.a == c.b || nodes_[size_t(c.a)].kind != NodeKind::Junction ||
                nodes_[size_t(c.b)].kind != NodeKind::Junction || !link(c))
                continue;
            const int ra = FindRoot(parent, c.a), rb = FindRoot(parent, c.b);
            if (ra == rb) continue;
            parent[size_t(std::max(ra, rb))] = std::min(ra, rb);
            c.alive = false;
        }
        std::vector<uint8_t> joined(nodes_.size(), 0);
        std::vector<Pt> sum(nodes_.size(), Pt{0, 0});
        std::vector<int> pixels(nodes_.size(), 0);
        for (size_t i = 0; i < nodes_.size(); ++i) {
            const size_t r = size_t(FindRoot(parent, int32_t(i)));
            sum[r] = sum[r] + nodes_[i].pos * nodes_[i].pixels;
            pixels[r] += nodes_[i].pixels;
            if (r == i) continue;
            Node &into = nodes_[r], &from = nodes_[i];
            into.radius = std::max(into.radius, from.radius);
            into.zone = std::max(into.zone, from.zone);
            from.alive = false;
            joined[r] = 1;
        }
        for (size_t i = 0; i < nodes_.size(); ++i)
            if (joined[i]) {
                nodes_[i].pixels = pixels[i];
                nodes_[i].pos = sum[i] * (1.0 / pixels[i]);
            }
        for (Chain& c : chains_) {
            c.a = FindRoot(parent, c.a);
            c.b = FindRoot(parent, c.b);
            if (c.alive && c.a == c.b && nodes_[size_t(c.a)].kind == NodeKind::Junction && c.pix.size() <= loop) c.alive = false;
        }
        Reconnect();
        return joined;
    }

    // Thick strokes that cross or meet leave two or more junctions a short link apart. Loops
    // left inside them are part of the junction, and a small loop round an unfilled hole in a
    // wide stroke is no stroke.
    void MergeCloseJunctions() {
        JoinJunctions(
            [this](const Chain& c) {
                return double(c.pix.size() - 1) <= std::max(2.0, std::max(Width(nodes_[size_t(c.a)]), Width(nodes_[size_t(c.b)])));
            },
            12);
    }

    // Strokes meeting at a sharp angle can leave two junctions a few pixels apart that the
    // placing puts on almost the same point, or links that lie wholly in the bend of a sharp
    // junction: they are one junction, placed again from all its branches.
    void JoinPlacedJunctions() {
        const std::vector<uint8_t> joined = JoinJunctions(
            [this](const Chain& c) {
                const Node &a = nodes_[size_t(c.a)], &b = nodes_[size_t(c.b)];
                const double bend = std::max({c.zoneA, c.zoneB, Zone(a), Zone(b)});
                const double apart = Norm(a.pos - b.pos);
                return apart <= 2.0 || (apart <= 4.0 && double(c.pix.size() - 1) <= bend && Norm(a.seed - b.seed) <= bend);
            },
            8);
        for (size_t i = 0; i < nodes_.size(); ++i)
            if (joined[i] && nodes_[i].alive) {
                nodes_[i].seed = nodes_[i].pos;
                PlaceJunction(nodes_[i]);
            }
    }

    // Where strokes meet at a sharp point, as at an arrowhead's tip, the thinning leaves a
    // short stub from its junction to the tip; once the junction is placed on the tip, the
    // stub has nothing left to say.
    void DropAbsorbedTips() {
        for (Node& n : nodes_) {
            if (!n.alive || n.kind != NodeKind::End || n.chains.size() != 1) continue;
            Chain& c = chains_[size_t(n.chains[0])];
            Node& other = nodes_[size_t(c.a == int(&n - nodes_.data()) ? c.b : c.a)];
            if (other.kind != NodeKind::Junction || other.chains.size() < 4 || Norm(other.pos - n.pos) > 2.5) continue;
            c.alive = false;
            n.alive = false;
            other.chains.erase(std::find(other.chains.begin(), other.chains.end(), n.chains[0]));
            n.chains.clear();
        }
    }

    void Reconnect() {
        for (Node& n : nodes_) n.chains.clear();
        for (size_t i = 0; i < chains_.size(); ++i) {
            if (!chains_[i].alive) continue;
            nodes_[size_t(chains_[i].a)].chains.push_back(int(i));
            nodes_[size_t(chains_[i].b)].chains.push_back(int(i));
        }
    }

    // Short branches to a free end are the rough edge or the corner of a wide stroke, not a
    // stroke of their own; a junction left with one real branch is that stroke's end.
    void PruneSpurs() {
        for (size_t id = 0; id < nodes_.size(); ++id) {
            Node& n = nodes_[id];
            if (!n.alive || n.kind != NodeKind::Junction || n.chains.size() < 3) continue;
            // Measured from the junction's middle to the branch's tip, not along the branch.
            // Where a wide stroke leaves the junction, the square corners of its end reach
            // further; the ink where thin strokes merge does not count as wide.
            double wide = 0;
            for (int c : n.chains) {
                const Chain& ch = chains_[size_t(c)];
                const std::vector<Pixel> path = FromNode(ch, int(id));
                const size_t k = size_t(Zone(n)) + 2;
                if (path.size() > k + 4) wide = std::max(wide, Inscribed(path[k]));
            }
            const double limit = wide >= 2.5 ? 1.5 * n.radius + 0.5 : n.radius + 1;
            std::vector<int> spurs;
            for (int c : n.chains) {
                const Chain& ch = chains_[size_t(c)];
                const int other = ch.a == int(id) ? ch.b : ch.a;
                if (other != int(id) && nodes_[size_t(other)].kind == NodeKind::End && nodes_[size_t(other)].chains.size() == 1 &&
                    Norm(nodes_[size_t(other)].pos - n.pos) <= limit + 0.5)
                    spurs.push_back(c);
            }
            const size_t real = n.chains.size() - spurs.size();
            if (spurs.empty()) continue;
            if (real == 0) {  // a small star: keep its two longest arms
                std::stable_sort(spurs.begin(), spurs.end(),
                                 [&](int x, int y) { return chains_[size_t(x)].pix.size() > chains_[size_t(y)].pix.size(); });
                spurs.erase(spurs.begin(), spurs.begin() + 2);
            }
            for (int c : spurs) {
                Chain& ch = chains_[size_t(c)];
                ch.alive = false;
                Node& end = nodes_[size_t(ch.a == int(id) ? ch.b : ch.a)];
                end.alive = false;
                end.chains.clear();
                n.chains.erase(std::find(n.chains.begin(), n.chains.end(), c));
            }
            if (real == 1) n.kind = NodeKind::End;
        }
    }

    // A junction left with two branches is no junction: the two paths become one.
    void SpliceThroughNodes() {
        for (size_t id = 0; id < nodes_.size(); ++id) {
            Node& n = nodes_[id];
            if (!n.alive || n.kind == NodeKind::End || n.chains.size() != 2 || n.chains[0] == n.chains[1]) continue;
            Chain &first = chains_[size_t(n.chains[0])], &second = chains_[size_t(n.chains[1])];
            if (first.b != int(id)) {
                std::reverse(first.pix.begin(), first.pix.end());
                std::swap(first.a, first.b);
            }
            if (second.a != int(id)) {
                std::reverse(second.pix.begin(), second.pix.end());
                std::swap(second.a, second.b);
            }
            first.pix.insert(first.pix.end(), second.pix.begin() + 1, second.pix.end());
            first.b = second.b;
            second.alive = false;
            const int firstId = n.chains[0], secondId = n.chains[1];
            // When the two were one ring through this node, the node stays as its start.
            if (first.a == int(id)) {
                n.kind = NodeKind::Anchor;
                n.chains = {firstId, firstId};
                continue;
            }
            n.alive = false;
            n.chains.clear();
            Node& other = nodes_[size_t(first.b)];
            for (int& c : other.chains)
                if (c == secondId) {
                    c = firstId;
                    break;
                }
            if (other.kind != NodeKind::End && other.chains == std::vector<int>{firstId, firstId}) other.kind = NodeKind::Anchor;
        }
    }

    // Pixels of a chain seen from one of its nodes, nearest first.
    static std::vector<Pixel> FromNode(const Chain& c, int node) {
        std::vector<Pixel> p = c.pix;
        if (c.a != node) std::reverse(p.begin(), p.end());
        return p;
    }

    // The line of a branch from `from` to `to` pixels away from the junction, as a ray
    // pointing away from it.
    // The fit stops short of the node at the branch's far end, whose bend is not this line's.
    static bool BranchLine(const std::vector<Pixel>& path, Pt node, Pt far, double farZone, double from, double to, Pt& centre,
                           Pt& dir, std::vector<Pt>* used = nullptr) {
        std::vector<Pt> pts;
        for (Pixel p : path) {
            const Pt q{double(p.x), double(p.y)};
            const double d = Norm(q - node);
            if (d > to || Norm(q - far) < farZone) break;
            if (d < from) continue;
            if (!RunsStraight(pts, q)) break;  // past a corner it is another line
            pts.push_back(q);
        }
        if (pts.size() < 3 || !FitLine(pts, centre, dir)) return false;
        if (Dot(dir, centre - node) < 0) dir = dir * -1.0;
        if (used) *used = std::move(pts);
        return true;
    }

    // A junction goes where the straight parts of its branches meet, away from the bend the
    // thinning leaves near it. Branches that leave at a sharp angle run together for longer,
    // so they are read further out.
    void PlaceJunction(Node& n) {
        if (!n.alive || n.kind != NodeKind::Junction || n.chains.size() < 2) return;
        const int id = int(&n - nodes_.data());
        const double zone = Zone(n);
        const size_t count = n.chains.size();
        std::vector<std::vector<Pixel>> paths(count);
        std::vector<Pt> centres(count), dirs(count);
        std::vector<uint8_t> fitted(count, 0);
        std::vector<std::vector<Pt>> used(count);
        std::vector<Pt> fars(count);
        std::vector<double> farZones(count);
        for (size_t k = 0; k < count; ++k) {
            const Chain& c = chains_[size_t(n.chains[k])];
            const Node& far = nodes_[size_t(c.a == id ? c.b : c.a)];
            fars[k] = far.seed;
            farZones[k] = far.kind == NodeKind::Junction ? Zone(far) : 0;
            paths[k] = FromNode(c, id);
            fitted[k] = BranchLine(paths[k], n.pos, fars[k], farZones[k], zone, zone + 24, centres[k], dirs[k], &used[k]);
        }
        n.zone = zone;
        std::vector<double> zones(count, zone);
        for (size_t k = 0; k < count; ++k) {
            if (!fitted[k]) continue;
            double sharpest = 1;  // sine of the smallest angle to another branch, up to 90 degrees
            for (size_t j = 0; j < count; ++j)
                if (j != k && fitted[j] && Dot(dirs[k], dirs[j]) > 0)
                    sharpest = std::min(sharpest, std::abs(dirs[k].x * dirs[j].y - dirs[k].y * dirs[j].x));
            zones[k] = std::min(14.0, std::max(zone, (Width(n) + 1) / std::max(sharpest, 0.1)));
            Chain& chain = chains_[size_t(n.chains[k])];
            (chain.a == id ? chain.zoneA : chain.zoneB) = zones[k];
            Pt c, d;
            if (zones[k] <= zone) continue;
            if (BranchLine(paths[k], n.pos, fars[k], farZones[k], zones[k], zones[k] + 24, c, d, &used[k])) {
                centres[k] = c, dirs[k] = d;
            } else {  // a short branch, such as an arrowhead's barb: its outer half is straight
                const Pixel end = paths[k].back();
                const double half = Norm(Pt{double(end.x), double(end.y)} - n.pos) / 2;
                if (half >= zone && BranchLine(paths[k], n.pos, fars[k], farZones[k], half, zones[k] + 24, c, d, &used[k]))
                    centres[k] = c, dirs[k] = d;
            }
            n.zone = std::max(n.zone, zones[k]);
        }
        // A stroke that runs straight through the junction, such as a tick across a line's end,
        // is read as one line from both sides: two branches that point most nearly away from
        // each other, each from the other.
        auto opposite = [&](size_t k) {
            size_t best = count;
            double most = -0.85;
            for (size_t j = 0; j < count; ++j)
                if (j != k && fitted[j] && Dot(dirs[k], dirs[j]) < most) most = Dot(dirs[k], dirs[j]), best = j;
            return best;
        };
        std::vector<size_t> partner(count, count);
        for (size_t k = 0; k < count; ++k)
            if (fitted[k]) partner[k] = opposite(k);
        for (size_t k = 0; k < count; ++k)
            for (size_t j = k + 1; j < count; ++j) {
                if (partner[k] != j || partner[j] != k) continue;
                std::vector<Pt> both = used[k];
                both.insert(both.end(), used[j].begin(), used[j].end());
                Pt c, d;
                if (!FitLine(both, c, d)) continue;
                centres[k] = centres[j] = c;
                dirs[k] = Dot(d, dirs[k]) >= 0 ? d : d * -1.0;
                dirs[j] = dirs[k] * -1.0;
            }
        // At a sharp tip, such as an arrowhead's, the thinning leaves a stub to a free end
        // that carries a fitted branch straight on; the barbs end nearby too, but aside.
        int stub = -1;
        double straightest = -0.9;
        for (size_t k = 0; k < count; ++k) {
            const Chain& c = chains_[size_t(n.chains[k])];
            const Node& far = nodes_[size_t(c.a == id ? c.b : c.a)];
            Pt toEnd = far.seed - n.seed;
            if (far.kind != NodeKind::End || Norm(far.seed - n.pos) > n.zone + 4 || Norm(toEnd) < 1) continue;
            toEnd = toEnd * (1.0 / Norm(toEnd));
            for (size_t j = 0; j < count; ++j)
                if (j != k && fitted[j] && Dot(dirs[j], toEnd) < straightest) straightest = Dot(dirs[j], toEnd), stub = int(k);
        }
        if (stub >= 0 && PlaceOnTip(n, id, paths, centres, dirs, fitted, size_t(stub))) return;
        double a11 = 0, a12 = 0, a22 = 0, b1 = 0, b2 = 0;
        int lines = 0;
        for (size_t k = 0; k < count; ++k) {
            if (!fitted[k]) continue;
            // Sum of (I - d d^T) over the lines, and of the same applied to their centres.
            const Pt dir = dirs[k], centre = centres[k];
            const double m11 = 1 - dir.x * dir.x, m12 = -dir.x * dir.y, m22 = 1 - dir.y * dir.y;
            a11 += m11, a12 += m12, a22 += m22;
            b1 += m11 * centre.x + m12 * centre.y;
            b2 += m12 * centre.x + m22 * centre.y;
            ++lines;
        }
        const double det = a11 * a22 - a12 * a12;
        if (lines < 2 || det < 0.05) return;
        const Pt at{(a22 * b1 - a12 * b2) / det, (a11 * b2 - a12 * b1) / det};
        // Strokes meet on ink: a point off it means the branches were not read straight; by a
        // stub the lines may meet just beyond the last ink pixel.
        if (Norm(at - n.pos) <= n.zone + 4 && (stub >= 0 ? NearInk(at) : InkAt(at))) n.pos = OnPicture(at);
    }

    // An arrowhead: the line runs on through the junction into a stub, and its barbs leave the
    // junction at a sharp angle; they all meet at the tip, where the ink of the line ends.
    bool PlaceOnTip(Node& n, int id, const std::vector<std::vector<Pixel>>& paths, const std::vector<Pt>& centres,
                    const std::vector<Pt>& dirs, const std::vector<uint8_t>& fitted, size_t stub) {
        const Pixel end = paths[stub].back();
        Pt toTip = Pt{double(end.x), double(end.y)} - n.seed;
        if (Norm(toTip) < 1) return false;
        toTip = toTip * (1.0 / Norm(toTip));
        int line = -1, barbs = 0;
        double straightest = -0.97;
        for (size_t k = 0; k < paths.size(); ++k) {
            if (k == stub) continue;
            // A barb is short, ends free, and may run along the line for its first pixels: the
            // way from the junction to its end says where it points.
            const Chain& c = chains_[size_t(n.chains[k])];
            const bool barb = nodes_[size_t(c.a == id ? c.b : c.a)].kind == NodeKind::End && paths[k].size() <= 24;
            Pt d = dirs[k];
            if (barb || !fitted[k]) {
                d = Pt{double(paths[k].back().x), double(paths[k].back().y)} - n.seed;
                if (Norm(d) < 1) continue;
                d = d * (1.0 / Norm(d));
            }
            const double along = Dot(d, toTip);
            if (along < -0.5) ++barbs;
            if (!barb && fitted[k] && along < straightest) straightest = along, line = int(k);
        }
        if (line < 0 || --barbs == 0) return false;
        // The stub's last pixel is the last of the ink, as at any thin free end; the tip lies
        // on the line, half the line's width less half a pixel inside that.
        const Pt dir = dirs[size_t(line)] * -1.0, centre = centres[size_t(line)];
        const Node& tipNode = nodes_[size_t(chains_[size_t(n.chains[stub])].a == id ? chains_[size_t(n.chains[stub])].b
                                                                                    : chains_[size_t(n.chains[stub])].a)];
        const double along = Dot(Pt{double(end.x), double(end.y)} - centre, dir) - (Width(tipNode) - 1) / 2;
        const Pt tip = centre + dir * along;
        if (Norm(tip - n.seed) > n.zone + 4 || !NearInk(tip)) return false;
        n.pos = OnPicture(tip);
        return true;
    }

    bool NearInk(Pt p) const {
        const int x = int(std::floor(p.x + 0.5)), y = int(std::floor(p.y + 0.5));
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (ink_.Ink(x + dx, y + dy)) return true;
        return false;
    }
    bool InkAt(Pt p) const { return ink_.Ink(int(std::floor(p.x + 0.5)), int(std::floor(p.y + 0.5))); }

    // The nearest point on the picture's pixels. Lines read on towards where they meet may
    // meet beyond the picture's or the region's edge, where a stroke was cut off.
    Pt OnPicture(Pt p) const {
        return {std::clamp(p.x, 0.0, double(ink_.Width() - 1)), std::clamp(p.y, 0.0, double(ink_.Height() - 1))};
    }

    // How far the ink runs on from `from` along `dir`, in quarter pixels, up to 64.
    double InkAhead(Pt from, Pt dir) const {
        double t = 0;
        while (t < 64 && InkAt(from + dir * (t + 0.25))) t += 0.25;
        return t;
    }

    // The stroke's width across it, measured every other pixel along the middle of the chain.
    std::vector<double> WidthSamples(const Chain& c, double zoneA, double zoneB) const {
        const int n = int(c.pix.size()), skipA = int(zoneA), skipB = int(zoneB);
        std::vector<double> widths;
        for (int k = skipA; k < n - skipB; k += 2) {
            // The direction over 20 pixels: over a few it snaps to a simple slope such as 1:3,
            // and a window along such a slope counts the pixel lattice unevenly.
            const Pixel p0 = c.pix[size_t(std::max(0, k - 10))], p1 = c.pix[size_t(std::min(n - 1, k + 10))];
            Pt dir{double(p1.x - p0.x), double(p1.y - p0.y)};
            const double len = Norm(dir);
            if (len < 1) continue;
            const Pt normal{-dir.y / len, dir.x / len};
            const Pt at{double(c.pix[size_t(k)].x), double(c.pix[size_t(k)].y)};
            double extent = 0.25 + InkAhead(at, normal) + InkAhead(at, normal * -1.0);
            // Across a slanted wide stroke the pixel steps add up to a pixel or more; the ink
            // in a short stretch of the stroke, over its length, does not.
            if (extent >= 2.5) extent = InkInBand(at, {dir.x / len, dir.y / len}, -2, 2, extent / 2 + 1) / 4.0;
            widths.push_back(extent);
        }
        return widths;
    }

    void MeasureWidth(Chain& c) {
        if (!c.alive) return;
        const Node &a = nodes_[size_t(c.a)], &b = nodes_[size_t(c.b)];
        // Away from the bends at sharp junctions first; a short path between two junctions
        // may lie wholly in them, and is then measured closer in.
        std::vector<double> widths = WidthSamples(c, a.kind == NodeKind::Junction ? std::max(Zone(a), c.zoneA) : 0,
                                                  b.kind == NodeKind::Junction ? std::max(Zone(b), c.zoneB) : 0);
        if (widths.empty() && a.kind == NodeKind::Junction && b.kind == NodeKind::Junction)
            widths = WidthSamples(c, Zone(a), Zone(b));
        if (widths.empty()) {
            // A short branch, such as a barb, lies wholly in the ink where strokes meet: its
            // free end, if it has one, tells its own width.
            const Node& end = a.kind == NodeKind::End ? a : b;
            const Node& joint = a.kind == NodeKind::End ? b : a;
            c.width = end.kind == NodeKind::End ? std::min(Width(end), Width(joint)) : Width(joint);
            return;
        }
        // The mean of the middle half: rough edges and crossing strokes fall outside it.
        std::sort(widths.begin(), widths.end());
        const size_t from = widths.size() / 4, to = widths.size() - widths.size() / 4;
        c.width = std::accumulate(widths.begin() + std::ptrdiff_t(from), widths.begin() + std::ptrdiff_t(to), 0.0) / double(to - from);
    }

    // Ink pixels whose centre lies `from` to `to` along the line from `origin` in direction
    // `dir`, and within `half` of it.
    int InkInBand(Pt origin, Pt dir, double from, double to, double half) const {
        const Pt across{-dir.y * half, dir.x * half};
        const Pt a = origin + dir * from, b = origin + dir * to;
        const int left = int(std::floor(std::min(a.x, b.x) - std::abs(across.x))), right = int(std::ceil(std::max(a.x, b.x) + std::abs(across.x)));
        const int top = int(std::floor(std::min(a.y, b.y) - std::abs(across.y))), bottom = int(std::ceil(std::max(a.y, b.y) + std::abs(across.y)));
        int count = 0;
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x <= right; ++x) {
                const Pt d = Pt{double(x), double(y)} - origin;
                const double along = Dot(d, dir);
                if (along >= from && along < to && std::abs(d.x * dir.y - d.y * dir.x) <= half && ink_.Ink(x, y)) ++count;
            }
        return count;
    }

    // A wide stroke's width, once its lines are known: the ink within reach of each line, away
    // from its ends, over its length. Long stretches keep the pixel lattice from biasing it,
    // and each line's own ink keeps it the same whatever the crop.
    void InkOverLength(Chain& c) const {
        if (!c.alive) return;
        c.widths.assign(c.vertices.size() > 1 ? c.vertices.size() - 1 : 0, c.width);
        if (c.width < 2.5) return;
        const double half = c.width / 2 + 1, margin = c.width + 1;
        for (size_t k = 0; k + 1 < c.vertices.size(); ++k) {
            const Pt a = c.vertices[k], b = c.vertices[k + 1];
            const double len = Norm(b - a);
            if (len - 2 * margin < 8) continue;
            // Under a pixel's width of ink: the line cuts across paper between its ends (all its
            // pixels lay in the bends there), so only the stroke's own width says anything.
            const double ink = InkInBand(a, (b - a) * (1.0 / len), margin, len - margin, half) / (len - 2 * margin);
            if (ink >= 1) c.widths[k] = ink;
        }
    }

    // A free end lies half the stroke's width inside the end of the ink, on the line of the
    // stroke's last straight stretch (the very tip of a thinned wide stroke may hook aside).
    void PlaceEnd(Node& n) {
        if (!n.alive || n.kind != NodeKind::End || n.chains.size() != 1) return;
        const int id = int(&n - nodes_.data());
        const Chain& c = chains_[size_t(n.chains[0])];
        const std::vector<Pixel> p = FromNode(c, id);
        const size_t skip = std::min(p.size() / 3, size_t(c.width + 1));
        // Only as far as the path runs straight: a path spliced through a junction may turn.
        std::vector<Pt> pts;
        for (size_t k = skip; k < p.size() && k < skip + 14; ++k) {
            const Pt q{double(p[k].x), double(p[k].y)};
            if (!RunsStraight(pts, q)) break;
            pts.push_back(q);
        }
        Pt centre, dir;
        if (pts.size() < 3 || !FitLine(pts, centre, dir)) return;
        const Pt tip{double(p[0].x), double(p[0].y)};
        if (Dot(dir, tip - centre) < 0) dir = dir * -1.0;
        // The tip pixel is on the stroke's middle unless the thinning hooked a straight
        // stroke's tip aside; on a curve the line is only a chord and the tip is right. The
        // start that finds more ink ahead is the one inside the stroke.
        const Pt onLine = centre + dir * Dot(tip - centre, dir);
        const double fromTip = InkAhead(tip, dir), fromLine = InkAhead(onLine, dir);
        const bool line = fromLine >= fromTip;
        const Pt from = line ? onLine : tip;
        const double t = line ? fromLine : fromTip;
        const double move = t + 0.25 - c.width / 2;
        if (std::abs(move) <= c.width + 2) n.pos = OnPicture(from + dir * move);
    }

    // Straight lines through the chain within the tolerance, split where it bends most; bends
    // are then put where the straight parts on either side meet.
    void Fit(Chain& c) {
        if (!c.alive) return;
        const Node &a = nodes_[size_t(c.a)], &b = nodes_[size_t(c.b)];
        const bool ring = c.a == c.b && a.kind == NodeKind::Anchor;
        if (ring) StartRingMidSide(c);
        const Pt pa = ring ? Pt{double(c.pix[0].x), double(c.pix[0].y)} : Pt{double(a.ix), double(a.iy)};
        const Pt pb = ring ? pa : Pt{double(b.ix), double(b.iy)};
        const double zoneA = a.kind == NodeKind::Junction ? std::max(c.zoneA, Zone(a)) : a.kind == NodeKind::End ? c.width + 1 : 0;
        const double zoneB = b.kind == NodeKind::Junction ? std::max(c.zoneB, Zone(b)) : b.kind == NodeKind::End ? c.width + 1 : 0;
        std::vector<Pt> pts{pa};
        for (Pixel p : c.pix) {
            const Pt q{double(p.x), double(p.y)};
            // The bend lies around where the thinning met, which the placing may have moved from.
            if (Norm(q - a.pos) > zoneA && Norm(q - b.pos) > zoneB && Norm(q - a.seed) > zoneA && Norm(q - b.seed) > zoneB)
                pts.push_back(q);
        }
        pts.push_back(pb);
        std::vector<size_t> keep = SharpBends(pts, c.width);
        for (size_t k = keep.size() - 1; k > 0; --k) Split(pts, keep[k - 1], keep[k], Allowed(c.width), keep);
        std::sort(keep.begin(), keep.end());
        std::vector<Pt> at;
        for (size_t k : keep) at.push_back(pts[k]);
        CollapseShortPieces(pts, keep, at, c.width);
        SharpenCorners(pts, keep, at, c.width);
        if (ring) DropRingStart(pts, keep, at, c.width);
        c.vertices = std::move(at);
    }

    // How far a skeleton pixel may lie from its line: the tolerance, plus half a pixel since
    // pixel centres already stray that far from any straight line, plus a quarter of the
    // stroke's width beyond one pixel, since the thinned middle of a rough wide stroke wanders
    // that far; nothing at all at level 6.
    double Allowed(double width) const { return tolerance_ > 0 ? tolerance_ + 0.5 + std::max(0.0, width - 1) / 4 : 1e-6; }

    // The path's ends and every point where it turns sharply over a few pixels either side.
    // Found from each point's neighbourhood alone, they are the same however far the path
    // runs on, so a line away from a crop's edge does not depend on the crop.
    static std::vector<size_t> SharpBends(const std::vector<Pt>& pts, double width) {
        const size_t n = pts.size(), k = size_t(std::max(5.0, width + 3));
        std::vector<size_t> bends{0};
        std::vector<double> turn(n, 0);
        for (size_t i = k; i + k < n; ++i) {
            const Pt a = pts[i] - pts[i - k], b = pts[i + k] - pts[i];
            const double la = Norm(a), lb = Norm(b);
            if (la > 0 && lb > 0) turn[i] = std::acos(std::clamp(Dot(a, b) / (la * lb), -1.0, 1.0));
        }
        constexpr double kSharp = 30 * 3.14159265358979323846 / 180;
        for (size_t i = k; i + k < n;) {
            if (turn[i] <= kSharp) {
                ++i;
                continue;
            }
            size_t best = i;
            for (; i + k < n && turn[i] > kSharp; ++i)
                if (turn[i] > turn[best]) best = i;
            bends.push_back(best);
        }
        if (n > 1) bends.push_back(n - 1);
        return bends;
    }

    void Split(const std::vector<Pt>& pts, size_t from, size_t to, double allowed, std::vector<size_t>& keep) const {
        if (to <= from + 1) return;
        double worst = -1;
        size_t at = from;
        for (size_t k = from + 1; k < to; ++k) {
            const double d = PointToSegment(pts[k], pts[from], pts[to]);
            if (d > worst) worst = d, at = k;
        }
        if (worst <= allowed) return;
        keep.push_back(at);
        Split(pts, from, at, allowed, keep);
        Split(pts, at, to, allowed, keep);
    }

    // The line through the points of piece `piece` that are not near either of its vertices.
    static bool PieceLine(const std::vector<Pt>& pts, const std::vector<size_t>& keep, const std::vector<Pt>& at, size_t piece,
                          double margin, Pt& centre, Pt& dir) {
        std::vector<Pt> p;
        for (size_t k = keep[piece]; k <= keep[piece + 1]; ++k)
            if (Norm(pts[k] - at[piece]) > margin && Norm(pts[k] - at[piece + 1]) > margin) p.push_back(pts[k]);
        return p.size() >= 3 && FitLine(p, centre, dir);
    }

    // The rounded corner of a wide stroke leaves a short chamfer between two long pieces: the
    // corner goes where those two meet.
    void CollapseShortPieces(const std::vector<Pt>& pts, std::vector<size_t>& keep, std::vector<Pt>& at, double width) const {
        const double shortest = std::max(3.0, width + 1);
        // A run of short pieces (k .. last) between two long ones becomes one corner.
        for (size_t k = 1; k + 2 < at.size();) {
            size_t last = k;
            double run = 0;
            while (last + 2 < at.size() && Norm(at[last + 1] - at[last]) < shortest) run += Norm(at[last + 1] - at[last]), ++last;
            Pt c1, d1, c2, d2, cross;
            if (last > k && run < 2 * shortest && PieceLine(pts, keep, at, k - 1, 2, c1, d1) &&
                PieceLine(pts, keep, at, last, 2, c2, d2) && Cross(c1, d1, c2, d2, cross) &&
                Norm(cross - (at[k] + at[last]) * 0.5) <= width + tolerance_ + 3) {
                at[k] = OnPicture(cross);
                at.erase(at.begin() + std::ptrdiff_t(k) + 1, at.begin() + std::ptrdiff_t(last) + 1);
                keep.erase(keep.begin() + std::ptrdiff_t(k) + 1, keep.begin() + std::ptrdiff_t(last) + 1);
            }
            ++k;
        }
    }

    // A bend inside a chain is put where the straight parts on either side meet.
    void SharpenCorners(const std::vector<Pt>& pts, const std::vector<size_t>& keep, std::vector<Pt>& at, double width) const {
        std::vector<Pt> moved = at;
        for (size_t v = 1; v + 1 < at.size(); ++v) {
            Pt c1, d1, c2, d2, cross;
            if (!PieceLine(pts, keep, at, v - 1, 2, c1, d1) || !PieceLine(pts, keep, at, v, 2, c2, d2)) continue;
            if (!Cross(c1, d1, c2, d2, cross)) continue;
            if (Norm(cross - at[v]) <= tolerance_ + width / 2 + 2) moved[v] = OnPicture(cross);
        }
        at = std::move(moved);
    }

    // A ring's pixels start in the middle of its longest straight stretch, so that every
    // corner lies inside the path and is placed like any other bend.
    void StartRingMidSide(Chain& c) const {
        std::vector<Pt> pts;
        for (Pixel p : c.pix) pts.push_back({double(p.x), double(p.y)});
        std::vector<size_t> keep{0, pts.size() - 1};
        Split(pts, 0, pts.size() - 1, Allowed(c.width), keep);
        std::sort(keep.begin(), keep.end());
        size_t mid = 0;
        double longest = -1;
        for (size_t k = 0; k + 1 < keep.size(); ++k)
            if (double length = Norm(pts[keep[k + 1]] - pts[keep[k]]); length > longest)
                longest = length, mid = (keep[k] + keep[k + 1]) / 2;
        c.pix.pop_back();  // the start pixel, repeated at the end
        std::rotate(c.pix.begin(), c.pix.begin() + std::ptrdiff_t(mid), c.pix.end());
        c.pix.push_back(c.pix.front());
    }

    // A ring starts where its first pixel happened to lie; unless that is a corner, the two
    // pieces meeting there become one and the ring starts at its next corner.
    void DropRingStart(const std::vector<Pt>& pts, std::vector<size_t>& keep, std::vector<Pt>& at, double width) const {
        if (at.size() < 4) return;  // start, two corners, start again: a ring needs three corners
        const size_t last = at.size() - 1;
        double worst = 0;
        auto measure = [&](size_t from, size_t to) {
            for (size_t k = from; k <= to; ++k)
                if (Norm(pts[k] - at[last - 1]) > width / 2 + 2 && Norm(pts[k] - at[1]) > width / 2 + 2)
                    worst = std::max(worst, PointToSegment(pts[k], at[last - 1], at[1]));
        };
        measure(keep[last - 1], keep[last]);
        measure(keep[0], keep[1]);
        if (worst > Allowed(width)) return;
        at.pop_back();
        at.erase(at.begin());
        at.push_back(at.front());
    }

    const BitPlane& ink_;
    const BitPlane& skeleton_;
    PixelIndex index_;
    double tolerance_;
    int threads_;
    std::vector<uint8_t> degree_;
    std::vector<int32_t> nodeOf_;
    std::vector<Node> nodes_;
    std::vector<Chain> chains_;
};

int Trace(const MonoBits& bits, const TraceOptions& options, LineStore& store, const ProgressFn& progress) {
    int x0, x1, y0, y1;
    if (RegionBounds(bits, options.Region, x0, x1, y0, y1) != kTraceDone) return kTraceTooLarge;
    if (x1 <= x0 || y1 <= y0) return kTraceDone;

    TraceProgress report;
    report.ColumnMin = 0, report.ColumnMax = 100, report.RowMin = 0, report.RowMax = 100;
    auto stop = [&](int percent) {
        if (!progress) return false;
        report.ColumnPos = report.RowPos = percent;
        report.Lines = store.LineCount();
        report.Refresh = true;
        return progress(report);
    };
    const int threads = options.Threads;
    BitPlane ink = LoadRegion(bits, x0, y0, x1 - x0, y1 - y0, threads);
    RemoveSpecks(ink, threads);
    FillPinholes(ink, threads);
    SmoothEdges(ink, threads);
    if (stop(5)) return kTraceStopped;
    BitPlane skeleton = ink;
    int pass = 0;
    if (!Thin(skeleton, threads, [&] { return stop(std::min(60, 5 + 2 * ++pass)); })) return kTraceStopped;

    CentreTracer tracer(ink, skeleton, CentreTolerance(options.Level), threads);
    tracer.Build();
    if (stop(90)) return kTraceStopped;
    int failed = 0;
    tracer.Emit([&](int32_t ax, int32_t ay, int32_t bx, int32_t by, double width) {
        const int rc = store.AddSegment(x0 + ax + 1, y0 + ay + 1, x0 + bx + 1, y0 + by + 1);
        if (rc != 1) {
            failed = rc;
            return false;
        }
        store.SetLineWidth(store.EndpointCount(), float(width));
        return true;
    });
    stop(100);
    if (failed == kStoreFull) return kTraceStoreFull;
    return failed ? kTraceStopped : kTraceDone;
}

}  // namespace

int TraceCentreLines(const MonoBits& bits, const TraceOptions& options, LineStore& store, const ProgressFn& progress) {
    return Trace(bits, options, store, progress);
}
