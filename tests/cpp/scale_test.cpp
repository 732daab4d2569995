// Every module on one geometry scaled by s = 2^k (exact in binary floating
// point), k from -1000 to 1000 wherever the result is a normal double (|k| <=
// 500 for V and domfield, which scale by s^2), against the scaling laws
// applied to the result at s = 1: out(s) = s^p (out(1) - (log s / (2 pi)) C),
// C = L_i L_j for V, a_p a_q (the integrals of the hats' derivatives) for W,
// sum chi_j L_j for slpfield, sum f_T |T| for domfield, else 0. And the
// geometry translated by 1e6 and 1e12, where results may change by the
// rounding of the translated inputs only.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <vector>

#include "polygon_mesh.h"

namespace {

using Long = long double;
const int kN = 16;

// Every module's outputs at 2^k times the geometry (a 16-gon of radius 0.5,
// closed and open without its last element, its fan of triangles about
// (0.01, 0.02), points inside, outside and 0.01 from an element, points on
// elements), translated by T; with each output's power p, coefficient C at
// s = 1, largest |k| and module.
struct Outputs {
  std::vector<double> v;
  std::vector<int> power, kmax, module;
  std::vector<Long> C;
  void add(const std::vector<double>& out, int p, int km, const std::vector<Long>& c = {}) {
    const int m = module.empty() ? 0 : module.back() + 1;
    for (size_t i = 0; i < out.size(); ++i) {
      v.push_back(out[i]);
      power.push_back(p);
      kmax.push_back(km);
      module.push_back(m);
      C.push_back(c.empty() ? 0 : c[i]);
    }
  }
  // The size to which each module is asked to be right: its largest output.
  std::vector<Long> sizes() const {
    std::vector<Long> r(module.back() + 1, 0);
    for (size_t i = 0; i < v.size(); ++i) {
      r[module[i]] = std::fmax(r[module[i]], std::fabs(Long(v[i])));
    }
    return r;
  }
};

Outputs outputs(int k, double T) {
  const double s = std::ldexp(1.0, k);
  RunOptions one;
  one.threads = 1;  // a call on so small a geometry costs less than a thread
  PolygonMesh closed = polygonMesh(kN, 0.5), open = closed;
  const PolygonMesh unit = closed;
  for (double& c : closed.coordinates) c = c * s + T;
  open = closed;
  open.nE = kN - 1;
  open.elements.clear();
  for (int c = 0; c < 2; ++c) {
    for (int j = 0; j < kN - 1; ++j) open.elements.push_back(j + 1 + c);
  }
  const bem2d::PreparedMesh mesh = prepared(closed);
  std::vector<double> x = {0.1, 0.3, 0.485, 2.0, -0.7, 0.3, 0.05, -0.1, 0.12, 1.0, 0.2, 0.001};
  for (double& c : x) c = c * s + T;
  std::vector<double> on(8), normals(8), chi(kN), gh(kN), q(12), f(kN), vertices(2 * kN + 2),
      triangles(3 * kN);
  const int host[4] = {0, 3, 7, 12};
  const double at[4] = {1.0 / 3, 0.5, 0.1, 0.9};
  Long charge = 0, mass = 0;
  for (int j = 0; j < kN; ++j) {
    chi[j] = 1 + 0.5 * std::cos(j);
    gh[j] = 2 + std::cos(0.4 * j) + 0.3 * std::sin(j);
    f[j] = 1 + 0.25 * j;
    charge += chi[j] * elementLength(unit, j);
    vertices[j] = closed.coordinates[j];
    vertices[j + kN + 1] = closed.coordinates[j + kN];
    const double tri[3] = {j + 1.0, (j + 1) % kN + 1.0, kN + 1.0};
    for (int c = 0; c < 3; ++c) triangles[j + c * kN] = tri[c];
    const double* u = unit.coordinates.data();
    const int b = (j + 1) % kN;
    mass += f[j] *
            std::fabs((u[j] - 0.01) * (u[b + kN] - 0.02) - (u[j + kN] - 0.02) * (u[b] - 0.01)) / 2;
  }
  vertices[kN] = 0.01 * s + T;
  vertices[2 * kN + 1] = 0.02 * s + T;
  std::fill(q.begin(), q.begin() + 6, 0.6);
  std::fill(q.begin() + 6, q.end(), 0.8);
  for (int i = 0; i < 4; ++i) {
    const int a = host[i], b = (a + 1) % kN;
    const double* c = closed.coordinates.data();
    on[i] = c[a] + at[i] * (c[b] - c[a]);
    on[i + 4] = c[a + kN] + at[i] * (c[b + kN] - c[a + kN]);
    const double L = elementLength(unit, a);
    normals[i] = (unit.coordinates[b + kN] - unit.coordinates[a + kN]) / L;
    normals[i + 4] = -(unit.coordinates[b] - unit.coordinates[a]) / L;
  }
  const Points X = columnMajor(x.data(), 6), Q = columnMajor(q.data(), 6);
  Outputs o;
  std::vector<double> M(kN * kN), out(12);
  std::vector<Long> C(kN * kN, 0);
  EXPECT_TRUE(bem2d::slpmatrix(mesh, 0.5, M.data(), one));
  for (int i = 0; i < kN * kN; ++i)
    C[i] = elementLength(unit, i % kN) * elementLength(unit, i / kN);
  o.add(M, 2, 500, C);
  EXPECT_TRUE(bem2d::dlpmatrix(mesh, 0.5, M.data(), one));
  o.add(M, 1, 1000);
  EXPECT_TRUE(bem2d::hypmatrix(mesh, 0.5, M.data(), one));
  o.add(M, 0, 1000);
  // The open chain's ends carry a_p = -1 (first node) and +1 (last); its
  // tile applies the law's logarithmic term as the whole matrix does.
  const bem2d::PreparedMesh chain = prepared(open);
  EXPECT_TRUE(bem2d::hypmatrix(chain, 0.5, M.data(), one));
  const std::int64_t ends[2] = {kN - 1, 0};
  double corner[4];
  EXPECT_TRUE(bem2d::hypmatrixTile(chain, 0.5, ends, 2, ends, 2, corner, 2, one));
  for (int b = 0; b < 4; ++b) EXPECT_EQ(corner[b], M[ends[b % 2] + kN * ends[b / 2]]);
  std::fill(C.begin(), C.end(), 0);
  C[0] = C[kN * kN - 1] = 1;
  C[kN - 1] = C[(kN - 1) * kN] = -1;
  o.add(M, 0, 1000, C);
  EXPECT_TRUE(bem2d::slpfield(mesh, chi.data(), X, 0.5, out.data(), one));
  o.add({out.begin(), out.begin() + 6}, 1, 1000, std::vector<Long>(6, charge));
  EXPECT_TRUE(bem2d::dlpfield(mesh, gh.data(), X, 0.5, out.data(), one));
  o.add({out.begin(), out.begin() + 6}, 0, 1000);
  EXPECT_TRUE(bem2d::tdlfield(mesh, chi.data(), X, Q, 0.5, out.data(), one));
  o.add({out.begin(), out.begin() + 6}, 0, 1000);
  EXPECT_TRUE(bem2d::dlpgradfield(mesh, gh.data(), X, 0.5, out.data(), nullptr, one));
  o.add(out, -1, 1000);
  std::vector<unsigned char> status(4, 9);
  EXPECT_TRUE(bem2d::hypfield(mesh, gh.data(), columnMajor(on.data(), 4),
                              columnMajor(normals.data(), 4), 0.5, out.data(), status.data(), one));
  EXPECT_EQ(status, std::vector<unsigned char>(4, 0)) << k;
  o.add({out.begin(), out.begin() + 4}, -1, 1000);
  const bem2d::Indices t = {triangles.data(), bem2d::IndexType::Float64, kN, 1, kN, 1};
  const bem2d::PreparedTriangulation fan(
      bem2d::Triangulation{columnMajor(vertices.data(), kN + 1), t});
  EXPECT_TRUE(bem2d::domfield(fan, f.data(), X, out.data(), one));
  o.add({out.begin(), out.begin() + 6}, 2, 500, std::vector<Long>(6, mass));
  // A tile of each matrix equals the whole matrix, the law applied alike.
  const std::int64_t rows[3] = {14, 2, 0}, cols[2] = {3, 15};
  const bem2d::TileCall tiles[3] = {bem2d::slpmatrixTile, bem2d::dlpmatrixTile,
                                    bem2d::hypmatrixTile};
  for (int m = 0; m < 3; ++m) {
    double tile[6];
    EXPECT_TRUE(tiles[m](mesh, 0.5, rows, 3, cols, 2, tile, 3, one));
    for (int b = 0; b < 6; ++b)
      EXPECT_EQ(tile[b], o.v[m * kN * kN + rows[b % 3] + kN * cols[b / 3]]);
  }
  return o;
}

// At 2^k the result, taken back by 2^(-p k) (exact; a subnormal one rounds
// by up to 2^-1074, which 2^(-p k) scales), lies within 1e-12 of the law's
// terms at s = 1 (the largest output of the module and the logarithmic term,
// which the result at 2^k carries in each of its terms): the kernels' accuracy.
TEST(Scale, EveryModuleFollowsItsScalingLaw) {
  const Outputs one = outputs(0, 0);
  const std::vector<Long> size = one.sizes();
  for (int k = -1000; k <= 1000; ++k) {
    const Outputs got = outputs(k, 0);
    for (size_t i = 0; i < one.v.size(); ++i) {
      if (std::abs(k) > one.kmax[i]) continue;
      const Long logTerm = k * 0.110317800076325796698228216058998845L;  // log(2^k) / (2 pi)
      const Long law = one.v[i] - logTerm * one.C[i];
      const Long back = std::ldexp(Long(got.v[i]), -one.power[i] * k);
      const Long tol = 1e-12L * (size[one.module[i]] + std::fabs(logTerm * one.C[i])) +
                       std::ldexp(Long(DBL_TRUE_MIN), -one.power[i] * k);
      ASSERT_LE(std::fabs(back - law), tol) << "k = " << k << ", output " << i;
    }
  }
}

// Translated by T the coordinates round by up to 2^-53 T, which moves a result
// by at most sum_k |d out / d z_k| 2^-53 T over its (at most 40) coordinates,
// each derivative below size / d, d = 0.01 the smallest distance of the
// geometry; the kernels' roundings of differences of such coordinates add as
// much again.
TEST(Scale, TranslationsChangeResultsByTheRoundingOfTheInputs) {
  const Outputs one = outputs(0, 0);
  const std::vector<Long> size = one.sizes();
  for (double T : {1e6, 1e12}) {
    const Outputs got = outputs(0, T);
    for (size_t i = 0; i < one.v.size(); ++i) {
      const Long tol = (1e-12L + 80 * std::ldexp(T, -53) / 0.01) * size[one.module[i]];
      EXPECT_LE(std::fabs(Long(got.v[i]) - one.v[i]), tol) << "T = " << T << ", output " << i;
    }
  }
}

}  // namespace
