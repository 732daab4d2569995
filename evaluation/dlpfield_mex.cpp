// gx = dlpfield(coordinates, elements, gh, x[, eta])
#include "dlpfield.h"
#include "gateway.h"
#include "messages.h"

extern "C" BEM2D_EXPORT void mexFunction(int nlhs, mxArray* plhs[], int nrhs,
                                         const mxArray* prhs[]) {
  const char* name = mexFunctionName();
  double eta = 0.5;
  if (nlhs != 1) {
    reportError(kDlpfieldOutputCount, name);
    return;
  }
  if (nrhs == 5) {
    eta = scalarOrDefault(prhs[4], 0.5);
  } else if (nrhs != 4) {
    reportError(kDlpfieldInputCount, name);
    return;
  }
  if (!checkEtaNotNegative(name, eta)) return;

  const mxArray* coordinates = prhs[0];
  const mxArray* elements = prhs[1];
  const mxArray* gh = prhs[2];
  const mxArray* x = prhs[3];
  const DoubleArgument args[] = {
      {coordinates, "coordinates", 2}, {elements, "elements", 2}, {gh, "gh", 0}, {x, "x", 2}};
  if (!checkDoubleMatrices(name, args, 4)) return;
  const int nC = rowCount(coordinates), nE = rowCount(elements), nx = rowCount(x);
  // gh is read at every vertex that elements names, so it must reach the
  // largest of those numbers (not necessarily nC).
  int largestVertex = 0;
  if (!checkVertexNumbers(name, elements, "elements", 2, nC, "coordinates", &largestVertex)) return;
  if (!checkEntryCount(name, gh, "gh", largestVertex)) return;

  plhs[0] = mxCreateDoubleMatrix(static_cast<mwSize>(nx), 1, mxREAL);
  double* out = mxGetPr(plhs[0]);
  runKernel(name, [&] {
    dlpfieldKernel(out, nC, nE, nx, mxGetPr(coordinates), mxGetPr(elements), mxGetPr(gh),
                   mxGetPr(x), eta);
  });
}
