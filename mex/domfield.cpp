// S = domfield(vertices, volumes, f, x)
#include "gateway.h"

extern "C" BEM2D_EXPORT void mexFunction(int nlhs, mxArray* plhs[], int nrhs,
                                         const mxArray* prhs[]) {
  const Module module = {"domfield", mexFunctionName()};
  const char* name = module.name;
  // Without an output the result goes to ans (slot 1 exists then too).
  if (nlhs > 1) {
    reportErrorBounded(kDomfieldCapacity, module, kDomfieldOutputCount, name);
    return;
  }
  if (nrhs != 4) {
    reportErrorBounded(kDomfieldCapacity, module, kDomfieldInputCount, nrhs, name);
    return;
  }

  const mxArray* vertices = prhs[0];
  const mxArray* volumes = prhs[1];
  const mxArray* f = prhs[2];
  const mxArray* x = prhs[3];
  const MatrixArgument args[] = {{vertices, "vertices", 2},
                                 {volumes, "volumes", 3, Accepts::DoubleOrInteger},
                                 {f, "f", 0},
                                 {x, "x", 2}};
  if (!checkMatrices(module, args, 4)) return;
  const int nT = rowCount(volumes), nx = rowCount(x);
  bem2d::PreparedTriangulation mesh;
  if (!prepareTriangulation(module, vertices, volumes, &mesh)) return;
  if (!checkEntryCount(module, f, "f", nT)) return;

  mxArray* result = newMatrix(nx, 1);
  double* out = mxGetPr(result);
  runKernel(module, result, &plhs[0], [&](const RunOptions& options) {
    return bem2d::domfield(mesh, mxGetPr(f), hostPoints(x), out, options);
  });
}
