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
