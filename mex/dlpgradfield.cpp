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

  mxArray* result = newMatrix(nx, 2);
  double* out = mxGetPr(result);
  std::vector<unsigned char> onBoundary(static_cast<size_t>(nx));
  runKernel(module, result, &plhs[0], [&](const RunOptions& options) {
    return bem2d::dlpgradfield(mesh, mxGetPr(gh), hostPoints(x), eta, out, onBoundary.data(),
                               options);
  });
  warnPoints(module, kDlpgradfieldOnBoundary, onBoundary.data(), 1, hostPoints(x));
}
