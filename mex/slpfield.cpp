// Vchi_z = slpfield(coordinates, elements, chi, z[, eta])
#include "gateway.h"

extern "C" BEM2D_EXPORT void mexFunction(int nlhs, mxArray* plhs[], int nrhs,
                                         const mxArray* prhs[]) {
  const Module module = {"slpfield", mexFunctionName()};
  const char* name = module.name;
  double eta;
  if (!readCallShape(
          module, nlhs, nrhs, prhs, 4, true, &eta,
          [&] { reportError(module, kSlpfieldOutputCount, name); },
          [&] { reportError(module, kSlpfieldInputCount, name); })) {
    return;
  }

  bem2d::PreparedMesh mesh;
  if (!checkFieldArguments(module, prhs, "chi", DensityCount::PerElement, "z", false, &mesh)) {
    return;
  }
  const mxArray* chi = prhs[2];
  const mxArray* z = prhs[3];
  const int nz = rowCount(z);

  mxArray* result = newMatrix(nz, 1);
  double* out = mxGetPr(result);
  runKernel(module, result, &plhs[0], [&](const RunOptions& options) {
    return bem2d::slpfield(mesh, mxGetPr(chi), hostPoints(z), eta, out, options);
  });
}
