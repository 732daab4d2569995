// Every message the modules report through the host, each with the last part
// of its identifier: a report of module M carries the identifier
// bem2d:M:<what>, so that a caller can catch one kind of failure. Each
// format is used by one caller; `%s` naming the module is filled with
// mexFunctionName().
#pragma once

struct Message {
  const char* what;    // last part of the identifier
  const char* format;  // printf format of the text
};

// ---- shared by every module that takes eta ---------------------------------
// (module, eta)
constexpr Message kEtaNegative = {"etaNegative",
                                  "In %s, ETA is less than zero (ETA=%f).\n"
                                  "Please choose a value that is greater than or equal to 0.\n"};
// (module, class of eta)
constexpr Message kEtaClass = {"etaClass", "In %s, ETA must be a number, not a %s.\n"};

// ---- input safety, shared by every module ------------------------------------
// An argument of the wrong class, complex or sparse. `kind` is "double" for
// data and "double or integer" for vertex numbers; `class line` is empty for
// a complex or sparse matrix of an accepted class, else one of the two lines
// below, naming the class received.
// (module, argument, kind, class line)
constexpr Message kArgumentClass = {"argumentClass",
                                    "In %s, %s must be a real, full (not sparse) %s matrix.\n%s"};
// (class, argument): numeric, logical or char data
constexpr const char* kConvertibleClassLine = "It is of class %s; double(%s) converts it.\n";
// (class): a cell, struct, function handle or object
constexpr const char* kOtherClassLine = "It is of class %s.\n";
// (module, argument, columns)
constexpr Message kTooFewColumns = {"tooFewColumns", "In %s, %s must have at least %d columns.\n"};
// (module, argument)
constexpr Message kTooManyRows = {"tooManyRows",
                                  "In %s, %s has more rows than a module can index.\n"};
// (module, index matrix, row, column, value, indexed matrix, its rows)
constexpr Message kBadVertexNumber = {
    "vertexNumber", "In %s, %s(%lld,%d) = %g is not a row number of %s (1 to %d).\n"};
// (module, argument, entries needed, entries given)
constexpr Message kTooFewEntries = {"tooFewEntries",
                                    "In %s, %s must have at least %lld entries (it has %lld).\n"};

// (module)
constexpr Message kOutOfMemory = {"outOfMemory",
                                  "In %s, there is not enough memory for the computation.\n"};
// (module): the user interrupted the call (Ctrl-C) and the host did not take
// over; no result is returned.
constexpr Message kInterrupted = {"interrupted", "In %s, the computation was interrupted.\n"};

// ---- slpfield ----------------------------------------------------------------
constexpr Message kSlpfieldOutputCount = {
    "nargout",
    "Invalid number of output arguments. Usage:\n  Vchi_z = %s(coordinates,elements,chi,z)\n"};
constexpr Message kSlpfieldInputCount = {
    "nargin",
    "Invalid number of input arguments. Usage:\n  Vchi_z = %s(coordinates,elements,x,z[,eta])\n"};

// ---- dlpfield ----------------------------------------------------------------
constexpr Message kDlpfieldOutputCount = {
    "nargout",
    "Invalid number of output arguments. Usage:\n  gx = %s(coordinates,elements,gh,x)\n"};
constexpr Message kDlpfieldInputCount = {
    "nargin",
    "Invalid number of input arguments. Usage:\n  gx = %s(coordinates,elements,gh,x[,eta])\n"};

// ---- dlpgradfield -------------------------------------------------------------
constexpr Message kDlpgradfieldOutputCount = {
    "nargout", "Invalid number of output arguments. Usage:\n  G = %s(coordinates,elements,gh,x)\n"};
constexpr Message kDlpgradfieldInputCount = {
    "nargin",
    "Invalid number of input arguments. Usage:\n  G = %s(coordinates,elements,gh,x[,eta])\n"};

// ---- tdlfield and hypfield -------------------------------------------------------
constexpr Message kTdlfieldInputCount = {
    "nargin",
    "Invalid number of arguments: Usage\nVphi_x=%s(coordinates,elements,gh,x,n_x[,eta])\n"};
constexpr Message kHypfieldInputCount = {
    "nargin",
    "Invalid number of arguments: Usage\nWphi_x=%s(coordinates,elements,gh,x,n_x[,eta])\n"};
// (module, rows of x, rows of n_x); tdlfield and hypfield check the same
// thing. The counts are 64-bit: a host matrix may have 2^31 rows or more.
constexpr Message kNormalsCount = {"normalsCount",
                                   "In %s, the number of evaluation points (%lld)\n"
                                   "must correspond to the number of normal vectors (%lld).\n"};
constexpr Message kHypfieldGhShape = {
    "ghShape",
    "In %s, the third parameter (gh) has to be an nCx1 matrix, where nC denotes the number of "
    "vertices, i.e. the number of rows of the first element."};

// ---- domfield (its messages are formatted into kDomfieldCapacity characters) ----
constexpr int kDomfieldCapacity = 152;
constexpr Message kDomfieldOutputCount = {
    "nargout", "Invalid number of output arguments. Use\n  S = %s(vertices,volumes,f,x)\n"};
constexpr Message kDomfieldInputCount = {
    "nargin", "Invalid number of input arguments (%d). Use\n  S = %s(vertices,volumes,f,x)\n"};

// ---- slpmatrix -------------------------------------------------------------------
constexpr Message kSlpmatrixOutputCount = {
    "nargout",
    "Invalid number of output arguments. Use either\n  V = %s(coordinates,elements)\nor\n"
    "  V = %s(coordinates,elements,eta)\n"};
constexpr Message kSlpmatrixInputCount = {
    "nargin",
    "Invalid number of input arguments (%d). Use either\n  V = %s(coordinates, elements)\nor\n"
    "  V = %s(coordinates, elements, eta)\n"};

// ---- dlpmatrix -------------------------------------------------------------------
constexpr Message kDlpmatrixOutputCount = {
    "nargout",
    "Invalid number of output arguments. Use either\n  K = %s(coordinates,elements)\nor\n"
    "  K = %s(coordinates,elements,eta)\n"};
constexpr Message kDlpmatrixInputCount = {
    "nargin",
    "Invalid number of input arguments (%d). Use either\n  K = %s(coordinates, elements)\nor\n"
    "  K = %s(coordinates, elements, eta)\n"};

// ---- hypmatrix -------------------------------------------------------------------
constexpr Message kHypmatrixOutputCount = {
    "nargout",
    "%s expects exactly one left-hand side argument.\n"
    "Use either W = %s(coordinates, elements) or \nW = %s(coordinates, elements, eta)."};
constexpr Message kHypmatrixInputCount = {
    "nargin",
    "%s expects either two or three right-hand side arguments.\n"
    "Use either W = %s(coordinates, elements) or \nW = %s(coordinates, elements, eta)."};
