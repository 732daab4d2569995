"""Bad input raises its exception with its message and nothing is read
outside the arrays; where Octave has the same mistake, the MEX module
refuses it too, under the identifier of the same check."""
import numpy as np
import pytest

import bem2d
from support import SQUARE, octave

c, e = SQUARE
one = np.array([[2.0, 3]])
ones = np.ones(4)

# (call, exception, part of the message, the same mistake in Octave or None,
# the identifier Octave reports for it: '' for no error)
CASES = [
    (lambda: bem2d.slpmatrix(c.astype(np.complex64), e), TypeError,
     "slpmatrix: coordinates must be an array of real numbers (float64, or anything numpy.asarray"
     " turns into integers, floats or booleans, read as a float64 copy).\nIt is of dtype complex64.",
     "slpmatrix(complex(single(c)), e)", "argumentClass"),
    (lambda: bem2d.hypmatrix(c, e.astype(bool)), TypeError,
     "elements must be an array of node numbers (any integer dtype or float64, or anything"
     " numpy.asarray turns into integers or floats).\nIt is of dtype bool.",
     "hypmatrix(c, logical(e))", "argumentClass"),
    (lambda: bem2d.slpfield(c, e, ones, [["2", "3"]]), TypeError,
     "z must be an array of real numbers (float64, or anything numpy.asarray turns into integers,"
     " floats or booleans, read as a float64 copy).\nIt is a list, which numpy.asarray turns into"
     " dtype <U1.", "slpfield(c, e, ones(4,1), {[2 3]})", "argumentClass"),
    (lambda: bem2d.slpfield(c, e, ones, [[2.0, 3], [1]]), TypeError,
     "It is a list, which numpy.asarray turns into no array.", None, None),
    (lambda: bem2d.dlpfield(c + 0j, e, ones, one), TypeError, "It is of dtype complex128.",
     "dlpfield(complex(c), e, ones(4,1), [2 3])", "argumentClass"),
    (lambda: bem2d.slpmatrix(c[:, :1], e), ValueError, "coordinates must have at least 2 columns",
     "slpmatrix(c(:,1), e)", "tooFewColumns"),
    (lambda: bem2d.domfield(c, e, ones, one), ValueError, "volumes must have at least 3 columns",
     "domfield(c, e, ones(4,1), [2 3])", "tooFewColumns"),
    (lambda: bem2d.slpfield(c, e, ones, one[0]), ValueError,
     "z must be a 2-d array of at least 2 columns (it has 1 dimensions)", None, None),
    (lambda: bem2d.slpmatrix(c, np.array([[0, 1], [1, 2], [2, 3], [3, 4]], np.uint8)), ValueError,
     "slpmatrix: elements[3, 1] = 4 is not a row number of coordinates (0 to 3).",
     "slpmatrix(c, [1 2; 2 3; 3 4; 4 5])", "vertexNumber"),
    (lambda: bem2d.hypfield(c, e - 1, ones, one, one), ValueError, "elements[0, 0] = -1 is not",
     "hypfield(c, e - 1, ones(4,1), [2 3], [2 3])", "vertexNumber"),
    (lambda: bem2d.tdlfield(c, np.where(e == 2, np.nan, e), ones, one, one), ValueError,
     "elements[2, 0] = nan is not", "tdlfield(c, [1 2; 2 NaN; 3 4; 4 1], ones(4,1), [2 3], [2 3])",
     "vertexNumber"),
    (lambda: bem2d.slpfield(c, e, ones[:3], one), ValueError,
     "slpfield: chi must have at least 4 entries (it has 3).", "slpfield(c, e, [1;2;3], [2 3])",
     "tooFewEntries"),
    (lambda: bem2d.dlpfield(c, e, ones[:2], one), ValueError, "gh must have at least 4 entries (it has 2)",
     "dlpfield(c, e, [1;2], [2 3])", "tooFewEntries"),
    (lambda: bem2d.dlpgradfield(c, e, ones[:3], one), ValueError,
     "dlpgradfield: gh must have at least 4 entries (it has 3).", "dlpgradfield(c, e, [1;2;3], [2 3])",
     "tooFewEntries"),
    (lambda: bem2d.dlpmatrix(c, e, -1.0), ValueError, "dlpmatrix: ETA is less than zero",
     "dlpmatrix(c, e, -1)", "etaNegative"),
    (lambda: bem2d.domfield(c, np.array([[0, 1, 2], [0, 2, 3]]), ones[:1], one), ValueError,
     "f must have at least 2 entries (it has 1)", "domfield(c, [1 2 3; 1 3 4], 1, [2 3])",
     "tooFewEntries"),
    (lambda: bem2d.tdlfield(c, e, ones, one, np.ones((2, 2))), ValueError,
     "tdlfield: The number of evaluation points (1)\nmust correspond to the number of normal"
     " vectors (2).", "tdlfield(c, e, ones(4,1), [2 3], [0 1; 0 1])", "normalsCount"),
    (lambda: bem2d.hypfield(c, e, ones[None, :], one, one), ValueError,
     "gh must have shape (nC,) or (nC, 1), where nC = 4 is the number of rows of coordinates;"
     " its shape is (1, 4).", "hypfield(c, e, ones(1,4), [2 3], [0 1])", "ghShape"),
    (lambda: bem2d.slpfield(c, e, ones, one, -0.1), ValueError,
     "slpfield: ETA is less than zero (ETA=-0.100000).\nPlease choose a value that is greater"
     " than or equal to 0.", "slpfield(c, e, ones(4,1), [2 3], -0.1)", "etaNegative"),
    (lambda: bem2d.slpmatrix(c, e, [0.5]), TypeError, "slpmatrix: ETA must be a number, not a list.",
     "slpmatrix(c, e, {0.5})", "etaClass"),
    (lambda: bem2d.hypmatrix(c, e, -1.0), None, "", "hypmatrix(c, e, -1)", ""),
    (lambda: bem2d.slpmatrix(c, e, threads=0), ValueError, "threads must be from 1 to 1024 (threads=0)",
     None, None),
    (lambda: bem2d.dlpfield(c, e, ones, one, threads=10**30), ValueError,
     "dlpfield: threads must be from 1 to 1024 (threads=1000000000000000000000000000000).", None,
     None),
    (lambda: bem2d.slpmatrix(c, np.array([[0, 2**53 + 1]], np.uint64)), ValueError,
     "elements[0, 1] = 9007199254740993 is not a row number", None, None),
    (lambda: bem2d.slpmatrix(c, e, -10**400), ValueError, "ETA is less than zero (ETA=-inf)", None,
     None),
    (lambda: bem2d.slpmatrix(c, e, threads="2"), TypeError,
     "threads must be None or an integer, not str", None, None),
    (lambda: bem2d.slpmatrix_tile(c, e, [0, 4], [1]), ValueError,
     "slpmatrix_tile: rows[1] = 4 is not an element number of the mesh (0 to 3).", None, None),
    (lambda: bem2d.dlpmatrix_tile(c, e, [4], [0]), ValueError,
     "rows[0] = 4 is not an element number of the mesh (0 to 3).", None, None),
    (lambda: bem2d.hypmatrix_tile(c, e, [1], range(-1, 2)), ValueError,
     "cols[0] = -1 is not a node number of the mesh (0 to 3).", None, None),
    (lambda: bem2d.slpmatrix_tile(c, e, np.array([0.0]), [1]), TypeError,
     "rows must be a 1-d numpy array of integers, a list, a range or a slice, not an array of"
     " dtype float64", None, None),
    (lambda: bem2d.hypmatrix_tile(c, e, [1], np.eye(2, dtype=int)), ValueError,
     "cols must be a 1-d array of numbers (it has 2 dimensions)", None, None),
]


@pytest.mark.parametrize("case", range(len(CASES)))
def test_python_raises_its_exception_and_message(case):
    call, exception, message, _, _ = CASES[case]
    if exception is None:
        call()
        return
    with pytest.raises(exception) as raised:
        call()
    assert message in str(raised.value)


def test_octave_refuses_the_same_mistakes_with_the_same_checks():
    rows = [(expr, ident) for _, _, _, expr, ident in CASES if expr is not None]
    body = ["c = [0 0; 1 0; 1 1; 0 1]; e = [1 2; 2 3; 3 4; 4 1]; ids = {};"]
    for expr, _ in rows:
        body.append("try, r = %s; ids{end+1} = ''; catch err, ids{end+1} = err.identifier; end"
                    % expr)
    body.append("ids = double(strjoin(ids, ';'));")
    codes = octave("\n".join(body), {}, ["ids"])["ids"].ravel()
    got = "".join(chr(int(k)) for k in codes).split(";")
    expected = [ident and "bem2d:%s:%s" % (expr.split("(")[0], ident) for expr, ident in rows]
    assert got == expected
