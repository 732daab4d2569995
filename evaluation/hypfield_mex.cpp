// Wphi_x = hypfield(coordinates, elements, gh, x, n_x[, eta])
#include "gateway.h"
#include "hypfield.h"
#include "messages.h"

extern "C" BEM2D_EXPORT void mexFunction(int /*nlhs*/, mxArray* plhs[], int nrhs,
                                         const mxArray* prhs[]) {
  // The number of outputs is not checked: the result always goes to slot 1.
  const char* name = mexFunctionName();
  double eta = 0.5;
  if (nrhs == 6) {
    // eta is mxGetScalar of the sixth argument, whatever its shape. An empty
    // matrix has no entry to read, so it leaves the default 0.5; a sparse
    // matrix without stored entries is all zeros, and its data array need not
    // hold an entry to read, so it gives 0 without reading.
    const mxArray* a = prhs[5];
    if (mxIsSparse(a) && !mxIsEmpty(a) && mxGetJc(a)[mxGetN(a)] == 0) {
      eta = 0;
    } else if (!mxIsEmpty(a)) {
      eta = mxGetScalar(a);
    }
    if (!checkEtaNotNegative(name, eta)) return;
  } else if (nrhs != 5) {
    reportError(kHypfieldInputCount, name);
    return;
  }

  const mxArray* coordinates = prhs[0];
  const mxArray* elements = prhs[1];
  const mxArray* gh = prhs[2];
  const mxArray* x = prhs[3];
  const mxArray* n_x = prhs[4];
  if (mxGetM(gh) != mxGetM(coordinates) || mxGetN(gh) != 1) {
    reportError(kHypfieldGhShape, name);
    return;
  }
  if (mxGetM(n_x) != mxGetM(x)) {
    reportError(kNormalsCount, name, static_cast<int>(mxGetM(x)), static_cast<int>(mxGetM(n_x)));
    return;
  }

  const DoubleArgument args[] = {{coordinates, "coordinates", 2},
                                 {elements, "elements", 2},
                                 {gh, "gh", 0},
                                 {x, "x", 2},
                                 {n_x, "n_x", 2}};
  if (!checkDoubleMatrices(name, args, 5)) return;
  const int nC = rowCount(coordinates), nE = rowCount(elements), nx = rowCount(x);
  // gh holds nC entries by its shape check, so vertex numbers in 1..nC index
  // both coordinates and gh.
  if (!checkVertexNumbers(name, elements, "elements", 2, nC, "coordinates", nullptr)) return;

  plhs[0] = mxCreateDoubleMatrix(static_cast<mwSize>(nx), 1, mxREAL);
  double* out = mxGetPr(plhs[0]);
  runKernel(name, [&] {
    hypfieldKernel(out, nC, nE, mxGetPr(coordinates), mxGetPr(elements), mxGetPr(gh), mxGetPr(x),
                   nx, mxGetPr(n_x), eta);
  });
}
