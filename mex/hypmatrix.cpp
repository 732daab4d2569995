// W = hypmatrix(coordinates, elements[, eta])
#include "gateway.h"

extern "C" BEM2D_EXPORT void mexFunction(int nlhs, mxArray* plhs[], int nrhs,
                                         const mxArray* prhs[]) {
  const Module module = {"hypmatrix", mexFunctionName()};
  const char* name = module.name;
  double eta = 0.5;
  // Without an output the result goes to ans (slot 1 exists then too).
  if (nlhs > 1) {
    reportError(module, kHypmatrixOutputCount, name, name);
    return;
  }
  if (nrhs == 3) {
    if (!checkEtaClass(module, prhs[2])) return;
    eta = scalarOrDefault(prhs[2], 0.5);
  } else if (nrhs != 2) {
    reportError(module, kHypmatrixInputCount, name, name);
    return;
  }
  // eta is not validated: a negative eta sends every pair to the 16-point
  // rule, a NaN eta every pair to the closed form.

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
