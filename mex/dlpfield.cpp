// gx = dlpfield(coordinates, elements, gh, x[, eta])
#include "gateway.h"

extern "C" BEM2D_EXPORT void mexFunction(int nlhs, mxArray* plhs[], int nrhs,
                                         const mxArray* prhs[]) {
  const Module module = {"dlpfield", mexFunctionName()};
  const char* name = module.name;
  double eta;
  if (!readCallShape(
          module, nlhs, nrhs, prhs, 4, true, &eta,
          [&] { reportError(module, kDlpfieldOutputCount, name); },
          [&] { reportError(module, kDlpfieldInputCount, name); })) {
    return;
  }

  bem2d::PreparedMesh mesh;
  if (!checkFieldArguments(module, prhs, "gh", DensityCount::PerNamedNode, "x", false, &mesh)) {
    return;
  }
  const mxArray* gh = prhs[2];
  const mxArray* x = prhs[3];
  const int nx = rowCount(x);

  mxArray* result = newMatrix(nx, 1);
  double* out = mxGetPr(result);
  runKernel(module, result, &plhs[0], [&](const RunOptions& options) {
    return bem2d::dlpfield(mesh, mxGetPr(gh), hostPoints(x), eta, out, options);
  });
}
