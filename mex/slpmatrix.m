% SLPMATRIX  Single-layer Galerkin matrix for piecewise-constant functions.
%
%   V = slpmatrix(coordinates, elements)
%   V = slpmatrix(coordinates, elements, eta)
%
%   Assembles the dense nE-by-nE Galerkin matrix of the single-layer operator
%   of the 2-D Laplace equation, with the fundamental solution
%   G(x,y) = -(1/(2*pi))*log|x - y|, for the basis of piecewise-constant
%   functions (the characteristic function of each element):
%
%     V(i,j) = -(1/(2*pi)) * int_{E_i} int_{E_j} log|x - y| ds_y ds_x .
%
%   Arguments
%     coordinates  nC-by-2 real double: node k lies at
%                  (coordinates(k,1), coordinates(k,2)).
%     elements     nE-by-2 real double or integer (int8 ... uint64): element
%                  j is the straight segment from node elements(j,1) to node
%                  elements(j,2) (1-based node numbers; a fractional number is
%                  truncated toward zero, so 2.7 names node 2). The
%                  orientation plays no part here.
%     eta          optional admissibility parameter, default 0.5, not
%                  negative. Used only when it is 1-by-1: any other shape,
%                  [] included, means 0.5.
%
%   Result
%     V            nE-by-nE real matrix, exactly symmetric (each entry is
%                  computed once and stored at (i,j) and at (j,i)); positive
%                  definite when the mesh has diameter below 1. Its diagonal
%                  is V(j,j) = L^2*(3/2 - log L)/(2*pi), L the length of
%                  element j.
%
%   A boundary of logarithmic capacity 1 makes V singular
%     The single layer of the density 1 on the circle of radius R is
%     -R*log(R) on the circle: on the unit circle it vanishes. Every boundary
%     of logarithmic capacity 1 (the unit circle, the interval of length 4)
%     has such a density, so V is singular there, and nearly singular on a
%     polygon close to such a curve: V \ b then gives nonsense. Remedies:
%       - scale the coordinates so that the mesh has diameter below 1 (V is
%         then positive definite) and scale the results back;
%       - or add the rank-one term: with L(j) the length of element j, solve
%         (V + L*L') \ b. The flux of an interior Dirichlet problem has mean
%         zero, L'*phi = 0, so Symm's equation keeps its solution, and
%         V + L*L' is positive definite for every boundary of logarithmic
%         capacity below exp(2*pi) (about 535).
%
%   How eta is used
%     For elements i and j, with h the length of the shorter one and dist
%     the distance between the two segments, the entry is computed
%       - with the 16-point Gauss-Legendre rule on the shorter element and
%         the closed-form integral along the longer one, when eta ~= 0 and
%         eta*h < dist (strictly);
%       - entirely in closed form otherwise: for eta = 0, for a NaN eta, and
%         always for elements that touch, share a node, cross or coincide.
%     Both ways are exact to rounding (the 16-point rule runs on panels that
%     are refined toward the ends of the longer element where needed), so eta
%     trades only speed: nearly parallel pairs, pairs touching at small angles
%     and pairs of very different lengths included. A zero-length element
%     gives a zero row and column.
%     A pair sent to quadrature whose elements are small against the distance
%     of their midpoints, rho = (L_i + L_j) / (2 |m_i - m_j|) <= 1/4, and which
%     surely passes the test, takes instead the power series of the logarithm
%     about the two midpoints, its terms until rho^(2n+2) <= 1e-17, which
%     bounds the remainder: exact to rounding as well. Each pair is computed
%     once, so V is exactly symmetric.
%
%   Threads, vector lanes and Ctrl-C
%     The work is spread over every hardware thread, or over BEM2D_NUM_THREADS
%     threads when that environment variable holds a positive integer (read
%     at every call, so setenv in a session takes effect); the result does
%     not depend on the number of threads. Far pairs are evaluated 8 (AVX-512)
%     or 4 (AVX2) at a time where the CPU has them. Ctrl-C stops the call
%     within milliseconds and assigns no output.
%
%   Errors (each ends the call; Octave prefixes the text with "slpmatrix: "),
%   each under its identifier (err.identifier in a catch block):
%     bem2d:slpmatrix:nargout
%       Invalid number of output arguments. Use either
%         V = slpmatrix(coordinates,elements)
%       or
%         V = slpmatrix(coordinates,elements,eta)
%     bem2d:slpmatrix:nargin
%       Invalid number of input arguments (N). Use either
%         V = slpmatrix(coordinates, elements)
%       or
%         V = slpmatrix(coordinates, elements, eta)
%     bem2d:slpmatrix:etaNegative
%       In slpmatrix, ETA is less than zero (ETA=-0.100000).
%       Please choose a value that is greater than or equal to 0.
%     bem2d:slpmatrix:etaClass   (a cell, struct, function handle, ...)
%       In slpmatrix, ETA must be a number, not a cell.
%
%   and for input that cannot be read safely (ARG is coordinates or elements):
%     bem2d:slpmatrix:argumentClass
%       In slpmatrix, coordinates must be a real, full (not sparse) double matrix.
%       In slpmatrix, elements must be a real, full (not sparse) double or integer matrix.
%     followed, when the class C is wrong, by the line "It is of class C;
%     double(ARG) converts it." for a numeric, logical or char ARG, and
%     "It is of class C." for any other;
%     bem2d:slpmatrix:tooFewColumns
%       In slpmatrix, ARG must have at least 2 columns.
%     bem2d:slpmatrix:tooManyRows
%       In slpmatrix, ARG has more rows than a module can index.
%     bem2d:slpmatrix:vertexNumber
%       In slpmatrix, elements(r,c) = v is not a row number of coordinates (1 to nC).
%     bem2d:slpmatrix:outOfMemory
%       In slpmatrix, there is not enough memory for the computation.
%     bem2d:slpmatrix:interrupted   (only where the host does not take over Ctrl-C)
%       In slpmatrix, the computation was interrupted.
%
%   Example
%     % The circle of radius 1/2 as a polygon of n counter-clockwise elements.
%     n = 64; t = 2*pi*(0:n-1)'/n;
%     coordinates = 0.5*[cos(t) sin(t)];
%     elements = [(1:n)' [2:n 1]'];
%     V = slpmatrix(coordinates, elements);
%     % The single layer of the density 1 on this circle is log(2)/2 on the
%     % circle, so each row sum is about L*log(2)/2 (L the element length):
%     L = sin(pi/n);
%     max(abs(V*ones(n,1) - L*log(2)/2))   % O(1/n^2) from the polygon
%
%   See also HYPMATRIX, SLPFIELD.

%!shared c, e
%! c = [0 0; 1 0; 1 1; 0 1];
%! e = [1 2; 2 3; 3 4; 4 1];
%!assert (diag (slpmatrix (c, e)), 1.5 / (2*pi) * ones (4, 1), 1e-15)  # L = 1
%!test  # closed forms of the unit square
%! corner = -(log (2) - 3 + pi/2) / (4*pi);   # sides meeting at a right angle
%! opposite = -(pi/2 - 1.5) / (2*pi);         # parallel sides at distance 1
%! V = slpmatrix (c, e);
%! assert (V(1,:), [1.5/(2*pi), corner, opposite, corner], 1e-15);
%! assert (V, V.');
%!assert (slpmatrix (c, int32 (e)), slpmatrix (c, e))
%!assert (slpmatrix (c, uint64 (e), 0), slpmatrix (c, e, 0))
%!error id=bem2d:slpmatrix:nargin V = slpmatrix (c)
%!error id=bem2d:slpmatrix:vertexNumber V = slpmatrix (c, [1 5])
%!error id=bem2d:slpmatrix:etaClass V = slpmatrix (c, e, {0.5})
%!error <double\(elements\) converts it> V = slpmatrix (c, single (e))
