// Wphi_x = hypfield(coordinates, elements, gh, x, n_x[, eta])
#include "gateway.h"

extern "C" BEM2D_EXPORT void mexFunction(int /*nlhs*/, mxArray* plhs[], int nrhs,
                                         const mxArray* prhs[]) {
  // The number of outputs is not checked: the result always goes to slot 1.
  const Module module = {"hypfield", mexFunctionName()};
  double eta = 0.5;
  if (nrhs == 6) {
    // eta is the entry (1,1) of the sixth argument, whatever its shape; an
    // empty matrix has none and leaves the default 0.5.
    const mxArray* a = prhs[5];
    if (!checkEtaClass(module, a)) return;
    if (!mxIsEmpty(a)) eta = firstEntry(a);
    if (!checkEtaNotNegative(module, eta)) return;
  } else if (nrhs != 5) {
    reportError(module, kHypfieldInputCount, module.name);
    return;
  }

  const mxArray* gh = prhs[2];
  const mxArray* x = prhs[3];
  const mxArray* n_x = prhs[4];
  if (mxGetM(gh) != mxGetM(prhs[0]) || mxGetN(gh) != 1) {
    reportError(module, kHypfieldGhShape);
    return;
  }
  // gh holds nC entries by its shape check, so vertex numbers in 1..nC index
  // both coordinates and gh.
  bem2d::PreparedMesh mesh;
  if (!checkFieldArguments(module, prhs, "gh", DensityCount::Checked, "x", true, &mesh)) return;
  const int nx = rowCount(x);

  mxArray* result = newMatrix(nx, 1);
  double* out = mxGetPr(result);
  std::vector<unsigned char> status(static_cast<size_t>(nx));
  runKernel(module, result, &plhs[0], [&](const RunOptions& options) {
    return bem2d::hypfield(mesh, mxGetPr(gh), hostPoints(x), hostPoints(n_x), eta, out,
                           status.data(), options);
  });
  const Points p = hostPoints(x);
  warnPoints(module, kHypfieldOffBoundary, status.data(), bem2d::kHypfieldOffBoundary, p);
  warnPoints(module, kHypfieldNearVertex, status.data(), bem2d::kHypfieldAtVertex, p);
}
