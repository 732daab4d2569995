#include "field_arrays.h"

#include <cmath>
#include <limits>

#include "padding.h"
#include "lane_width.h"

// The tables of the lane units; those of widths 4 and 8 exist only in a build
// with the vector lanes.
extern const FieldLanes kFieldLanes1, kFieldLanes4, kFieldLanes8;

const FieldLanes& fieldLanes(int width) {
#if defined(BEM2D_HAVE_SLEEF)
  return laneTable(width, kFieldLanes1, &kFieldLanes4, &kFieldLanes8);
#else
  return laneTable<FieldLanes>(width, kFieldLanes1, nullptr, nullptr);
#endif
}

FieldArrays constantDensity(const BoundaryMesh& mesh, const double* values, double sizeFactor,
                            double eta) {
  const size_t padded = static_cast<size_t>(paddedCount(mesh.elementCount));
  FieldArrays a;
  a.d0.assign(padded, 0.0);
  a.d1.assign(padded, 0.0);
  a.seriesFrom2.assign(padded, 0.0);
  for (std::ptrdiff_t j = 0; j < mesh.elementCount; ++j) {
    a.d0[j] = values[j];
    a.seriesFrom2[j] = seriesFrom2(mesh.length[j], mesh.length[j] * sizeFactor, eta);
  }
  return a;
}

FieldArrays linearDensity(const BoundaryMesh& mesh, const double* gh, double eta) {
  const size_t padded = static_cast<size_t>(paddedCount(mesh.elementCount));
  FieldArrays a;
  a.d0.assign(padded, 0.0);
  a.d1.assign(padded, 0.0);
  a.seriesFrom2.assign(padded, 0.0);
  a.gA.resize(static_cast<size_t>(mesh.elementCount));
  a.gB.resize(static_cast<size_t>(mesh.elementCount));
  for (std::ptrdiff_t j = 0; j < mesh.elementCount; ++j) {
    a.gA[j] = gh[mesh.start[j]];
    a.gB[j] = gh[mesh.end[j]];
    a.d0[j] = (a.gA[j] + a.gB[j]) * 0.5;
    a.d1[j] = (a.gB[j] - a.gA[j]) * 0.5;
    a.seriesFrom2[j] = seriesFrom2(mesh.length[j], mesh.length[j], eta);
  }
  return a;
}

FieldElements fieldElements(const BoundaryMesh& mesh, const FieldArrays& a) {
  return {mesh.elementCount, mesh.mx.data(), mesh.my.data(), mesh.hx.data(), mesh.hy.data(),
          mesh.length.data(), a.d0.data(), a.d1.data(), a.seriesFrom2.data()};
}

double seriesFrom2(double L, double size, double eta) {
  if (!(eta > 0) || !(L > 0)) return std::numeric_limits<double>::infinity();
  // A margin of a few rounding units: |w|^2 is formed differently from the
  // distance that the admissibility rule compares.
  const double reach = std::fmax(size / eta + 0.5 * L, 2 * L) * (1 + 1e-14);
  return reach * reach;
}
