// Vchi_z = slpfield(coordinates, elements, chi, z[, eta])
#include "gateway.h"
#include "messages.h"
#include "slpfield.h"

extern "C" BEM2D_EXPORT void mexFunction(int nlhs, mxArray* plhs[], int nrhs,
                                         const mxArray* prhs[]) {
  const char* name = mexFunctionName();
  double eta = 0.5;
  if (nlhs != 1) {
    reportError(kSlpfieldOutputCount, name);
    return;
  }
  if (nrhs == 5) {
    eta = scalarOrDefault(prhs[4], 0.5);
  } else if (nrhs != 4) {
    reportError(kSlpfieldInputCount, name);
    return;
  }
  if (!checkEtaNotNegative(name, eta)) return;

  const mxArray* coordinates = prhs[0];
  const mxArray* elements = prhs[1];
  const mxArray* chi = prhs[2];
  const mxArray* z = prhs[3];
  const DoubleArgument args[] = {
      {coordinates, "coordinates", 2}, {elements, "elements", 2}, {chi, "chi", 0}, {z, "z", 2}};
  if (!checkDoubleMatrices(name, args, 4)) return;
  const int nC = rowCount(coordinates), nE = rowCount(elements), nz = rowCount(z);
  if (!checkVertexNumbers(name, elements, "elements", 2, nC, "coordinates", nullptr)) return;
  if (!checkEntryCount(name, chi, "chi", nE)) return;

  plhs[0] = mxCreateDoubleMatrix(static_cast<mwSize>(nz), 1, mxREAL);
  double* out = mxGetPr(plhs[0]);
  runKernel(name, [&] {
    slpfieldKernel(out, nC, nE, nz, mxGetPr(coordinates), mxGetPr(elements), mxGetPr(chi),
                   mxGetPr(z), eta);
  });
}
