// V = slpmatrix(coordinates, elements[, eta])
#include "gateway.h"

extern "C" BEM2D_EXPORT void mexFunction(int nlhs, mxArray* plhs[], int nrhs,
                                         const mxArray* prhs[]) {
  const Module module = {"slpmatrix", mexFunctionName()};
  const char* name = module.name;
  double eta = 0.5;
  // Without an output the result goes to ans (slot 1 exists then too).
  if (nlhs > 1) {
    reportError(module, kSlpmatrixOutputCount, name, name);
    return;
  }
  if (nrhs == 3) {
    if (!checkEtaClass(module, prhs[2])) return;
    eta = scalarOrDefault(prhs[2], 0.5);
  } else if (nrhs != 2) {
    reportError(module, kSlpmatrixInputCount, nrhs, name, name);
    return;
  }
  if (!checkEtaNotNegative(module, eta)) return;

  const mxArray* coordinates = prhs[0];
  const mxArray* elements = prhs[1];
  bem2d::PreparedMesh mesh;
  if (!checkBoundaryMesh(module, coordinates, elements, &mesh)) return;
  const int nE = rowCount(elements);

  mxArray* result = newMatrix(nE, nE);
  double* out = mxGetPr(result);
  runKernel(module, result, &plhs[0], [&](const RunOptions& options) {
    // The kernel writes every entry, but its first column also writes its
    // mirror row across the whole matrix: the pages are mapped here first,
    // in chunks between which Ctrl-C is heard (zeroFill).
    return zeroFill(out, static_cast<std::int64_t>(nE) * nE, options) &&
           bem2d::slpmatrix(mesh, eta, out, options);
  });
}
