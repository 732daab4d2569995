// W = hypmatrix(coordinates, elements[, eta])
#include "gateway.h"
#include "hypmatrix.h"
#include "messages.h"

extern "C" BEM2D_EXPORT void mexFunction(int nlhs, mxArray* plhs[], int nrhs,
                                         const mxArray* prhs[]) {
  const char* name = mexFunctionName();
  double eta = 0.5;
  if (nlhs != 1) {
    reportError(kHypmatrixOutputCount, name, name, name);
    return;
  }
  if (nrhs == 3) {
    eta = scalarOrDefault(prhs[2], 0.5);
  } else if (nrhs != 2) {
    reportError(kHypmatrixInputCount, name, name, name);
    return;
  }
  // eta is not validated: a negative eta sends every pair to the 16-point
  // rule, a NaN eta every pair to the closed form.

  const mxArray* coordinates = prhs[0];
  const mxArray* elements = prhs[1];
  if (!checkBoundaryMesh(name, coordinates, elements)) return;
  const int nC = rowCount(coordinates), nE = rowCount(elements);

  plhs[0] = mxCreateDoubleMatrix(static_cast<mwSize>(nC), static_cast<mwSize>(nC), mxREAL);
  double* out = mxGetPr(plhs[0]);
  runKernel(name, [&] { assembleHyp(out, mxGetPr(coordinates), mxGetPr(elements), nC, nE, eta); });
}
