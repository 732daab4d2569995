// The messages that both hosts report with the same text, each with the last
// part of its identifier: a report of module M carries the identifier
// bem2d:M:<what> in Octave and MATLAB, and Python raises it with the exception
// its host names. The first `%s` of each is the module's name. The texts of
// the warnings of hypfield and dlpgradfield, which both hosts report their
// own way, are here too.
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

// ---- shared by every module ---------------------------------------------------
// (module, argument, columns)
constexpr Message kTooFewColumns = {"tooFewColumns", "In %s, %s must have at least %d columns.\n"};
// (module, argument)
constexpr Message kTooManyRows = {"tooManyRows",
                                  "In %s, %s has more rows than a module can index.\n"};
// (module, argument, entries needed, entries given)
constexpr Message kTooFewEntries = {"tooFewEntries",
                                    "In %s, %s must have at least %lld entries (it has %lld).\n"};

// (module)
constexpr Message kOutOfMemory = {"outOfMemory",
                                  "In %s, there is not enough memory for the computation.\n"};
// (module): the user interrupted the call (Ctrl-C) and the host did not take
// over; no result is returned.
constexpr Message kInterrupted = {"interrupted", "In %s, the computation was interrupted.\n"};


// (module, rows of x, rows of n_x); tdlfield and hypfield check the same
// thing. The counts are 64-bit: a host matrix may have 2^31 rows or more.
constexpr Message kNormalsCount = {"normalsCount",
                                   "In %s, the number of evaluation points (%lld)\n"
                                   "must correspond to the number of normal vectors (%lld).\n"};

// ---- the warnings of the modules that report points ------------------------------
// Each a printf format of the point's coordinates (two %g) and its number
// (%lld), as the host counts points.
// hypfield: a point on no element (its value is NaN) ...
constexpr const char* kHypfieldOffBoundaryText =
    "The evaluation point (%g,%g) is not even close to an element! "
    "The %lld-th entry of the return vector is set to NaN!";
// ... and a point at a vertex of the element it lies on.
constexpr const char* kHypfieldAtVertexText =
    "The evaluation point (%g,%g) is too close to the end point of an element. "
    "The %lld-th value of the return vector is probably wrong!";
// dlpgradfield: a point on an element (its row is NaN).
constexpr const char* kDlpgradfieldOnBoundaryText =
    "The evaluation point (%g,%g) lies on the boundary! "
    "The %lld-th row of the return matrix is set to NaN!";

// ---- the compressed operators (hmatrix) -------------------------------------------
// (module, tol)
constexpr Message kHmatrixTolerance = {"tol", "In %s, tol must lie between 0 and 1 (tol=%g).\n"};
// (module)
constexpr Message kHmatrixNotFinite = {
    "notFinite", "In %s, the nodes of the elements must have finite coordinates.\n"};
constexpr Message kHmatrixNoLength = {"noLength", "In %s, no element has a positive length.\n"};
// (module, count)
constexpr Message kHmatrixCoincident = {
    "coincident", "In %s, more than %d elements or nodes lie on one another.\n"};
constexpr Message kHmatrixNoSolve = {
    "noSolve", "In %s, K has no solve: it is not square (elements by nodes).\n"};
// (module, what the engine said)
constexpr Message kHmatrixEngine = {"engine", "In %s, the compression engine failed: %s.\n"};
constexpr Message kHmatrixNotBuilt = {
    "notBuilt", "In %s, this build of bem2d has no compressed operators (built without hmat-oss).\n"};
constexpr Message kHmatrixKind = {"kind", "In %s, kind must be 'slp', 'dlp' or 'hyp'.\n"};
// (module, entries, most entries)
constexpr Message kHmatrixTooLarge = {
    "tooLarge", "In %s, the matrix has %lld entries, more than a dense copy may have (%lld).\n"};
