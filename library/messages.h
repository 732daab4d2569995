// The messages that both hosts report with the same text, each with the last
// part of its identifier: a report of module M carries the identifier
// bem2d:M:<what> in Octave and MATLAB, and Python raises it with the exception
// its host names. The texts do not name the module: every host shows the name
// before them (Octave "M: <text>", MATLAB "Error using M", Python "M: <text>"
// from its own host code), so that a message never says it twice. The texts
// of the warnings of hypfield and dlpgradfield, which both hosts report their
// own way, are here too.
#pragma once

#include <cstdio>

struct Message {
  const char* what;    // last part of the identifier
  const char* format;  // printf format of the text
};

// ---- shared by every module that takes eta ---------------------------------
// (eta)
constexpr Message kEtaNegative = {"etaNegative",
                                  "ETA is less than zero (ETA=%f).\n"
                                  "Please choose a value that is greater than or equal to 0.\n"};
// (class of eta)
constexpr Message kEtaClass = {"etaClass", "ETA must be a number, not a %s.\n"};

// ---- shared by every module ---------------------------------------------------
// (argument, columns)
constexpr Message kTooFewColumns = {"tooFewColumns", "%s must have at least %d columns.\n"};
// (argument)
constexpr Message kTooManyRows = {"tooManyRows",
                                  "%s has more rows than a module can index.\n"};
// (argument, entries needed, entries given)
constexpr Message kTooFewEntries = {"tooFewEntries",
                                    "%s must have at least %lld entries (it has %lld).\n"};

// ()
constexpr Message kOutOfMemory = {"outOfMemory",
                                  "There is not enough memory for the computation.\n"};
// (): the user interrupted the call (Ctrl-C) and the host did not take
// over; no result is returned.
constexpr Message kInterrupted = {"interrupted", "The computation was interrupted.\n"};


// (rows of x, rows of n_x); tdlfield and hypfield check the same
// thing. The counts are 64-bit: a host matrix may have 2^31 rows or more.
constexpr Message kNormalsCount = {"normalsCount",
                                   "The number of evaluation points (%lld)\n"
                                   "must correspond to the number of normal vectors (%lld).\n"};

// ---- the warnings of the modules that report points ------------------------------
// A host reports each kind once per call, under the identifier
// bem2d:<module>:<what>: the text of the first point of that kind, and, when
// there are more, a second line with their count. The point's text is a
// printf format of its coordinates (two %g) and its number (%lld), as the
// host counts points; the count line takes the number of points (%lld).
struct PointWarning {
  const char* what;   // last part of the identifier
  const char* point;  // the first point
  const char* count;  // how many in all
};
// hypfield: a point on no element (its value is NaN) ...
constexpr PointWarning kHypfieldOffBoundary = {
    "offBoundary",
    "The evaluation point (%g,%g) is not even close to an element! "
    "The %lld-th entry of the return vector is set to NaN!",
    "%lld evaluation points in all are not even close to an element; their entries are NaN."};
// ... and a point at a vertex of the element it lies on.
constexpr PointWarning kHypfieldNearVertex = {
    "nearVertex",
    "The evaluation point (%g,%g) is too close to the end point of an element. "
    "The %lld-th value of the return vector is probably wrong!",
    "%lld evaluation points in all are too close to the end point of an element."};
// dlpgradfield: a point on an element (its row is NaN).
constexpr PointWarning kDlpgradfieldOnBoundary = {
    "onBoundary",
    "The evaluation point (%g,%g) lies on the boundary! "
    "The %lld-th row of the return matrix is set to NaN!",
    "%lld evaluation points in all lie on the boundary; their rows are NaN."};

// The text of a warning: the first point's line (x1, x2 its coordinates,
// number its number as the host counts) and, for count > 1, the count line,
// written into text (capacity characters, truncated to fit).
inline void pointWarningText(const PointWarning& w, double x1, double x2, long long number,
                             long long count, char* text, int capacity) {
  int n = std::snprintf(text, static_cast<size_t>(capacity), w.point, x1, x2, number);
  if (n < 0) n = 0;
  if (count > 1 && n + 1 < capacity) {
    text[n] = '\n';
    std::snprintf(text + n + 1, static_cast<size_t>(capacity - n - 1), w.count, count);
  }
}

// ---- the compressed operators (hmatrix) -------------------------------------------
// (tol)
constexpr Message kHmatrixTolerance = {"tol", "tol must lie between 0 and 1 (tol=%g).\n"};
// ()
constexpr Message kHmatrixNotFinite = {
    "notFinite", "The nodes of the elements must have finite coordinates.\n"};
constexpr Message kHmatrixNoLength = {"noLength", "No element has a positive length.\n"};
// (count)
constexpr Message kHmatrixCoincident = {
    "coincident", "More than %d elements or nodes lie on one another.\n"};
constexpr Message kHmatrixNoSolve = {
    "noSolve", "K has no solve: it is not square (elements by nodes).\n"};
// (what the engine said)
constexpr Message kHmatrixEngine = {"engine", "The compression engine failed: %s.\n"};
constexpr Message kHmatrixNotBuilt = {
    "notBuilt", "This build of bem2d has no compressed operators (built without hmat-oss).\n"};
constexpr Message kHmatrixKind = {"kind", "kind must be 'slp', 'dlp' or 'hyp'.\n"};
