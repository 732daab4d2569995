// Accuracy of every kernel against independent references: the 40-digit values
// of tests/accuracy/references.txt, written by tests/accuracy/gen_references.py
// (which states the definitions and how each reference, scale and sensitivity
// is computed). Every case runs through its module's kernel at every lane
// width of the build that this CPU runs, forced through RunOptions::lanes
// (cases of a module without an adapter yet are skipped); per module and
// regime one table row gives the number of outputs, the worst error relative
// to the scale and, per width, the worst error relative to the tolerance, and
// one expectation per width checks that every output is within its tolerance.
//
// With eta = 0.5 (the modules' default) every output is checked. With eta = 0
// every pair is integrated in closed form; far from an element the closed
// forms are not meant to be used, so only outputs whose point (or pair) lies
// within 4 element lengths of everything involved are checked there, where the
// closed forms are used for the default eta as well.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bem2d.h"
#include "lane_widths.h"

namespace {

// Tolerance of one output: max(1e-12 scale, 8 sens). The scale is the integral
// of the absolute value of the integrand (|W| for far entries of hypmatrix,
// which must be relatively exact), so 1e-12 of it is the accuracy asked of
// the kernels wherever the inputs determine the result that well. sens is the
// first-order change of the exact result when every input coordinate is
// rounded once; a kernel rounds differences of coordinates and the point's
// position on the element a few times more, so a small multiple of sens is the
// best any double-precision evaluation can promise.
double tolerance(double scale, double sens) { return std::max(1e-12 * scale, 8 * sens); }

struct Output {
  std::size_t index;  // position in the kernel's column-major output
  double ref, scale, sens;
  bool near;  // within 4 element lengths of every element involved
};

// One line of the reference file: arrays by name, rows stored one after the
// other (coords: x y per node; cells: vertex numbers per element or triangle;
// dens; points: x y; dirs: x y per point), and the outputs to compare.
struct Case {
  std::string module, group;
  int line = 0;
  std::map<std::string, std::vector<double>> arrays;
  std::vector<Output> outputs;

