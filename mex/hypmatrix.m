% HYPMATRIX  Hypersingular Galerkin matrix for continuous piecewise-linear functions.
%
%   W = hypmatrix(coordinates, elements)
%   W = hypmatrix(coordinates, elements, eta)
%
%   Assembles the dense nC-by-nC Galerkin matrix of the hypersingular operator
%   of the 2-D Laplace equation,
%
%     (W u)(x) = -d/dn_x int_Gamma dG/dn_y(x,y) u(y) ds_y,
%     G(x,y) = -(1/(2*pi))*log|x - y|,
%
%   for the hat functions psi_1..psi_nC (one per node, linear on every
%   element). It is computed from the single-layer form of arc-length
%   derivatives (valid on closed boundaries):
%
%     W(p,q) = -(1/(2*pi)) * int_Gamma int_Gamma log|x - y| psi_q'(y) psi_p'(x) ds_y ds_x,
%
%   where on an element from node a to node b the derivative of psi_a is
%   -1/L and that of psi_b is +1/L. Every closed curve of the boundary must
%   therefore be traversed in one direction (elements(j,2) of an element is
%   elements(j,1) of the next).
%
%   Arguments
%     coordinates  nC-by-2 real double: node k lies at
%                  (coordinates(k,1), coordinates(k,2)).
%     elements     nE-by-2 real double or integer (int8 ... uint64): element
%                  j is the straight segment from node elements(j,1) to node
%                  elements(j,2) (1-based node numbers, truncated toward
%                  zero).
%     eta          optional admissibility parameter, default 0.5. Used only
%                  when it is 1-by-1: any other shape, [] included, means 0.5.
%                  It is not checked: a negative eta is accepted (see below).
%
%   Result
%     W            nC-by-nC real matrix, symmetric and positive semi-definite
%                  up to rounding; W*ones(nC,1) = 0 up to rounding (the
%                  constants are its kernel). A node that no element uses has
%                  a zero row and column.
%
%   How eta is used
%     Each pair of elements, with h the length of the shorter one and dist
%     the distance between the two segments, contributes its single-layer
%     integral computed
%       - with the 16-point Gauss-Legendre rule on the shorter element and the
%         closed form along the longer one, when eta ~= 0 and eta*h < dist;
%       - entirely in closed form otherwise (eta = 0, NaN eta, and always for
%         elements that touch, share a node, cross or coincide).
%     Both ways are exact to rounding (the rule's panels are refined toward
%     the ends of the longer element where needed), so a negative eta, which
%     sends every pair to the quadrature rule, touching and identical elements
%     included, changes only the speed. Between nodes whose elements lie far
%     apart (each node the end of one element and the start of the next, each
%     element of the one's support at least the longest of their elements
%     away from each of the other's) an entry is instead
%     the integral of the hypersingular kernel against the two hats, by a
%     Gauss rule of 4 to 16 points per element: such entries are small second
%     differences of the pair integrals, and this form keeps them exact to
%     rounding relative to their own size. A zero-length element adds 0.
%     Pairs sent to quadrature that are small against the distance of their
%     midpoints take the power series of the logarithm (help slpmatrix). Each
%     unordered pair of elements is computed once and the values are added
%     into W in a fixed order: W is exactly symmetric.
%
%   Threads, vector lanes and Ctrl-C
%     The work is spread over every hardware thread, or over BEM2D_NUM_THREADS
%     threads when that environment variable holds a positive integer (read
%     at every call, so setenv in a session takes effect); the result does
%     not depend on the number of threads. Far pairs are evaluated 8 (AVX-512)
%     or 4 (AVX2) at a time where the CPU has them. Ctrl-C stops the call
%     within milliseconds and assigns no output.
%
%   Errors (each ends the call; Octave prefixes the text with "hypmatrix: "),
%   each under its identifier (err.identifier in a catch block):
%     bem2d:hypmatrix:nargout
%       hypmatrix expects exactly one left-hand side argument.
%       Use either W = hypmatrix(coordinates, elements) or
%       W = hypmatrix(coordinates, elements, eta).
%     bem2d:hypmatrix:nargin
%       hypmatrix expects either two or three right-hand side arguments.
%       Use either W = hypmatrix(coordinates, elements) or
%       W = hypmatrix(coordinates, elements, eta).
%     bem2d:hypmatrix:etaClass   (a cell, struct, function handle, ...)
%       In hypmatrix, ETA must be a number, not a cell.
%
%   and for input that cannot be read safely (ARG is coordinates or elements):
%     bem2d:hypmatrix:argumentClass
%       In hypmatrix, coordinates must be a real, full (not sparse) double matrix.
%       In hypmatrix, elements must be a real, full (not sparse) double or integer matrix.
%     followed, when the class C is wrong, by the line "It is of class C;
%     double(ARG) converts it." for a numeric, logical or char ARG, and
%     "It is of class C." for any other;
%     bem2d:hypmatrix:tooFewColumns
%       In hypmatrix, ARG must have at least 2 columns.
%     bem2d:hypmatrix:tooManyRows
%       In hypmatrix, ARG has more rows than a module can index.
%     bem2d:hypmatrix:vertexNumber
%       In hypmatrix, elements(r,c) = v is not a row number of coordinates (1 to nC).
%     bem2d:hypmatrix:outOfMemory
%       In hypmatrix, there is not enough memory for the computation.
%     bem2d:hypmatrix:interrupted   (only where the host does not take over Ctrl-C)
%       In hypmatrix, the computation was interrupted.
%
%   Example
%     % Unit circle, n counter-clockwise elements. On the circle W maps
%     % cos(k*theta) to (k/2)*cos(k*theta).
%     n = 128; t = 2*pi*(0:n-1)'/n;
%     coordinates = [cos(t) sin(t)];
%     elements = [(1:n)' [2:n 1]'];
%     W = hypmatrix(coordinates, elements);
%     u = cos(2*t);
%     energy = u'*W*u          % about (2/2)*pi = pi: <W u, u> = (k/2)*pi
%     norm(W*ones(n,1))        % rounding level
%
%   See also SLPMATRIX, HYPFIELD.

%!shared c, e
%! c = [0 0; 1 0; 1 1; 0 1];
%! e = [1 2; 2 3; 3 4; 4 1];
%!test  # the constants are its kernel; W is symmetric
%! W = hypmatrix (c, e);
%! assert (W * ones (4, 1), zeros (4, 1), 1e-15);
%! assert (W, W.', 1e-15);
%!test  # node 1 starts element 1 and ends element 4, which meet at a right
%! # angle: W(1,1) = 2*V(1,1) - 2*V(1,4) with the single-layer closed forms
%! assert (hypmatrix (c, e)(1,1), (log (2) + pi/2) / (2*pi), 1e-15);
%!assert (hypmatrix (c, int16 (e)), hypmatrix (c, e))
%!error id=bem2d:hypmatrix:nargout hypmatrix (c, e)
%!error id=bem2d:hypmatrix:vertexNumber W = hypmatrix (c, [0 1])
%!error id=bem2d:hypmatrix:argumentClass W = hypmatrix (single (c), e)
