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

  const mxArray* coordinates = prhs[0];
  const mxArray* elements = prhs[1];
  const mxArray* gh = prhs[2];
  const mxArray* x = prhs[3];
  const MatrixArgument args[] = {{coordinates, "coordinates", 2},
                                 {elements, "elements", 2, Accepts::DoubleOrInteger},
                                 {gh, "gh", 0},
                                 {x, "x", 2}};
  if (!checkMatrices(module, args, 4)) return;
  const int nx = rowCount(x);
  bem2d::PreparedMesh mesh;
  if (!prepareMesh(module, coordinates, elements, &mesh)) return;
  // gh is read at every vertex that elements names, so it must reach the
  // largest of those numbers (not necessarily nC).
  if (!checkEntryCount(module, gh, "gh", mesh.mesh.nodesNamed)) return;

  mxArray* result = newMatrix(nx, 1);
  double* out = mxGetPr(result);
  runKernel(module, result, &plhs[0], [&](const RunOptions& options) {
    return bem2d::dlpfield(mesh, mxGetPr(gh), hostPoints(x), eta, out, options);
  });
}
