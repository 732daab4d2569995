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

  const mxArray* coordinates = prhs[0];
  const mxArray* elements = prhs[1];
  const mxArray* chi = prhs[2];
  const mxArray* z = prhs[3];
  const MatrixArgument args[] = {{coordinates, "coordinates", 2},
                                 {elements, "elements", 2, Accepts::DoubleOrInteger},
                                 {chi, "chi", 0},
                                 {z, "z", 2}};
  if (!checkMatrices(module, args, 4)) return;
  const int nE = rowCount(elements), nz = rowCount(z);
  bem2d::PreparedMesh mesh;
  if (!prepareMesh(module, coordinates, elements, &mesh)) return;
  if (!checkEntryCount(module, chi, "chi", nE)) return;

  mxArray* result = newMatrix(nz, 1);
  double* out = mxGetPr(result);
  runKernel(module, result, &plhs[0], [&](const RunOptions& options) {
    return bem2d::slpfield(mesh, mxGetPr(chi), hostPoints(z), eta, out, options);
  });
}
