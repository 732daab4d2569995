// The messages of the Python module that name Python things (arrays, dtypes,
// 0-based positions); the others it takes from library/messages.h, with the
// same texts as in Octave. Each raises the exception named beside it; the
// first `%s` is the function's name.
#pragma once

#include "messages.h"

// TypeError: an argument that is not a numpy array of an accepted dtype.
// (function, argument, dtypes, class line)
constexpr const char* kPyArgumentType = "In %s, %s must be a numpy array of %s.\n%s";
constexpr const char* kPyFloatDtypes = "dtype float64";
constexpr const char* kPyIndexDtypes = "an integer dtype (int8 ... uint64) or float64";
// (dtype, argument, target dtype): numbers of another dtype
constexpr const char* kPyConvertibleLine =
    "It is of dtype %s; np.asarray(%s, dtype=np.%s) converts it.\n";
// (dtype): complex numbers, objects, strings, dates, records
constexpr const char* kPyOtherDtypeLine = "It is of dtype %s.\n";
// (type, argument, target dtype): a list, a tuple, a number, ...
constexpr const char* kPyNotArrayLine = "It is a %s; np.asarray(%s, dtype=np.%s) converts it.\n";

// ValueError (function, argument, columns, dimensions)
constexpr const char* kPyDimensions =
    "In %s, %s must be a 2-d array of at least %d columns (it has %d dimensions).\n";
// ValueError (function, index array, row, column, value, indexed array, its last row)
constexpr const char* kPyVertexNumber =
    "In %s, %s[%lld, %d] = %g is not a row number of %s (0 to %lld).\n";
// ValueError (function, number of nodes, shape of gh)
constexpr const char* kPyGhShape =
    "In %s, gh must have shape (nC,) or (nC, 1), where nC = %lld is the number of rows of "
    "coordinates; its shape is %s.\n";

// The index sets of a tile.
// TypeError (function, argument, type or dtype)
constexpr const char* kPyIndexSetType =
    "In %s, %s must be a 1-d numpy array of integers, a list, a range or a slice, not %s.\n";
// ValueError (function, argument, dimensions)
constexpr const char* kPyIndexSetDimensions =
    "In %s, %s must be a 1-d array of numbers (it has %d dimensions).\n";
// ValueError (function, argument, position, value, "an element" or "a node", last number)
constexpr const char* kPyIndexSetNumber =
    "In %s, %s[%lld] = %g is not %s number of the mesh (0 to %lld).\n";

// The thread count. TypeError (function, type); ValueError (function, value)
constexpr const char* kPyThreadsType = "In %s, threads must be None or an integer, not %s.\n";
constexpr const char* kPyThreadsValue = "In %s, threads must be at least 1 (threads=%lld).\n";

// TypeError (function): a bem2d.Mesh stands for coordinates and elements both.
constexpr const char* kPyMeshAndElements =
    "In %s, elements must be omitted (None) when the mesh is a bem2d.Mesh.\n";

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

// The compressed matrices. TypeError (function, type)
constexpr const char* kPyTolType = "In %s, tol must be a number, not %s.\n";
// ValueError (function, rows needed)
constexpr const char* kPyOperand =
    "In %s, the operand must be a vector or a matrix of %lld rows (a 1-d or 2-d array).\n";
constexpr const char* kPyHMatrixPickle =
    "a bem2d.HMatrix lives outside Python and cannot be pickled: pickle its mesh and tol and "
    "build it again";

constexpr const char* kPyHMatrixDoc = R"(A compressed Galerkin matrix, made by bem2d.hmatrix.

It behaves like the matrix it stands for: ``H @ x`` (x a vector or a matrix
of columns), ``H.T @ y``, ``x @ H``, ``H.solve(b)``, ``H.shape``, ``H.dtype``
(float64) and ``H.nbytes``; ``matvec``, ``rmatvec``, ``matmat`` and
``rmatmat`` make it a scipy.sparse.linalg.LinearOperator through
``aslinearoperator(H)``. The GIL is released while it computes.)";