  const std::vector<double>& operator[](const std::string& name) const {
    static const std::vector<double> none;
    const auto it = arrays.find(name);
    return it == arrays.end() ? none : it->second;
  }
};

std::vector<Case> readReferences(const char* path) {
  std::ifstream in(path);
  std::vector<Case> cases;
  std::string text;
  for (int line = 1; std::getline(in, text); ++line) {
    if (text.empty() || text[0] == '#') continue;
    std::istringstream words(text);
    Case c;
    c.line = line;
    words >> c.module >> c.group;
    std::string name;
    std::size_t count;
    while (words >> name >> count) {
      std::vector<double> values(count);
      for (double& v : values) words >> v;  // operator>> reads repr() back exactly
      if (name != "out") {
        c.arrays[name] = values;
        continue;
      }
      for (std::size_t k = 0; k + 5 <= count; k += 5) {
        c.outputs.push_back({static_cast<std::size_t>(values[k]), values[k + 1], values[k + 2],
                             values[k + 3], values[k + 4] != 0});
      }
    }
    cases.push_back(c);
  }
  return cases;
}

const std::vector<Case>& references() {
  static const std::vector<Case> cases = readReferences(BEM2D_ACCURACY_REFERENCES);
  return cases;
}

// Row-wise array of `width` columns in the host's column-major layout.
std::vector<double> columns(const std::vector<double>& rows, std::size_t width) {
  const std::size_t n = rows.size() / width;
  std::vector<double> out(rows.size());
  for (std::size_t r = 0; r < n; ++r) {
    for (std::size_t k = 0; k < width; ++k) out[r + k * n] = rows[r * width + k];
  }
  return out;
}

// A case's mesh (cells counting nodes from 1), prepared by the library.
struct Mesh {
  int nC, nCells;
  std::vector<double> coordinates, cells;
  bem2d::PreparedMesh boundary;
  bem2d::PreparedTriangulation triangles;
  Mesh(const Case& c, std::size_t cellWidth)
      : nC(static_cast<int>(c["coords"].size() / 2)),
        nCells(static_cast<int>(c["cells"].size() / cellWidth)),
        coordinates(columns(c["coords"], 2)),
        cells(columns(c["cells"], cellWidth)) {
    const Points nodes = columnMajor(coordinates.data(), nC);
    const bem2d::Indices numbers = {cells.data(), bem2d::IndexType::Float64, nCells, 1, nCells, 1};
    if (cellWidth == 2) {
      boundary = bem2d::PreparedMesh(bem2d::Mesh{nodes, numbers});
    } else {
      triangles = bem2d::PreparedTriangulation(bem2d::Triangulation{nodes, numbers});
    }
  }
};

int pointCount(const Case& c) { return static_cast<int>(c["points"].size() / 2); }

// ---- one adapter per module: the only place that knows a module's signature --

std::vector<double> slpfield(const Case& c, double eta, const RunOptions& options) {
  const Mesh m(c, 2);
  const std::vector<double> z = columns(c["points"], 2);
  std::vector<double> out(pointCount(c));
  bem2d::slpfield(m.boundary, c["dens"].data(), columnMajor(z.data(), pointCount(c)), eta,
                  out.data(), options);
  return out;
}

std::vector<double> dlpfield(const Case& c, double eta, const RunOptions& options) {
  const Mesh m(c, 2);
  const std::vector<double> x = columns(c["points"], 2);
  std::vector<double> out(pointCount(c));
  bem2d::dlpfield(m.boundary, c["dens"].data(), columnMajor(x.data(), pointCount(c)), eta,
                  out.data(), options);
  return out;
}

std::vector<double> tdlfield(const Case& c, double eta, const RunOptions& options) {
  const Mesh m(c, 2);
  const std::vector<double> x = columns(c["points"], 2), q = columns(c["dirs"], 2);
  std::vector<double> out(pointCount(c));
  bem2d::tdlfield(m.boundary, c["dens"].data(), columnMajor(x.data(), pointCount(c)),
                  columnMajor(q.data(), pointCount(c)), eta, out.data(), options);
  return out;
}

std::vector<double> hypfield(const Case& c, double eta, const RunOptions& options) {
  const Mesh m(c, 2);
  const std::vector<double> x = columns(c["points"], 2), q = columns(c["dirs"], 2);
  std::vector<double> out(pointCount(c));
  bem2d::hypfield(m.boundary, c["dens"].data(), columnMajor(x.data(), pointCount(c)),
                  columnMajor(q.data(), pointCount(c)), eta, out.data(), nullptr, options);
  return out;
}

// domfield has no eta: every triangle is treated alike.
std::vector<double> domfield(const Case& c, double, const RunOptions& options) {
  const Mesh m(c, 3);
  const std::vector<double> x = columns(c["points"], 2);
  std::vector<double> out(pointCount(c));
  bem2d::domfield(m.triangles, c["dens"].data(), columnMajor(x.data(), pointCount(c)),
                  out.data(), options);
  return out;
}

std::vector<double> slpmatrix(const Case& c, double eta, const RunOptions& options) {
  const Mesh m(c, 2);
  std::vector<double> out(static_cast<std::size_t>(m.nCells) * m.nCells);
  bem2d::slpmatrix(m.boundary, eta, out.data(), options);
  return out;
}

std::vector<double> hypmatrix(const Case& c, double eta, const RunOptions& options) {
  const Mesh m(c, 2);
  std::vector<double> out(static_cast<std::size_t>(m.nC) * m.nC);
  bem2d::hypmatrix(m.boundary, eta, out.data(), options);
  return out;
}

std::vector<double> dlpmatrix(const Case& c, double eta, const RunOptions& options) {
  const Mesh m(c, 2);
  std::vector<double> out(static_cast<std::size_t>(m.nCells) * m.nC);
  bem2d::dlpmatrix(m.boundary, eta, out.data(), options);
  return out;
}

std::vector<double> dlpgradfield(const Case& c, double eta, const RunOptions& options) {
  const Mesh m(c, 2);
  const std::vector<double> x = columns(c["points"], 2);
  std::vector<double> out(2 * static_cast<std::size_t>(pointCount(c)));
  bem2d::dlpgradfield(m.boundary, c["dens"].data(), columnMajor(x.data(), pointCount(c)), eta,
                      out.data(), nullptr, options);
  return out;
}

using Adapter = std::vector<double> (*)(const Case&, double, const RunOptions&);

Adapter adapterOf(const std::string& module) {
  static const std::map<std::string, Adapter> table = {
      {"slpfield", slpfield},  {"dlpfield", dlpfield}, {"tdlfield", tdlfield},
      {"hypfield", hypfield},  {"domfield", domfield}, {"slpmatrix", slpmatrix},
      {"hypmatrix", hypmatrix}, {"dlpmatrix", dlpmatrix}, {"dlpgradfield", dlpgradfield}};
  const auto it = table.find(module);
  return it == table.end() ? nullptr : it->second;
}

// ---- comparison ----------------------------------------------------------------

// err / bound with 0 / 0 = 0 and a NaN error counted as infinitely wrong.
double ratio(double err, double bound) {
  if (err == 0) return 0;
  if (std::isnan(err)) return std::numeric_limits<double>::infinity();
  return err / bound;
}

std::string describe(const Case& c, const Output& o, double got) {
  std::ostringstream s;
  s.precision(17);
  s << "line " << c.line << " of the references, output " << o.index << ": got " << got
    << ", reference " << o.ref << ", tolerance " << tolerance(o.scale, o.sens) << "; inputs:";
  for (const auto& [name, values] : c.arrays) {
    if (name == "points" || name == "dirs") {
      // Output i + k nx belongs to point i (dlpgradfield has two per point).
      const std::size_t p = o.index % (values.size() / 2);
      s << " " << name << "[" << p << "] = (" << values[2 * p] << ", " << values[2 * p + 1] << ")";
      continue;
    }
    s << " " << name << " = [";
    for (std::size_t k = 0; k < values.size(); ++k) s << (k ? " " : "") << values[k];
    s << "]";
  }
  return s.str();
}

struct GroupStats {
  std::string module, group;
  int outputs = 0, checked = 0;
  double worstScaled = 0, worstChecked = 0;
  std::string worstCase;  // the checked output with the largest error/tolerance
};

// Runs every case with the given eta at the given lane width; the outputs
// counted as checked are all of them, or with nearOnly those marked near.
std::vector<GroupStats> compare(double eta, bool nearOnly, int lanes) {
  RunOptions options;
  options.lanes = lanes;
  std::vector<GroupStats> groups;
  std::map<std::string, std::size_t> slot;
  for (const Case& c : references()) {
    // The references may run ahead of the kernels: a module's cases count
    // once its adapter exists, until then they are skipped.
    const Adapter run = adapterOf(c.module);
    if (run == nullptr) continue;
    const std::string key = c.module + " " + c.group;
    if (slot.count(key) == 0) {
      slot[key] = groups.size();
      groups.emplace_back();
      groups.back().module = c.module;
      groups.back().group = c.group;
    }
    GroupStats& g = groups[slot[key]];
    const std::vector<double> out = run(c, eta, options);
    for (const Output& o : c.outputs) {
      const double got = out[o.index];
      const double err = std::fabs(got - o.ref);
      const double r = ratio(err, tolerance(o.scale, o.sens));
      ++g.outputs;
      g.worstScaled = std::max(g.worstScaled, ratio(err, o.scale));
      if (nearOnly && !o.near) continue;
      ++g.checked;
      if (r > g.worstChecked || g.worstCase.empty()) {
        g.worstChecked = std::max(g.worstChecked, r);
        g.worstCase = describe(c, o, got);
      }
    }
  }
  return groups;
}

// Runs every case at every lane width the tests force (lane_widths.h) and
// prints one table: per module and regime the outputs, the worst error
// relative to the scale, and the worst checked error relative to the
// tolerance at each width.
void expectWithinTolerance(double eta, bool nearOnly) {
  ASSERT_FALSE(references().empty()) << "no references read from " << BEM2D_ACCURACY_REFERENCES;
  const std::vector<int>& widths = laneWidths();
  std::vector<std::vector<GroupStats>> runs;
  for (int w : widths) runs.push_back(compare(eta, nearOnly, w));
  std::printf("\naccuracy with eta = %g%s\n", eta,
              nearOnly ? " (checked: outputs within 4 element lengths)" : "");
  std::printf("%-12s %-22s %7s %7s %10s", "module", "regime", "outputs", "checked", "err/scale");
  for (int w : widths) std::printf("  err/tol@%d", w);
  std::printf("\n");
  for (std::size_t g = 0; g < runs[0].size(); ++g) {
    const GroupStats& first = runs[0][g];
    double scaled = 0;
    for (const auto& run : runs) scaled = std::max(scaled, run[g].worstScaled);
    std::printf("%-12s %-22s %7d %7d %10.2g", first.module.c_str(), first.group.c_str(),
                first.outputs, first.checked, scaled);
    for (const auto& run : runs) std::printf(" %11.2g", run[g].worstChecked);
    std::printf("\n");
  }
  std::fflush(stdout);
  for (std::size_t k = 0; k < widths.size(); ++k) {
    for (const GroupStats& g : runs[k]) {
      EXPECT_LE(g.worstChecked, 1.0)
          << g.module << " " << g.group << " with eta = " << eta << ", lanes " << widths[k]
          << ", worst output: " << g.worstCase;
    }
  }
}

// The default eta, and eta = 0 (every pair in closed form) near the
// elements, at every lane width.
TEST(Accuracy, EveryOutputWithinToleranceAtDefaultEta) { expectWithinTolerance(0.5, false); }

TEST(Accuracy, ClosedFormsWithinToleranceNearTheElements) { expectWithinTolerance(0, true); }

}  // namespace
