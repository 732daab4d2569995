#include "matrix_pairs.h"

#include "lane_width.h"

// The tables of the lane units; those of widths 4 and 8 exist only in a build
// with the vector lanes.
extern const MatrixLanes kMatrixLanes1, kMatrixLanes4, kMatrixLanes8;

const MatrixLanes& matrixLanes(int width) {
#if defined(BEM2D_HAVE_SLEEF)
  return laneTable(width, kMatrixLanes1, &kMatrixLanes4, &kMatrixLanes8);
#else
  return laneTable<MatrixLanes>(width, kMatrixLanes1, nullptr, nullptr);
#endif
}

MatrixElements matrixElements(const BoundaryMesh& mesh) {
  return {mesh.elementCount, mesh.mx.data(),     mesh.my.data(),
          mesh.hx.data(),    mesh.hy.data(),     mesh.length.data(),
          mesh.nx.data(),    mesh.ny.data(),     mesh.regularElement.data(),
          mesh.supportReach.data()};
}
