// Every module on one geometry scaled by s = 2^k (exact in binary floating
// point), k from -1000 to 1000 wherever the result is a normal double (|k| <=
// 500 for V and domfield, which scale by s^2), against the scaling laws
// applied to the result at s = 1:
//   out(s) = s^p (out(1) - (log s / (2 pi)) C),
// p the module's power of the scale and C its logarithmic coefficient (V:
// L_i L_j; W: a_p a_q, the integrals of the hats' derivatives, 0 on a closed
// boundary; slpfield: sum chi_j L_j; domfield: sum f_T |T|; 0 elsewhere).
// And the same geometry translated by 1e6 and 1e12, where the results may
// change by the rounding of the translated inputs only.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "polygon_mesh.h"

namespace {

using Long = long double;
const Long kLogTwoOverTwoPi = 0.110317800076325796698228216058998845L;  // log 2 / (2 pi)

// The geometry: a 16-gon of radius 0.5 (closed, and open without its last
// element), its fan of triangles about an inner vertex, points off the
// boundary (inside, outside, 0.01 from an element) and points on elements
// (at 1/3, 1/2, 1/10 and 9/10 of them) with the elements' normals.
const int kN = 16;
const double kOff[2][6] = {{0.1, 0.3, 0.485, 2.0, -0.7, 0.3}, {0.05, -0.1, 0.12, 1.0, 0.2, 0.001}};
const int kOnElement[4] = {0, 3, 7, 12};
const double kOnFraction[4] = {1.0 / 3, 0.5, 0.1, 0.9};

struct Geometry {
  PolygonMesh closed, open;
  std::vector<double> vertices, triangles;  // n + 1 vertices, n triangles, column-major
  std::vector<double> off, on, normals;     // points, column-major
};

// The geometry at s = 2^k, translated by T (the coordinates s c + T in doubles).
Geometry geometry(int k, double T) {
  const double s = std::ldexp(1.0, k);
  Geometry g;
  const PolygonMesh base = polygonMesh(kN, 0.5);
  auto place = [&](double v) { return v * s + T; };
  g.closed = base;
  for (double& v : g.closed.coordinates) v = place(v);
  g.open = g.closed;
  g.open.nE = kN - 1;
  g.open.elements.assign(2 * (kN - 1), 0);
  for (int j = 0; j < kN - 1; ++j) {
    g.open.elements[j] = j + 1;
    g.open.elements[j + kN - 1] = j + 2;
  }
  g.vertices.assign(2 * (kN + 1), 0);
  g.triangles.assign(3 * kN, 0);
  for (int v = 0; v < kN; ++v) {
    g.vertices[v] = g.closed.coordinates[v];
    g.vertices[v + kN + 1] = g.closed.coordinates[v + kN];
    g.triangles[v] = v + 1;
    g.triangles[v + kN] = (v + 1) % kN + 1;
    g.triangles[v + 2 * kN] = kN + 1;
  }
  g.vertices[kN] = place(0.01);
  g.vertices[2 * kN + 1] = place(0.02);
  for (int c = 0; c < 2; ++c) {
    for (int i = 0; i < 6; ++i) g.off.push_back(place(kOff[c][i]));
  }
  g.on.assign(8, 0);
  g.normals.assign(8, 0);
  for (int i = 0; i < 4; ++i) {
    // On the element of the scaled nodes, as a caller would build it.
    const int a = kOnElement[i], b = (a + 1) % kN;
    const double* x = g.closed.coordinates.data();
    for (int c = 0; c < 2; ++c) {
      g.on[i + 4 * c] = x[a + c * kN] + kOnFraction[i] * (x[b + c * kN] - x[a + c * kN]);
    }
    const double L = elementLength(base, a);
    g.normals[i] = (base.coordinates[b + kN] - base.coordinates[a + kN]) / L;
    g.normals[i + 4] = -(base.coordinates[b] - base.coordinates[a]) / L;
  }
  return g;
}

// Densities: chi and phi per element, g per node, f per triangle.
std::vector<double> perElement() {
  std::vector<double> d(kN);
  for (int j = 0; j < kN; ++j) d[j] = 1 + 0.5 * std::cos(j);
  return d;
}
std::vector<double> perNode() {
  std::vector<double> d(kN);
  for (int p = 0; p < kN; ++p) d[p] = 2 + std::cos(0.4 * p) + 0.3 * std::sin(p);
  return d;
}

// One thread: the geometry is small, and a call that starts threads would
// cost more than it computes.
RunOptions oneThread() {
  RunOptions o;
  o.threads = 1;
  return o;
}

struct Module {
  std::string name;
  int power;
  int kmax;
  std::function<std::vector<double>(const Geometry&)> run;
  std::function<std::vector<Long>(const Geometry&)> logCoefficient;  // at s = 1; null: 0
};

bem2d::PreparedTriangulation fan(const Geometry& g) {
  const bem2d::Indices t = {g.triangles.data(), bem2d::IndexType::Float64, kN, 1, kN, 1};
  return bem2d::PreparedTriangulation(
      bem2d::Triangulation{columnMajor(g.vertices.data(), kN + 1), t});
}

Long length(const PolygonMesh& m, int j) {
  const int a = startVertex(m, j), b = endVertex(m, j);
  return std::hypot(static_cast<Long>(m.coordinates[b]) - m.coordinates[a],
                    static_cast<Long>(m.coordinates[b + m.nC]) - m.coordinates[a + m.nC]);
}

std::vector<Module> modules() {
  const std::vector<double> chi = perElement(), gh = perNode();
  std::vector<Module> t;
  t.push_back({"slpmatrix", 2, 500,
               [](const Geometry& g) {
                 std::vector<double> V(kN * kN);
                 EXPECT_TRUE(bem2d::slpmatrix(prepared(g.closed), 0.5, V.data(), oneThread()));
                 return V;
               },
               [](const Geometry& g) {
                 std::vector<Long> c(kN * kN);
                 for (int i = 0; i < kN; ++i) {
                   for (int j = 0; j < kN; ++j) {
                     c[i + j * kN] = length(g.closed, i) * length(g.closed, j);
                   }
                 }
                 return c;
               }});
  t.push_back({"dlpmatrix", 1, 1000,
               [](const Geometry& g) {
                 std::vector<double> K(kN * kN);
                 EXPECT_TRUE(bem2d::dlpmatrix(prepared(g.closed), 0.5, K.data(), oneThread()));
                 return K;
               },
               nullptr});
  t.push_back({"hypmatrix", 0, 1000,
               [](const Geometry& g) {
                 std::vector<double> W(kN * kN);
                 EXPECT_TRUE(bem2d::hypmatrix(prepared(g.closed), 0.5, W.data(), oneThread()));
                 return W;
               },
               nullptr});
  // An open chain: its two ends carry a_p = -1 (first node) and +1 (last).
  t.push_back({"hypmatrix open", 0, 1000,
               [](const Geometry& g) {
                 std::vector<double> W(kN * kN);
                 EXPECT_TRUE(bem2d::hypmatrix(prepared(g.open), 0.5, W.data(), oneThread()));
                 return W;
               },
               [](const Geometry&) {
                 std::vector<Long> c(kN * kN, 0);
                 const int a[2] = {0, kN - 1};
                 const Long sign[2] = {-1, 1};
                 for (int p = 0; p < 2; ++p) {
                   for (int q = 0; q < 2; ++q) c[a[p] + a[q] * kN] = sign[p] * sign[q];
                 }
                 return c;
               }});
  t.push_back({"slpfield", 1, 1000,
               [chi](const Geometry& g) {
                 std::vector<double> out(6);
                 EXPECT_TRUE(bem2d::slpfield(prepared(g.closed), chi.data(),
                                             columnMajor(g.off.data(), 6), 0.5, out.data(),
                                             oneThread()));
                 return out;
               },
               [chi](const Geometry& g) {
                 Long charge = 0;
                 for (int j = 0; j < kN; ++j) charge += chi[j] * length(g.closed, j);
                 return std::vector<Long>(6, charge);
               }});
  t.push_back({"dlpfield", 0, 1000,
               [gh](const Geometry& g) {
                 std::vector<double> out(6);
                 EXPECT_TRUE(bem2d::dlpfield(prepared(g.closed), gh.data(),
                                             columnMajor(g.off.data(), 6), 0.5, out.data(),
                                             oneThread()));
                 return out;
               },
               nullptr});
  t.push_back({"tdlfield", 0, 1000,
               [chi](const Geometry& g) {
                 std::vector<double> out(6), q(12);
                 for (int i = 0; i < 6; ++i) {
                   q[i] = std::cos(i + 0.3);
                   q[i + 6] = std::sin(i + 0.3);
                 }
                 EXPECT_TRUE(bem2d::tdlfield(prepared(g.closed), chi.data(),
                                             columnMajor(g.off.data(), 6), columnMajor(q.data(), 6),
                                             0.5, out.data(), oneThread()));
                 return out;
               },
               nullptr});
  t.push_back({"hypfield", -1, 1000,
               [gh](const Geometry& g) {
                 std::vector<double> out(4);
                 std::vector<unsigned char> status(4, 9);
                 EXPECT_TRUE(bem2d::hypfield(prepared(g.closed), gh.data(),
                                             columnMajor(g.on.data(), 4),
                                             columnMajor(g.normals.data(), 4), 0.5, out.data(),
                                             status.data(), oneThread()));
                 for (unsigned char st : status) EXPECT_EQ(st, 0);
                 return out;
               },
               nullptr});
  t.push_back({"dlpgradfield", -1, 1000,
               [gh](const Geometry& g) {
                 std::vector<double> out(12);
                 EXPECT_TRUE(bem2d::dlpgradfield(prepared(g.closed), gh.data(),
                                                 columnMajor(g.off.data(), 6), 0.5, out.data(),
                                                 nullptr, oneThread()));
                 return out;
               },
               nullptr});
  t.push_back({"domfield", 2, 500,
               [](const Geometry& g) {
                 std::vector<double> f(kN), out(6);
                 for (int j = 0; j < kN; ++j) f[j] = 1 + 0.25 * j;
                 EXPECT_TRUE(bem2d::domfield(fan(g), f.data(), columnMajor(g.off.data(), 6),
                                             out.data(), oneThread()));
                 return out;
               },
               [](const Geometry& g) {
                 Long mass = 0;
                 for (int j = 0; j < kN; ++j) {
                   const int v[3] = {j, (j + 1) % kN, kN};
                   Long x[3], y[3];
                   for (int c = 0; c < 3; ++c) {
                     x[c] = g.vertices[v[c]];
                     y[c] = g.vertices[v[c] + kN + 1];
                   }
                   const Long cross = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
                   mass += (1 + 0.25L * j) * std::fabs(cross) / 2;
                 }
                 return std::vector<Long>(6, mass);
               }});
  return t;
}

// The largest |output| at s = 1: the size to which every output is asked to
// be right.
Long largest(const std::vector<double>& v) {
  Long r = 0;
  for (double x : v) r = std::fmax(r, std::fabs(static_cast<Long>(x)));
  return r;
}

// At every k the result of 2^k times the geometry, taken back by 2^(-p k)
// (exact, a subnormal result rounded once by half its unit 2^-1074, which
// 2^(-p k) scales), lies within 1e-12 of the law's terms of the result at
// s = 1: the kernels' accuracy, relative to the largest output and to the
// logarithmic term, which the result at 2^k carries in every one of its
// terms.
TEST(Scale, EveryModuleFollowsItsScalingLaw) {
  const Geometry unit = geometry(0, 0);
  for (const Module& m : modules()) {
    const std::vector<double> one = m.run(unit);
    const std::vector<Long> C =
        m.logCoefficient ? m.logCoefficient(unit) : std::vector<Long>(one.size(), 0);
    const Long size = largest(one);
    ASSERT_GT(size, 0) << m.name;
    for (int k = -m.kmax; k <= m.kmax; ++k) {
      const std::vector<double> got = m.run(geometry(k, 0));
      const Long logTerm = k * kLogTwoOverTwoPi;
      for (size_t i = 0; i < one.size(); ++i) {
        const Long law = static_cast<Long>(one[i]) - logTerm * C[i];
        const Long back = std::ldexp(static_cast<Long>(got[i]), -m.power * k);
        const Long tol = 1e-12L * (size + std::fabs(logTerm * C[i])) +
                         std::ldexp(static_cast<Long>(DBL_TRUE_MIN), -m.power * k);
        ASSERT_LE(std::fabs(back - law), tol)
            << m.name << " k = " << k << " output " << i << ": " << got[i] << " against "
            << static_cast<double>(std::ldexp(law, m.power * k));
      }
    }
  }
}

// Translated by T, the geometry's coordinates round by up to 2^-53 T, which
// moves a result by at most sum_k |d out / d z_k| 2^-53 T over its (at most
// 40) coordinates z_k, each derivative below size / d with d the smallest
// distance of the geometry (a point 0.01 from an element, a point on an
// element 0.02 from its vertex); the kernels' own roundings of differences
// of coordinates of size T add as much again.
TEST(Scale, TranslationsChangeResultsByTheRoundingOfTheInputs) {
  const Geometry unit = geometry(0, 0);
  const double d = 0.01;
  for (double T : {1e6, 1e12}) {
    const Geometry moved = geometry(0, T);
    for (const Module& m : modules()) {
      const std::vector<double> one = m.run(unit), got = m.run(moved);
      const Long size = largest(one);
      const Long tol = 1e-12L * size + 80 * std::ldexp(T, -53) / d * size;
      for (size_t i = 0; i < one.size(); ++i) {
        EXPECT_LE(std::fabs(static_cast<Long>(got[i]) - one[i]), tol)
            << m.name << " T = " << T << " output " << i << ": " << got[i] << " against " << one[i];
      }
    }
  }
}

// The tiles of a mesh stored at its reference scale equal the whole matrix
// bit for bit, the law applied alike.
TEST(Scale, TilesOfAScaledMeshEqualTheWholeMatrix) {
  const std::vector<std::int64_t> rows = {14, 2, 7, 2, 0}, cols = {3, 14, 8, 0};
  for (int k : {-600, 600}) {
    const Geometry g = geometry(k, 0);
    for (const PolygonMesh* m : {&g.closed, &g.open}) {
      const bem2d::PreparedMesh mesh = prepared(*m);
      const int nE = m->nE, nC = m->nC;
      struct Kind {
        bool (*whole)(const bem2d::PreparedMesh&, double, double*, const RunOptions&);
        bem2d::TileCall tile;
        int rows;
      };
      const Kind kinds[] = {{bem2d::slpmatrix, bem2d::slpmatrixTile, nE},
                            {bem2d::dlpmatrix, bem2d::dlpmatrixTile, nE},
                            {bem2d::hypmatrix, bem2d::hypmatrixTile, nC}};
      for (const Kind& kind : kinds) {
        std::vector<double> M(static_cast<size_t>(kind.rows) * nC, 0);
        std::vector<double> tile(rows.size() * cols.size());
        ASSERT_TRUE(kind.whole(mesh, 0.5, M.data(), RunOptions()));
        ASSERT_TRUE(kind.tile(mesh, 0.5, rows.data(), rows.size(), cols.data(), cols.size(),
                              tile.data(), static_cast<std::ptrdiff_t>(rows.size()), RunOptions()));
        for (size_t b = 0; b < cols.size(); ++b) {
          for (size_t a = 0; a < rows.size(); ++a) {
            EXPECT_EQ(tile[a + b * rows.size()], M[rows[a] + cols[b] * kind.rows]) << k;
          }
        }
      }
    }
  }
}

}  // namespace
