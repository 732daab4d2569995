// Texts of every message the modules report through the host. Each format is
// used by one caller; `%s` naming the module is filled with mexFunctionName().
#pragma once

// ---- shared by every module that takes eta ---------------------------------
constexpr const char* kEtaNegative =
    "In %s, ETA is less than zero (ETA=%f).\n"
    "Please choose a value that is greater than or equal to 0.\n";

// ---- input safety, shared by every module ------------------------------------
// (module, argument)
constexpr const char* kNotRealDouble =
    "In %s, %s must be a real, full (not sparse) double matrix.\n";
// (module, argument, columns)
constexpr const char* kTooFewColumns = "In %s, %s must have at least %d columns.\n";
// (module, argument)
constexpr const char* kTooManyRows = "In %s, %s has more rows than a module can index.\n";
// (module, index matrix, row, column, value, indexed matrix, its rows)
constexpr const char* kBadVertexNumber =
    "In %s, %s(%lld,%d) = %g is not a row number of %s (1 to %d).\n";
// (module, argument, entries needed, entries given)
constexpr const char* kTooFewEntries =
    "In %s, %s must have at least %lld entries (it has %lld).\n";

// (module)
constexpr const char* kOutOfMemory = "In %s, there is not enough memory for the computation.\n";

// ---- slpfield ----------------------------------------------------------------
constexpr const char* kSlpfieldOutputCount =
    "Invalid number of output arguments. Usage:\n  Vchi_z = %s(coordinates,elements,chi,z)\n";
constexpr const char* kSlpfieldInputCount =
    "Invalid number of input arguments. Usage:\n  Vchi_z = %s(coordinates,elements,x,z[,eta])\n";

// ---- dlpfield ----------------------------------------------------------------
constexpr const char* kDlpfieldOutputCount =
    "Invalid number of output arguments. Usage:\n  gx = %s(coordinates,elements,gh,x)\n";
constexpr const char* kDlpfieldInputCount =
    "Invalid number of input arguments. Usage:\n  gx = %s(coordinates,elements,gh,x[,eta])\n";

// ---- tdlfield and hypfield -------------------------------------------------------
constexpr const char* kTdlfieldInputCount =
    "Invalid number of arguments: Usage\nVphi_x=%s(coordinates,elements,gh,x,n_x[,eta])\n";
constexpr const char* kHypfieldInputCount =
    "Invalid number of arguments: Usage\nWphi_x=%s(coordinates,elements,gh,x,n_x[,eta])\n";
// (module, nx, rows of n_x); tdlfield and hypfield check the same thing.
constexpr const char* kNormalsCount =
    "In %s, the number of evaluation points (%d)\n"
    "must correspond to the number of normal vectors (%d).\n";
constexpr const char* kHypfieldGhShape =
    "In %s, the third parameter (gh) has to be an nCx1 matrix, where nC denotes the number of "
    "vertices, i.e. the number of rows of the first element.";

// ---- domfield (its messages are formatted into kDomfieldCapacity characters) ----
constexpr int kDomfieldCapacity = 152;
constexpr const char* kDomfieldOutputCount =
    "Invalid number of output arguments. Use\n  S = %s(vertices,volumes,f,x)\n";
constexpr const char* kDomfieldInputCount =
    "Invalid number of input arguments (%d). Use\n  S = %s(vertices,volumes,f,x)\n";

// ---- slpmatrix -------------------------------------------------------------------
constexpr const char* kSlpmatrixOutputCount =
    "Invalid number of output arguments. Use either\n  V = %s(coordinates,elements)\nor\n"
    "  V = %s(coordinates,elements,eta)\n";
constexpr const char* kSlpmatrixInputCount =
    "Invalid number of input arguments (%d). Use either\n  V = %s(coordinates, elements)\nor\n"
    "  V = %s(coordinates, elements, eta)\n";

// ---- hypmatrix -------------------------------------------------------------------
constexpr const char* kHypmatrixOutputCount =
    "%s expects exactly one left-hand side argument.\n"
    "Use either W = %s(coordinates, elements) or \nW = %s(coordinates, elements, eta).";
constexpr const char* kHypmatrixInputCount =
    "%s expects either two or three right-hand side arguments.\n"
    "Use either W = %s(coordinates, elements) or \nW = %s(coordinates, elements, eta).";
