// The messages of the Python module that name Python things (arrays, dtypes,
// 0-based positions); the others it takes from library/messages.h, with the
// same texts as in Octave. Each raises the exception named beside it, its
// text after "<function>: " as Octave shows it.
#pragma once

#include "messages.h"

// TypeError: an argument that numpy.asarray turns into no array of numbers.
// (argument, kinds, class line)
constexpr const char* kPyArgumentType = "%s must be %s.\n%s";
constexpr const char* kPyPointKinds =
    "an array of real numbers (float64, or anything numpy.asarray turns into integers, floats "
    "or booleans, read as a float64 copy)";
constexpr const char* kPyIndexKinds =
    "an array of node numbers (any integer dtype or float64, or anything numpy.asarray turns "
    "into integers or floats)";
// (dtype): an array of complex numbers, objects, strings, dates, records
constexpr const char* kPyDtypeLine = "It is of dtype %s.\n";
// (type, dtype): a list, a tuple, a number, ... of such things
constexpr const char* kPyConvertedLine = "It is a %s, which numpy.asarray turns into dtype %s.\n";
// (type): a ragged list, ...
constexpr const char* kPyNoArrayLine = "It is a %s, which numpy.asarray turns into no array.\n";

// ValueError (argument, columns, dimensions)
constexpr const char* kPyDimensions =
    "%s must be a 2-d array of at least %d columns (it has %d dimensions).\n";
// ValueError (index array, row, column, value, indexed array, its last row)
constexpr const char* kPyVertexNumber =
    "%s[%lld, %d] = %s is not a row number of %s (0 to %lld).\n";
// ValueError (number of nodes, shape of gh)
constexpr const char* kPyGhShape =
    "gh must have shape (nC,) or (nC, 1), where nC = %lld is the number of rows of "
    "coordinates; its shape is %s.\n";

// The index sets of a tile.
// TypeError (argument, type or dtype)
constexpr const char* kPyIndexSetType =
    "%s must be a 1-d numpy array of integers, a list, a range or a slice, not %s.\n";
// ValueError (argument, dimensions)
constexpr const char* kPyIndexSetDimensions =
    "%s must be a 1-d array of numbers (it has %d dimensions).\n";
// ValueError (argument, position, value, "an element" or "a node", last number)
constexpr const char* kPyIndexSetNumber =
    "%s[%lld] = %lld is not %s number of the mesh (0 to %lld).\n";

// The thread count. TypeError (type); ValueError (value as Python prints it)
constexpr const char* kPyThreadsType = "threads must be None or an integer, not %s.\n";
constexpr const char* kPyThreadsValue = "threads must be from 1 to 1024 (threads=%s).\n";

// TypeError (): a bem2d.Mesh stands for coordinates and elements both.
constexpr const char* kPyMeshAndElements =
    "elements must be omitted (None) when the mesh is a bem2d.Mesh.\n";

constexpr const char* kPyMeshDoc = R"(A boundary mesh, checked and prepared once.

    Mesh(coordinates, elements)

coordinates (nC-by-2 float64) and elements (nE-by-2, 0-based node numbers of
any integer dtype or float64) as every function of bem2d takes them, with the
same checks and messages. The mesh keeps its own copy of both, with the
geometry of every element, and stands in for the two arguments
``coordinates, elements`` of every function: ``bem2d.slpmatrix_tile(mesh,
rows, cols)``, ``bem2d.slpfield(mesh, chi, z)``. A tile of a prepared mesh
costs in proportion to its own entries, not to the size of the mesh; the
arrays passed directly are prepared anew at every call. A Mesh can be
pickled (it travels to Dask's workers so).)";

// The compressed matrices. TypeError (type)
constexpr const char* kPyTolType = "tol must be a number, not %s.\n";
// ValueError (rows needed)
constexpr const char* kPyOperand =
    "The operand must be a vector or a matrix of %lld rows (a 1-d or 2-d array).\n";
constexpr const char* kPyHMatrixPickle =
    "a bem2d.HMatrix lives outside Python and cannot be pickled: pickle its mesh and tol and "
    "build it again";

constexpr const char* kPyHMatrixDoc = R"(A compressed Galerkin matrix, made by bem2d.hmatrix.

It behaves like the matrix it stands for: ``H @ x`` (x a vector or a matrix
of columns), ``H.T @ y``, ``x @ H``, ``H.solve(b)``, ``H.shape``, ``H.dtype``
(float64) and ``H.nbytes``; ``matvec``, ``rmatvec``, ``matmat`` and
``rmatmat`` make it a scipy.sparse.linalg.LinearOperator through
``aslinearoperator(H)``. The GIL is released while it computes.)";
