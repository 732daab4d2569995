// Vphi_x = tdlfield(coordinates, elements, gh, x, n_x[, eta])
#include "gateway.h"

extern "C" BEM2D_EXPORT void mexFunction(int /*nlhs*/, mxArray* plhs[], int nrhs,
                                         const mxArray* prhs[]) {
  // The output count is not checked: the result always goes to slot 1, which
  // the host provides even when no output is requested.
  const Module module = {"tdlfield", mexFunctionName()};
  double eta = 0.5;
  if (nrhs == 6) {
    if (!checkEtaClass(module, prhs[5])) return;
    eta = scalarOrDefault(prhs[5], 0.5);
  } else if (nrhs != 5) {
    reportError(module, kTdlfieldInputCount, module.name);
    return;
  }

  if (!checkEtaNotNegative(module, eta)) return;
  bem2d::PreparedMesh mesh;
  if (!checkFieldArguments(module, prhs, "gh", DensityCount::PerElement, "x", true, &mesh)) {
    return;
  }
  const mxArray* gh = prhs[2];
  const mxArray* x = prhs[3];
  const mxArray* n_x = prhs[4];
  const int nx = rowCount(x);

  mxArray* result = newMatrix(nx, 1);
  double* out = mxGetPr(result);
  runKernel(module, result, &plhs[0], [&](const RunOptions& options) {
    return bem2d::tdlfield(mesh, mxGetPr(gh), hostPoints(x), hostPoints(n_x), eta, out, options);
  });
}
