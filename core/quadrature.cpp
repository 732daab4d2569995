#include "quadrature.h"

#include "gauss_tables.inc"

const double* gaussPoints(int order) {
  switch (order) {
    case 2: return kGaussPoints2;
    case 4: return kGaussPoints4;
    case 8: return kGaussPoints8;
    case 16: return kGaussPoints16;
    case 32: return kGaussPoints32;
    default: return nullptr;
  }
}

const double* gaussWeights(int order) {
  switch (order) {
    case 2: return kGaussWeights2;
    case 4: return kGaussWeights4;
    case 8: return kGaussWeights8;
    case 16: return kGaussWeights16;
    case 32: return kGaussWeights32;
    default: return nullptr;
  }
}
