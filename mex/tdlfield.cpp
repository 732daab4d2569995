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

  const mxArray* coordinates = prhs[0];
  const mxArray* elements = prhs[1];
  const mxArray* gh = prhs[2];
  const mxArray* x = prhs[3];
  const mxArray* n_x = prhs[4];
  if (!checkEtaNotNegative(module, eta)) return;
  if (mxGetM(x) != mxGetM(n_x)) {
    reportError(module, kNormalsCount, static_cast<long long>(mxGetM(x)),
                static_cast<long long>(mxGetM(n_x)));
    return;
  }

  const MatrixArgument args[] = {{coordinates, "coordinates", 2},
                                 {elements, "elements", 2, Accepts::DoubleOrInteger},
                                 {gh, "gh", 0},
                                 {x, "x", 2},
                                 {n_x, "n_x", 2}};
  if (!checkMatrices(module, args, 5)) return;
  const int nE = rowCount(elements), nx = rowCount(x);
  bem2d::PreparedMesh mesh;
  if (!prepareMesh(module, coordinates, elements, &mesh)) return;
  if (!checkEntryCount(module, gh, "gh", nE)) return;

  mxArray* result = newMatrix(nx, 1);
  double* out = mxGetPr(result);
  runKernel(module, result, &plhs[0], [&](const RunOptions& options) {
    return bem2d::tdlfield(mesh, mxGetPr(gh), hostPoints(x), hostPoints(n_x), eta, out,
                           options);
  });
}
