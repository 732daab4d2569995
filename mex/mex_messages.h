// The messages that only the Octave/MATLAB host reports (the others are in
// library/messages.h): its usage texts, and the checks that speak of its
// classes and its 1-based numbering. Each format is used by one caller; a
// `%s` in a usage form is filled with mexFunctionName(). As in messages.h,
// no text begins with the module's name: the host shows it before them.
#pragma once

#include "messages.h"

// ---- input safety, shared by every module ------------------------------------
// An argument of the wrong class, complex or sparse. `kind` is "double" for
// data and "double or integer" for vertex numbers; `class line` is empty for
// a complex or sparse matrix of an accepted class, else one of the two lines
// below, naming the class received.
// (argument, kind, class line)
constexpr Message kArgumentClass = {"argumentClass",
                                    "%s must be a real, full (not sparse) %s matrix.\n%s"};
// (class, argument): numeric, logical or char data
constexpr const char* kConvertibleClassLine = "It is of class %s; double(%s) converts it.\n";
// (class): a cell, struct, function handle or object
constexpr const char* kOtherClassLine = "It is of class %s.\n";
// (index matrix, row, column, value as the matrix holds it (IndexFault's
// text), indexed matrix, its rows)
constexpr Message kBadVertexNumber = {
    "vertexNumber", "%s(%lld,%d) = %s is not a row number of %s (1 to %d).\n"};

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
constexpr Message kHypfieldGhShape = {
    "ghShape",
    "The third parameter (gh) has to be an nCx1 matrix, where nC denotes the number of "
    "vertices, i.e. the number of rows of the first argument."};

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
    "At most one left-hand side argument is expected.\n"
    "Use either W = %s(coordinates, elements) or \nW = %s(coordinates, elements, eta)."};
constexpr Message kHypmatrixInputCount = {
    "nargin",
    "Either two or three right-hand side arguments are expected.\n"
    "Use either W = %s(coordinates, elements) or \nW = %s(coordinates, elements, eta)."};

// ---- hmatrix (the class and its engine room bem2d_hmatrix) ------------------------
// ()
constexpr Message kHmatrixHandle = {"handle", "The matrix is gone (it was cleared).\n"};
constexpr Message kHmatrixCall = {"call", "The engine room was called wrongly.\n"};
// (argument, rows needed, rows given)
constexpr Message kHmatrixRows = {"size", "%s must have %lld rows (it has %lld).\n"};
