// W = hypmatrix(coordinates, elements[, eta])
#include "gateway.h"

extern "C" BEM2D_EXPORT void mexFunction(int nlhs, mxArray* plhs[], int nrhs,
                                         const mxArray* prhs[]) {
  const Module module = {"hypmatrix", mexFunctionName()};
  const char* name = module.name;
  // eta is not validated: a negative eta sends every pair to the 16-point
  // rule, a NaN eta every pair to the closed form.
  double eta;
  if (!readCallShape(
          module, nlhs, nrhs, prhs, 2, false, &eta,
          [&] { reportError(module, kHypmatrixOutputCount, name, name); },
          [&] { reportError(module, kHypmatrixInputCount, name, name); })) {
    return;
  }

  const mxArray* coordinates = prhs[0];
  const mxArray* elements = prhs[1];
  bem2d::PreparedMesh mesh;
  if (!checkBoundaryMesh(module, coordinates, elements, &mesh)) return;
  const int nC = rowCount(coordinates);

  mxArray* result = newMatrix(nC, nC);
  double* out = mxGetPr(result);
  runKernel(module, result, &plhs[0], [&](const RunOptions& options) {
    // The kernel zeroes W first, in chunks between polls for Ctrl-C.
    return bem2d::hypmatrix(mesh, eta, out, options);
  });
}
