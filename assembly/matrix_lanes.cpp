#include "matrix_arrays.h"

#include "lane_width.h"
#include "segment.h"

extern const MatrixLanes kMatrixLanes1;
#if defined(BEM2D_HAVE_SLEEF)
extern const MatrixLanes kMatrixLanes4;
extern const MatrixLanes kMatrixLanes8;
#endif

const MatrixLanes& matrixLanes(int width) {
#if defined(BEM2D_HAVE_SLEEF)
  switch (laneWidth(width)) {
    case 8:
      return kMatrixLanes8;
    case 4:
      return kMatrixLanes4;
  }
#else
  (void)width;
#endif
  return kMatrixLanes1;
}

MatrixArrays matrixArrays(int nC, int nE, const double* coordinates, const double* elements) {
  MatrixArrays a;
  a.count = nE;
  const size_t n = static_cast<size_t>(matrixPadded(nE));
  for (std::vector<double>* v : {&a.mx, &a.my, &a.hx, &a.hy, &a.L, &a.nx, &a.ny, &a.regular,
                                 &a.reach}) {
    v->assign(n, 0.0);
  }
  const std::vector<Segment> segments = meshSegments(nC, nE, coordinates, elements);
  for (size_t j = 0; j < segments.size(); ++j) {
    const Segment& s = segments[j];
    a.mx[j] = (s.A[0] + s.B[0]) * 0.5;
    a.my[j] = (s.A[1] + s.B[1]) * 0.5;
    a.hx[j] = (s.B[0] - s.A[0]) * 0.5;
    a.hy[j] = (s.B[1] - s.A[1]) * 0.5;
    a.L[j] = s.L;
    a.nx[j] = s.n[0];
    a.ny[j] = s.n[1];
  }
  return a;
}
