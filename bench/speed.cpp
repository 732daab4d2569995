// The speed table of the toolkit: every module on the cases of the README,
// in ns per core (wall time x this machine's cores / pairs or entries, so a
// call that leaves a core idle pays for it), against the previous scalar
// implementation in the same run, whose ratio holds on a noisy machine where
// the absolute times do not. Each time is the median of several runs.
//
//   build/bench/bem2d_bench [filter]    runs the rows whose module or case
//                                      contains the filter text
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "baselines.h"
#include "bem2d.h"
#include "bench_meshes.h"
#include "field_lanes.h"

namespace {

using Clock = std::chrono::steady_clock;

// Median wall time of `runs` calls of f (prepare runs before each, untimed).
double medianSeconds(const std::function<void()>& f, int runs,
                     const std::function<void()>& prepare = nullptr) {
  std::vector<double> t;
  for (int k = 0; k < runs; ++k) {
    if (prepare) prepare();
    const auto start = Clock::now();
    f();
    t.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  }
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

struct Row {
  const char* module;
  std::string name;
  const char* unit;
  double goal;  // ns per core (0: twice slpmatrix's, measured in the same run)
  double work;  // pairs or entries
  std::function<void()> now, previous, prepare;
  int runs, previousRuns;
  double ratioGoal = 0;  // rows of tiles: the least ratio wanted (no goal in ns)
};

const int kCores = static_cast<int>(std::thread::hardware_concurrency());

// The mesh of a circle polygon's arrays (column-major, node numbers from 1).
bem2d::PreparedMesh preparedCircle(const std::vector<double>& coordinates,
                                   const std::vector<double>& elements, int n) {
  const bem2d::Indices e = {elements.data(), bem2d::IndexType::Float64, n, 1, n, 1};
  return bem2d::PreparedMesh(bem2d::Mesh{columnMajor(coordinates.data(), n), e});
}

// Prints the row; returns its ns per core. previousRuns 0: no previous run.
double run(const Row& r, double slpmatrixNs) {
  const double now = medianSeconds(r.now, r.runs, r.prepare) * kCores / r.work * 1e9;
  const double goal = r.goal > 0 ? r.goal : 2 * slpmatrixNs;
  if (r.ratioGoal > 0) {
    const double before =
        medianSeconds(r.previous, r.previousRuns, r.prepare) * kCores / r.work * 1e9;
    std::printf("%-12s %-34s %-22s %9.1f %9.1f %7.2f >=%4.2f\n", r.module, r.name.c_str(), r.unit,
                now, before, before / now, r.ratioGoal);
  } else if (r.previousRuns == 0) {
    std::printf("%-12s %-34s %-22s %9.1f %9s %7s %6.0f\n", r.module, r.name.c_str(), r.unit, now,
                "-", "-", goal);
  } else {
    const double before =
        medianSeconds(r.previous, r.previousRuns, r.prepare) * kCores / r.work * 1e9;
    std::printf("%-12s %-34s %-22s %9.1f %9.1f %7.1f %6.0f\n", r.module, r.name.c_str(), r.unit,
                now, before, before / now, goal);
  }
  std::fflush(stdout);
  return now;
}

// The boundary of the cases: a circle of radius 0.45 (its logarithmic
// capacity is not 1) with N elements.
struct Boundary {
  int n;
  std::vector<double> coordinates, elements, density, nodal, onElement, normals;
  bem2d::PreparedMesh mesh;
  explicit Boundary(int count) : n(count) {
    circlePolygon(n, 0.45, coordinates, elements);
    mesh = preparedCircle(coordinates, elements, n);
    density.resize(n);
    nodal.resize(n);
    onElement.resize(2 * static_cast<size_t>(n));
    normals.resize(2 * static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) {
      density[k] = std::cos(3.0 * k / n) + 2;
      nodal[k] = coordinates[k] * coordinates[k] - coordinates[k + n];
      // A third along element k, with its normal.
      const int b = (k + 1) % n;
      const double d1 = coordinates[b] - coordinates[k], d2 = coordinates[b + n] - coordinates[k + n];
      const double L = std::sqrt(d1 * d1 + d2 * d2);
      onElement[k] = coordinates[k] + d1 / 3;
      onElement[k + n] = coordinates[k + n] + d2 / 3;
      normals[k] = d2 / L;
      normals[k + n] = -d1 / L;
    }
  }
};

void fieldRows(std::vector<Row>& rows, const std::shared_ptr<Boundary>& bp,
               const std::vector<double>& points, const std::string& where) {
  const Boundary& b = *bp;
  const BoundaryMesh& m = b.mesh.mesh;
  const int n = b.n, nx = static_cast<int>(points.size() / 2);
  auto out = std::make_shared<std::vector<double>>(2 * static_cast<size_t>(nx));
  auto pts = std::make_shared<std::vector<double>>(points);
  const double work = static_cast<double>(n) * nx;
  const Points P = columnMajor(pts->data(), nx);
  std::vector<double> dirs(points.size());
  for (int i = 0; i < nx; ++i) {
    dirs[i] = 0.6;
    dirs[i + nx] = 0.8;
  }
  auto q = std::make_shared<std::vector<double>>(dirs);
  const Points Q = columnMajor(q->data(), nx);
  // The lambdas hold the boundary and the points alive.
  rows.push_back({"slpfield", where, "point-element pair", 8, work,
                  [=] { bem2d::slpfield(bp->mesh, bp->density.data(), P, 0.5, out->data()); },
                  [=] { slpfieldScalar(m, bp->density.data(), P, 0.5, out->data()); (void)pts; },
                  nullptr, 5, 1});
  rows.push_back({"dlpfield", where, "point-element pair", 5, work,
                  [=] { bem2d::dlpfield(bp->mesh, bp->nodal.data(), P, 0.5, out->data()); },
                  [=] { dlpfieldScalar(m, bp->nodal.data(), P, 0.5, out->data()); },
                  nullptr, 5, 1});
  rows.push_back({"tdlfield", where, "point-element pair", 5, work,
                  [=] { bem2d::tdlfield(bp->mesh, bp->density.data(), P, Q, 0.5, out->data()); (void)q; },
                  [=] { tdlfieldScalar(m, bp->density.data(), P, Q, 0.5, out->data()); },
                  nullptr, 5, 1});
  rows.push_back({"dlpgradfield", where, "point-element pair", 10, work,
                  [=] { bem2d::dlpgradfield(bp->mesh, bp->nodal.data(), P, 0.5, out->data()); },
                  [=] { dlpgradfieldScalar(m, bp->nodal.data(), P, 0.5, out->data()); },
                  nullptr, 5, 1});
}

// Tiles of a prepared mesh: a 1 x 100 tile of V, K and W on a small and on a
// large circle (the large against the small: a tile costs by its own size),
// and the tile of the whole matrix against the whole-matrix call.
void tileRows(std::vector<Row>& rows) {
  struct Kind {
    const char* module;
    bem2d::TileCall tile;
    bool (*whole)(const bem2d::PreparedMesh&, double, double*, const RunOptions&);
  };
  const Kind kinds[] = {{"slpmatrix", bem2d::slpmatrixTile, bem2d::slpmatrix},
                        {"dlpmatrix", bem2d::dlpmatrixTile, bem2d::dlpmatrix},
                        {"hypmatrix", bem2d::hypmatrixTile, bem2d::hypmatrix}};
  auto small = std::make_shared<Boundary>(1000);
  auto large = std::make_shared<Boundary>(1000000);
  auto out = std::make_shared<std::vector<double>>(100);
  auto rowIndex = std::make_shared<std::vector<std::int64_t>>(1, 500);
  auto colIndex = std::make_shared<std::vector<std::int64_t>>(100);
  for (int k = 0; k < 100; ++k) (*colIndex)[k] = 450 + k;
  for (const Kind& k : kinds) {
    const auto tile = [=](const std::shared_ptr<Boundary>& b) {
      return [=] {
        for (int r = 0; r < 100; ++r) {
          k.tile(b->mesh, 0.5, rowIndex->data(), 1, colIndex->data(), 100, out->data(), 1,
                 RunOptions());
        }
      };
    };
    // ratio = the tile at nE = 10^6 against the same tile at nE = 10^3.
    rows.push_back({k.module, "tile 1 x 100, nE = 10^6 vs 10^3", "tile (x 100 calls)", 0, 100,
                    tile(large), tile(small), nullptr, 5, 5, 1.0 / 3});
  }
  for (int n : {2000, 4000}) {
    auto b = std::make_shared<Boundary>(n);
    auto M = std::make_shared<std::vector<double>>(static_cast<size_t>(n) * n);
    auto all = std::make_shared<std::vector<std::int64_t>>(n);
    for (int k = 0; k < n; ++k) (*all)[k] = k;
    for (const Kind& k : kinds) {
      // ratio = the whole matrix against the tile of all its entries.
      rows.push_back({k.module, "whole tile vs matrix, N = " + std::to_string(n), "matrix entry", 0,
                      static_cast<double>(n) * n,
                      [=] {
                        k.tile(b->mesh, 0.5, all->data(), n, all->data(), n, M->data(), n,
                               RunOptions());
                      },
                      [=] { k.whole(b->mesh, 0.5, M->data(), RunOptions()); }, nullptr, 1, 1,
                      1 / 1.5});
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const char* filter = argc > 1 ? argv[1] : "";
  std::printf("bem2d speed: %d cores, %d threads by default, lanes of %d doubles\n", kCores,
              threadCount(), fieldLanes(0).width);
  std::printf("ns per core = wall time x %d cores / work; previous = the scalar implementation\n"
              "(tiles: previous = the tile at nE = 10^3, or the whole-matrix call; ratio =\n"
              " previous / ns, its goal the least ratio)\n\n",
              kCores);
  std::printf("%-12s %-34s %-22s %9s %9s %7s %6s\n", "module", "case", "per", "ns/core",
              "previous", "ratio", "goal");

  std::vector<Row> rows;
  // Matrices on the circle of N elements.
  for (int n : {2000, 8000}) {
    auto b = std::make_shared<Boundary>(n);
    auto V = std::make_shared<std::vector<double>>(static_cast<size_t>(n) * n);
    const double entries = static_cast<double>(n) * n;
    const int prevRuns = 1, runs = n > 4000 ? 1 : 3;
    const BoundaryMesh* m = &b->mesh.mesh;
    rows.push_back({"slpmatrix", "circle, N = " + std::to_string(n), "matrix entry", 20, entries,
                    [=] { bem2d::slpmatrix(b->mesh, 0.5, V->data()); },
                    [=] { slpmatrixScalar(*m, 0.5, V->data(), RunOptions()); }, nullptr, runs,
                    prevRuns});
    rows.push_back({"hypmatrix", "circle, N = " + std::to_string(n), "ordered element pair", 20,
                    entries, [=] { bem2d::hypmatrix(b->mesh, 0.5, V->data()); },
                    [=] { hypmatrixScalar(*m, 0.5, V->data(), RunOptions()); }, nullptr, runs,
                    prevRuns});
    rows.push_back({"dlpmatrix", "circle, N = " + std::to_string(n), "matrix entry", 0, entries,
                    [=] { bem2d::dlpmatrix(b->mesh, 0.5, V->data()); },
                    [=] { dlpmatrixScalar(*m, V->data()); }, nullptr, runs, n > 4000 ? 0 : 1});
  }
  // Fields of the circle of 2000 elements.
  auto b = std::make_shared<Boundary>(2000);
  fieldRows(rows, b, circlePoints(2000, {0.2, 0.9, 3.0}), "2000 points at radii 0.2, 0.9, 3");
  fieldRows(rows, b, circlePoints(2000, {0.44}), "2000 points at radius 0.44");
  {
    const int n = b->n;
    auto out = std::make_shared<std::vector<double>>(static_cast<size_t>(n));
    const Points on = columnMajor(b->onElement.data(), n), normals = columnMajor(b->normals.data(), n);
    rows.push_back({"hypfield", "one point on each element", "point-element pair", 10,
                    static_cast<double>(n) * n,
                    [=] { bem2d::hypfield(b->mesh, b->nodal.data(), on, normals, 0.5, out->data()); },
                    [=] { hypfieldScalar(b->mesh.mesh, b->nodal.data(), on, normals, 0.5, out->data()); },
                    nullptr, 5, 1});
  }
  // domfield: 2048 triangles of the unit square; 2000 points on the square
  // 2 triangle sizes outside it, and 20000 points inside 8 triangles.
  for (int inside = 0; inside < 2; ++inside) {
    auto v = std::make_shared<std::vector<double>>();
    auto t = std::make_shared<std::vector<double>>();
    const int m = inside ? 2 : 32;
    squareTriangulation(m, 1.0, *v, *t);
    const int nV = (m + 1) * (m + 1), nT = 2 * m * m;
    auto f = std::make_shared<std::vector<double>>(static_cast<size_t>(nT), 1.0);
    const int nx = inside ? 20000 : 2000;
    auto x = std::make_shared<std::vector<double>>(2 * static_cast<size_t>(nx));
    for (int i = 0; i < nx; ++i) {
      double p1, p2;
      if (inside) {
        // Spread over the disc of radius 0.48 inside the square.
        const double r = 0.48 * std::sqrt((i + 0.5) / nx), t = 2.399963 * i;
        p1 = r * std::cos(t);
        p2 = r * std::sin(t);
      } else {
        // On the square of half side 0.5 + 2/m, side by side.
        const double r = 0.5 + 2.0 / m, s = 4.0 * i / nx;
        const int side = static_cast<int>(s);
        const double u = (s - side - 0.5) * 2 * r;
        const double sx[4] = {u, r, -u, -r}, sy[4] = {-r, u, r, -u};
        p1 = sx[side];
        p2 = sy[side];
      }
      (*x)[i] = p1;
      (*x)[i + nx] = p2;
    }
    auto out = std::make_shared<std::vector<double>>(static_cast<size_t>(nx));
    const bem2d::Indices volumes = {t->data(), bem2d::IndexType::Float64, nT, 1, nT, 1};
    auto mesh = std::make_shared<bem2d::PreparedTriangulation>(
        bem2d::Triangulation{columnMajor(v->data(), nV), volumes});
    // X views x, which both calls hold.
    const Points X = columnMajor(x->data(), nx);
    rows.push_back({"domfield",
                    inside ? "20000 points inside 8 triangles" : "2000 points 2 sizes outside 2048",
                    "point-triangle pair", inside ? 150.0 : 40.0, static_cast<double>(nT) * nx,
                    [=] { bem2d::domfield(*mesh, f->data(), X, out->data()); (void)x; },
                    [=] { domfieldScalar(mesh->mesh, f->data(), X, out->data()); (void)x; },
                    nullptr, 5, 1});
  }
  tileRows(rows);
  double slpmatrixNs = 0;
  for (const Row& r : rows) {
    if (std::strstr(r.module, filter) != nullptr || r.name.find(filter) != std::string::npos) {
      const double ns = run(r, slpmatrixNs);
      if (std::strcmp(r.module, "slpmatrix") == 0) slpmatrixNs = ns;
    }
  }
  return 0;
}
