// V = slpmatrix(coordinates, elements[, eta])
#include "gateway.h"

extern "C" BEM2D_EXPORT void mexFunction(int nlhs, mxArray* plhs[], int nrhs,
                                         const mxArray* prhs[]) {
  const Module module = {"slpmatrix", mexFunctionName()};
  const char* name = module.name;
  double eta;
  if (!readCallShape(
          module, nlhs, nrhs, prhs, 2, true, &eta,
          [&] { reportError(module, kSlpmatrixOutputCount, name, name); },
          [&] { reportError(module, kSlpmatrixInputCount, nrhs, name, name); })) {
    return;
  }

  const mxArray* coordinates = prhs[0];
  const mxArray* elements = prhs[1];
  bem2d::PreparedMesh mesh;
  if (!checkBoundaryMesh(module, coordinates, elements, &mesh)) return;
  const int nE = rowCount(elements);

  mxArray* result = newMatrix(nE, nE);
  double* out = mxGetPr(result);
  runKernel(module, result, &plhs[0], [&](const RunOptions& options) {
    return bem2d::slpmatrix(mesh, eta, out, options);
  });
}
