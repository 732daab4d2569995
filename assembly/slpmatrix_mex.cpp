// V = slpmatrix(coordinates, elements[, eta])
#include "gateway.h"
#include "slpmatrix.h"

extern "C" BEM2D_EXPORT void mexFunction(int nlhs, mxArray* plhs[], int nrhs,
                                         const mxArray* prhs[]) {
  const Module module = {"slpmatrix", mexFunctionName()};
  const char* name = module.name;
  double eta = 0.5;
  if (nlhs != 1) {
    reportError(module, kSlpmatrixOutputCount, name, name);
    return;
  }
  if (nrhs == 3) {
    if (!checkEtaClass(module, prhs[2])) return;
    eta = scalarOrDefault(prhs[2], 0.5);
  } else if (nrhs != 2) {
    reportError(module, kSlpmatrixInputCount, nrhs, name, name);
    return;
  }
  if (!checkEtaNotNegative(module, eta)) return;

  const mxArray* coordinates = prhs[0];
  const mxArray* elements = prhs[1];
  if (!checkBoundaryMesh(module, coordinates, elements)) return;
  const int nC = rowCount(coordinates), nE = rowCount(elements);

  plhs[0] = mxCreateDoubleMatrix(static_cast<mwSize>(nE), static_cast<mwSize>(nE), mxREAL);
  double* out = mxGetPr(plhs[0]);
  runKernel(module, [&] {
    std::vector<double> converted;
    const double* e = indexData(elements, 2, converted);
    // Up to 199 elements on the calling thread, from 200 on four workers.
    if (nE < 200) {
      assembleSlpSerial(out, nC, nE, mxGetPr(coordinates), e, eta);
    } else {
      assembleSlpThreaded(out, nC, nE, mxGetPr(coordinates), e, eta);
    }
  });
}
