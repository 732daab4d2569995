% DLPFIELD  Double-layer potential of a continuous piecewise-linear density.
%
%   gx = dlpfield(coordinates, elements, gh, x)
%   gx = dlpfield(coordinates, elements, gh, x, eta)
%
%   Evaluates, at the points x, the double-layer potential of the 2-D Laplace
%   equation for the function g that is linear on every element and takes the
%   value gh(k) at node k:
%
%     (K g)(x) = int_Gamma dG/dn_y(x,y) g(y) ds_y
%              = -(1/(2*pi)) * int_Gamma ((y - x).n_y) / |y - x|^2 g(y) ds_y,
%
%   with G(x,y) = -(1/(2*pi))*log|x - y|. n_y is the unit normal of the
%   element that contains y: its direction from first to second node turned
%   clockwise, so it points out of a domain whose boundary runs
%   counter-clockwise. The points may lie anywhere; on the boundary no jump
%   term is added (the element that contains x contributes nothing, being
%   straight), so on an element K g is the boundary operator K. For g = 1 and
%   a counter-clockwise closed polygon: -1 inside, 0 outside, -1/2 on an
%   element away from its nodes. The interior trace is (K - 1/2) g.
%
%   Arguments
%     coordinates  nC-by-2 real double: node k lies at
%                  (coordinates(k,1), coordinates(k,2)).
%     elements     nE-by-2 real double or integer (int8 ... uint64): element
%                  j runs from node elements(j,1) to node elements(j,2)
%                  (1-based, truncated toward zero).
%     gh           nodal values: gh(k) = g at node k (read in column-major
%                  order, any shape; it must reach the largest node number
%                  that elements uses).
%     x            nx-by-2 real double: the evaluation points.
%     eta          optional admissibility parameter, default 0.5, not
%                  negative. Used only when it is 1-by-1: any other shape,
%                  [] included, means 0.5.
%
%   Result
%     gx           nx-by-1: gx(i) = (K g)(x(i,:)).
%
%   How eta is used
%     Element j (length L, distance dist from the point) is integrated with
%     the 16-point Gauss-Legendre rule when L <= eta*dist, and in closed form
%     otherwise. eta = 0 and a NaN eta give the closed form for every pair.
%     Both are exact to rounding for the pairs they take, so eta trades only
%     speed: the closed form holds at any distance, angle and scale, the jump
%     included up to 1e-12 element lengths from an element. A point within
%     1e-12 L (plus a few rounding units of its coordinates) of an element
%     counts as lying on it and gets 0 from it. A zero-length element adds 0.
%     Reversing every element negates the result (every normal turns round).
%     A pair sent to quadrature is integrated by the power series of its
%     kernel about the element's midpoint m, in q = h/(x - m) (h the half
%     element, as complex numbers), when |x - m| >= 2L and the pair surely
%     passes the test (then |q|^2 <= 1/16): the terms are taken until
%     |q|^(2n+2) <= 1e-17, which bounds the remainder, so the series is exact
%     to rounding; any other such pair by the 16-point Gauss-Legendre rule.
%
%   Threads, vector lanes and Ctrl-C
%     The work is spread over every hardware thread, or over BEM2D_NUM_THREADS
%     threads when that environment variable holds a positive integer (read
%     at every call, so setenv in a session takes effect); the result does
%     not depend on the number of threads. Far pairs are evaluated 8 (AVX-512)
%     or 4 (AVX2) at a time where the CPU has them. Ctrl-C stops the call
%     within milliseconds and assigns no output.
%
%   Errors (each ends the call; Octave prefixes the text with "dlpfield: "),
%   each under its identifier (err.identifier in a catch block):
%     bem2d:dlpfield:nargout
%       Invalid number of output arguments. Usage:
%         gx = dlpfield(coordinates,elements,gh,x)
%     bem2d:dlpfield:nargin
%       Invalid number of input arguments. Usage:
%         gx = dlpfield(coordinates,elements,gh,x[,eta])
%     bem2d:dlpfield:etaNegative
%       In dlpfield, ETA is less than zero (ETA=-0.100000).
%       Please choose a value that is greater than or equal to 0.
%     bem2d:dlpfield:etaClass   (a cell, struct, function handle, ...)
%       In dlpfield, ETA must be a number, not a cell.
%
%   and for input that cannot be read safely (ARG is coordinates, gh, x or
%   elements):
%     bem2d:dlpfield:argumentClass
%       In dlpfield, ARG must be a real, full (not sparse) double matrix.
%       In dlpfield, elements must be a real, full (not sparse) double or integer matrix.
%     followed, when the class C is wrong, by the line "It is of class C;
%     double(ARG) converts it." for a numeric, logical or char ARG, and
%     "It is of class C." for any other;
%     bem2d:dlpfield:tooFewColumns
%       In dlpfield, ARG must have at least 2 columns.
%     bem2d:dlpfield:tooManyRows
%       In dlpfield, ARG has more rows than a module can index.
%     bem2d:dlpfield:vertexNumber
%       In dlpfield, elements(r,c) = v is not a row number of coordinates (1 to nC).
%     bem2d:dlpfield:tooFewEntries
%       In dlpfield, gh must have at least k entries (it has m).
%     bem2d:dlpfield:outOfMemory
%       In dlpfield, there is not enough memory for the computation.
%     bem2d:dlpfield:interrupted   (only where the host does not take over Ctrl-C)
%       In dlpfield, the computation was interrupted.
%
%   Example
%     % g = 1 on the unit square (counter-clockwise): -1 inside, 0 outside,
%     % -1/2 on an edge.
%     coordinates = [0 0; 1 0; 1 1; 0 1];
%     elements = [1 2; 2 3; 3 4; 4 1];
%     gx = dlpfield(coordinates, elements, ones(4,1), [0.3 0.6; 2 2; 0.5 0])
%
%   See also SLPFIELD, TDLFIELD, HYPFIELD.

%!shared c, e
%! c = [0 0; 1 0; 1 1; 0 1];   # the unit square, counter-clockwise
%! e = [1 2; 2 3; 3 4; 4 1];
%!test  # the double layer of 1 is minus the angle the boundary subtends
%! # over 2*pi: -1 inside, 0 outside, -1/2 on an edge
%! x = [0.3 0.6; 0.9 0.05; 2 2; -0.5 3; 0.5 0; 1 0.7];
%! assert (dlpfield (c, e, ones (4, 1), x), [-1; -1; 0; 0; -0.5; -0.5], 1e-15);
%!assert (dlpfield (c, uint32 (e), [1; 2; 3; 4], [0.2 0.3]),
%!        dlpfield (c, e, [1; 2; 3; 4], [0.2 0.3]))
%!error id=bem2d:dlpfield:nargout dlpfield (c, e, ones (4, 1), [0 1])
%!error id=bem2d:dlpfield:tooFewEntries gx = dlpfield (c, e, ones (3, 1), [0 1])
%!error id=bem2d:dlpfield:tooFewColumns gx = dlpfield (c, e, ones (4, 1), [0; 1])
