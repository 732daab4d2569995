% DLPMATRIX  Double-layer Galerkin matrix, piecewise constants against hats.
%
%   K = dlpmatrix(coordinates, elements)
%   K = dlpmatrix(coordinates, elements, eta)
%
%   Assembles the dense nE-by-nC Galerkin matrix of the double-layer operator
%   of the 2-D Laplace equation (G(x,y) = -(1/(2*pi))*log|x - y|), tested with
%   the piecewise-constant functions (one per element) and applied to the hat
%   functions psi_q (one per node):
%
%     K(i,q) = int_{E_i} (K psi_q)(x) ds_x ,
%     (K g)(x) = -(1/(2*pi)) * int ((y - x).n_y)/|y - x|^2 g(y) ds_y ,
%
%   with K as dlpfield computes it: no jump term, so on a closed boundary it
%   is the boundary operator, and each row of K sums to -|E_i|/2 there. With
%   the mass matrix M(i,q) = int_{E_i} psi_q ds, Symm's equation for the
%   Dirichlet problem reads V*phi = (M/2 + K)*g.
%
%   Arguments
%     coordinates  nC-by-2 real double: node k lies at
%                  (coordinates(k,1), coordinates(k,2)).
%     elements     nE-by-2 real double or integer (int8 ... uint64): element
%                  j runs from node elements(j,1) to node elements(j,2)
%                  (1-based); its normal is its direction turned clockwise,
%                  outward for a counter-clockwise boundary.
%     eta          optional admissibility parameter, default 0.5, not
%                  negative. Used only when it is 1-by-1: any other shape,
%                  [] included, means 0.5.
%
%   Result
%     K            nE-by-nC real matrix; a node that no element uses has a
%                  zero column.
%
%   How eta is used
%     For elements i and j, with h the length of the shorter one and dist
%     the distance between the two segments, the pair may be integrated by
%     quadrature when eta ~= 0 and eta*h < dist: by the power series of the
%     kernel about both midpoints when the elements are small against the
%     distance of their midpoints (at least twice the sum of their lengths),
%     the terms taken until the remainder is below 1e-17. Every other pair
%     is integrated in closed form: elements sharing a node from the
%     homogeneity of the kernel about the shared node, the others by the
%     closed form over element j integrated along element i on 16-point
%     panels refined toward the ends of j (the 16-point rule where j is seen
%     from twice its length away). Both routes are exact to rounding, so eta
%     trades only speed; eta = 0 and a NaN eta give the closed form for
%     every pair. A zero-length element adds 0.
%
%   Threads, vector lanes and Ctrl-C
%     The rows are spread over every hardware thread, or over
%     BEM2D_NUM_THREADS threads when that environment variable holds a
%     positive integer (read at every call); the result does not depend on
%     the number of threads. Far pairs are evaluated 8 (AVX-512) or 4 (AVX2)
%     at a time where the CPU has them. Ctrl-C stops the call within
%     milliseconds and assigns no output.
%
%   Errors (each ends the call; Octave prefixes the text with "dlpmatrix: "),
%   each under its identifier (err.identifier in a catch block):
%     bem2d:dlpmatrix:nargout
%       Invalid number of output arguments. Use either
%         K = dlpmatrix(coordinates,elements)
%       or
%         K = dlpmatrix(coordinates,elements,eta)
%     bem2d:dlpmatrix:nargin
%       Invalid number of input arguments (N). Use either
%         K = dlpmatrix(coordinates, elements)
%       or
%         K = dlpmatrix(coordinates, elements, eta)
%     bem2d:dlpmatrix:etaNegative
%       In dlpmatrix, ETA is less than zero (ETA=-0.100000).
%       Please choose a value that is greater than or equal to 0.
%     bem2d:dlpmatrix:etaClass   (a cell, struct, function handle, ...)
%       In dlpmatrix, ETA must be a number, not a cell.
%
%   and for input that cannot be read safely (ARG is coordinates or elements):
%     bem2d:dlpmatrix:argumentClass
%       In dlpmatrix, coordinates must be a real, full (not sparse) double matrix.
%       In dlpmatrix, elements must be a real, full (not sparse) double or integer matrix.
%     followed, when the class C is wrong, by the line "It is of class C;
%     double(ARG) converts it." for a numeric, logical or char ARG, and
%     "It is of class C." for any other;
%     bem2d:dlpmatrix:tooFewColumns
%       In dlpmatrix, ARG must have at least 2 columns.
%     bem2d:dlpmatrix:tooManyRows
%       In dlpmatrix, ARG has more rows than a module can index.
%     bem2d:dlpmatrix:vertexNumber
%       In dlpmatrix, elements(r,c) = v is not a row number of coordinates (1 to nC).
%     bem2d:dlpmatrix:outOfMemory
%       In dlpmatrix, there is not enough memory for the computation.
%     bem2d:dlpmatrix:interrupted   (only where the host does not take over Ctrl-C)
%       In dlpmatrix, the computation was interrupted.
%
%   Example
%     % An ellipse as a polygon of n counter-clockwise elements: every row
%     % of K sums to minus half the length of its element.
%     n = 64; t = 2*pi*(0:n-1)'/n;
%     coordinates = [cos(t) 0.6*sin(t)];
%     elements = [(1:n)' [2:n 1]'];
%     K = dlpmatrix(coordinates, elements);
%     L = sqrt(sum((coordinates(elements(:,2),:) - coordinates(elements(:,1),:)).^2, 2));
%     max(abs(K*ones(n,1) + L/2))   % rounding level
%
%   See also DLPFIELD, SLPMATRIX, HYPMATRIX.

%!shared c, e
%! c = [0 0; 1 0; 1 1; 0 1];   # the unit square, counter-clockwise
%! e = [1 2; 2 3; 3 4; 4 1];
%!assert (sum (dlpmatrix (c, e), 2), -0.5 * ones (4, 1), 1e-15)  # -|E_i|/2
%!test  # K against dlpfield integrated along a far element (5-point rule of
%! # order 9 on a polynomial-free smooth integrand: 1e-10), and the integer classes
%! ce = [c; 5 5; 6 5]; ee = [e; 5 6];
%! K = dlpmatrix (ce, ee);
%! [t, w] = deal ([-0.906179845938664; -0.538469310105683; 0; 0.538469310105683; 0.906179845938664], ...
%!               [0.236926885056189; 0.478628670499366; 0.568888888888889; 0.478628670499366; 0.236926885056189]);
%! x = [5.5 + t/2, 5 + 0*t];
%! g = zeros (6, 1); g(1) = 1;
%! assert (K(5, 1), sum (w .* dlpfield (ce, ee, g, x)) / 2, 1e-10);
%! assert (dlpmatrix (ce, int32 (ee)), K);
%!error id=bem2d:dlpmatrix:nargin K = dlpmatrix (c)
%!error id=bem2d:dlpmatrix:vertexNumber K = dlpmatrix (c, [1 5])
%!error id=bem2d:dlpmatrix:etaNegative K = dlpmatrix (c, e, -1)
