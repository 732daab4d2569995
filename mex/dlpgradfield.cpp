// G = dlpgradfield(coordinates, elements, gh, x[, eta])
#include "gateway.h"

extern "C" BEM2D_EXPORT void mexFunction(int nlhs, mxArray* plhs[], int nrhs,
                                         const mxArray* prhs[]) {
  const Module module = {"dlpgradfield", mexFunctionName()};
  const char* name = module.name;
  double eta;
  if (!readCallShape(
          module, nlhs, nrhs, prhs, 4, true, &eta,
          [&] { reportError(module, kDlpgradfieldOutputCount, name); },
          [&] { reportError(module, kDlpgradfieldInputCount, name); })) {
    return;
  }

  bem2d::PreparedMesh mesh;
  if (!checkFieldArguments(module, prhs, "gh", DensityCount::PerNamedNode, "x", false, &mesh)) {
    return;
  }
  const mxArray* gh = prhs[2];
  const mxArray* x = prhs[3];
  const int nx = rowCount(x);

  mxArray* result = newMatrix(nx, 2);
  double* out = mxGetPr(result);
  std::vector<unsigned char> onBoundary(static_cast<size_t>(nx));
  runKernel(module, result, &plhs[0], [&](const RunOptions& options) {
    return bem2d::dlpgradfield(mesh, mxGetPr(gh), hostPoints(x), eta, out, onBoundary.data(),
                               options);
  });
  warnPoints(module, kDlpgradfieldOnBoundary, onBoundary.data(), 1, hostPoints(x));
}
