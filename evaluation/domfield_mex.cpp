// S = domfield(vertices, volumes, f, x)
#include "domfield.h"
#include "gateway.h"
#include "messages.h"

extern "C" BEM2D_EXPORT void mexFunction(int nlhs, mxArray* plhs[], int nrhs,
                                         const mxArray* prhs[]) {
  const char* name = mexFunctionName();
  if (nlhs != 1) {
    reportErrorBounded(kDomfieldCapacity, kDomfieldOutputCount, name);
    return;
  }
  if (nrhs != 4) {
    reportErrorBounded(kDomfieldCapacity, kDomfieldInputCount, nrhs, name);
    return;
  }

  const mxArray* vertices = prhs[0];
  const mxArray* volumes = prhs[1];
  const mxArray* f = prhs[2];
  const mxArray* x = prhs[3];
  const DoubleArgument args[] = {
      {vertices, "vertices", 2}, {volumes, "volumes", 3}, {f, "f", 0}, {x, "x", 2}};
  if (!checkDoubleMatrices(name, args, 4)) return;
  const int nV = rowCount(vertices), nT = rowCount(volumes), nx = rowCount(x);
  if (!checkVertexNumbers(name, volumes, "volumes", 3, nV, "vertices", nullptr)) return;
  if (!checkEntryCount(name, f, "f", nT)) return;

  plhs[0] = mxCreateDoubleMatrix(static_cast<mwSize>(nx), 1, mxREAL);
  double* out = mxGetPr(plhs[0]);
  runKernel(name, [&] {
    domfieldKernel(out, mxGetPr(vertices), mxGetPr(volumes), mxGetPr(f), mxGetPr(x), nV, nT, nx);
  });
}
