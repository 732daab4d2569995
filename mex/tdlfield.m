% TDLFIELD  Adjoint double-layer operator of a piecewise-constant density.
%
%   Vphi_x = tdlfield(coordinates, elements, gh, x, n_x)
%   Vphi_x = tdlfield(coordinates, elements, gh, x, n_x, eta)
%
%   Evaluates, at the points x with the given vectors n_x, the adjoint
%   double-layer operator of the 2-D Laplace equation for the density phi
%   that is constant on every element (phi = gh(j) on element j):
%
%     (K' phi)(x) = int_Gamma dG/dn_x(x,y) phi(y) ds_y
%                 = -(1/(2*pi)) * sum_j gh(j) * int_{E_j} ((x - y).n_x) / |x - y|^2 ds_y,
%
%   with G(x,y) = -(1/(2*pi))*log|x - y|. Away from the boundary this is
%   n_x . grad(V phi)(x), the derivative of the single-layer potential (see
%   SLPFIELD) in the direction n_x. At a point inside an element, with n_x
%   the element's outward unit normal, it is the boundary operator K' (the
%   element that contains x contributes nothing, being straight); the normal
%   derivative of V phi from inside is then (1/2 + K') phi. The element normals
%   play no part: reversing the elements changes nothing.
%
%   Arguments
%     coordinates  nC-by-2 real double: node k lies at
%                  (coordinates(k,1), coordinates(k,2)).
%     elements     nE-by-2 real double or integer (int8 ... uint64): element
%                  j runs from node elements(j,1) to node elements(j,2)
%                  (1-based, truncated toward zero).
%     gh           at least nE values: gh(j) is phi on element j (read in
%                  column-major order, any shape).
%     x            nx-by-2 real double: the evaluation points.
%     n_x          nx-by-2 real double: the vector at each point, used as
%                  given (not normalised; the result is linear in it).
%     eta          optional admissibility parameter, default 0.5, not
%                  negative. Used only when it is 1-by-1: any other shape,
%                  [] included, means 0.5.
%
%   Result
%     Vphi_x       nx-by-1: Vphi_x(i) = (K' phi)(x(i,:)) with n_x(i,:).
%                  The number of outputs is not checked.
%
%   How eta is used
%     Element j (length L, distance dist from the point) is integrated in
%     closed form when L/sqrt(2) > eta*dist, and with the 16-point
%     Gauss-Legendre rule otherwise (L/sqrt(2) <= eta*dist). Note the factor
%     1/sqrt(2), which the other modules do not have, and that a NaN eta sends
%     every pair to the quadrature rule. eta = 0 gives the closed form for
%     every pair. The closed form is exact to rounding at any distance, angle
%     and scale. A point on an element (its ends included) that takes the
%     closed form gets nothing from that element, whatever n_x: exact when
%     n_x is perpendicular to the element (a boundary normal on a straight
%     stretch of boundary); at the element's ends the integral diverges for
%     any other direction. A point on the element's line outside it gets the
%     element's finite contribution.
%     A pair sent to quadrature is integrated by the power series of its
%     kernel about the element's midpoint m, in q = h/(x - m) (h the half
%     element, as complex numbers), when |x - m| >= 2L and the pair surely
%     passes the test (then |q|^2 <= 1/16): the terms are taken until
%     |q|^(2n+2) <= 1e-17, which bounds the remainder, so the series is exact
%     to rounding; any other such pair by the 16-point Gauss-Legendre rule.
%
%     A point counts as lying on an element when it is within 1e-12 element
%     lengths (plus a few rounding units of its coordinates) of it, so a
%     boundary point that rounding moved slightly off its element still gets
%     0 from it (the principal value) rather than the jump of K'. A
%     zero-length element adds 0.
%
%   Threads, vector lanes and Ctrl-C
%     The work is spread over every hardware thread, or over BEM2D_NUM_THREADS
%     threads when that environment variable holds a positive integer (read
%     at every call, so setenv in a session takes effect); the result does
%     not depend on the number of threads. Far pairs are evaluated 8 (AVX-512)
%     or 4 (AVX2) at a time where the CPU has them. Ctrl-C stops the call
%     within milliseconds and assigns no output.
%
%   Errors (each ends the call; Octave prefixes the text with "tdlfield: "),
%   each under its identifier (err.identifier in a catch block):
%     bem2d:tdlfield:nargin
%       Invalid number of arguments: Usage
%       Vphi_x=tdlfield(coordinates,elements,gh,x,n_x[,eta])
%     bem2d:tdlfield:etaNegative
%       In tdlfield, ETA is less than zero (ETA=-0.100000).
%       Please choose a value that is greater than or equal to 0.
%     bem2d:tdlfield:etaClass   (a cell, struct, function handle, ...)
%       In tdlfield, ETA must be a number, not a cell.
%     bem2d:tdlfield:normalsCount
%       In tdlfield, the number of evaluation points (nx)
%       must correspond to the number of normal vectors (m).
%
%   and for input that cannot be read safely (ARG is coordinates, gh, x, n_x or
%   elements):
%     bem2d:tdlfield:argumentClass
%       In tdlfield, ARG must be a real, full (not sparse) double matrix.
%       In tdlfield, elements must be a real, full (not sparse) double or integer matrix.
%     followed, when the class C is wrong, by the line "It is of class C;
%     double(ARG) converts it." for a numeric, logical or char ARG, and
%     "It is of class C." for any other;
%     bem2d:tdlfield:tooFewColumns
%       In tdlfield, ARG must have at least 2 columns.
%     bem2d:tdlfield:tooManyRows
%       In tdlfield, ARG has more rows than a module can index.
%     bem2d:tdlfield:vertexNumber
%       In tdlfield, elements(r,c) = v is not a row number of coordinates (1 to nC).
%     bem2d:tdlfield:tooFewEntries
%       In tdlfield, gh must have at least nE entries (it has m).
%     bem2d:tdlfield:outOfMemory
%       In tdlfield, there is not enough memory for the computation.
%     bem2d:tdlfield:interrupted   (only where the host does not take over Ctrl-C)
%       In tdlfield, the computation was interrupted.
%
%   Example
%     % phi = 1 on the unit circle: V phi is constant inside, so its
%     % derivative vanishes there; on the circle K' 1 = -1/2, which the
%     % polygon of n elements gives up to O(1/n).
%     n = 256; t = 2*pi*(0:n-1)'/n;
%     coordinates = [cos(t) sin(t)];
%     elements = [(1:n)' [2:n 1]'];
%     A = coordinates(1,:); B = coordinates(2,:);
%     x = [0.2 0.1; A + (B - A)/3];      % a point inside, one on element 1
%     n_x = [1 0; [B(2)-A(2), A(1)-B(1)]/norm(B - A)];
%     tdlfield(coordinates, elements, ones(n,1), x, n_x)   % about [0; -0.5]
%
%   See also SLPFIELD, DLPFIELD, HYPFIELD.

%!shared c, e
%! c = [-0.5 0; 0.5 0];   # one element of length 1 along the x axis
%! e = [1 2];
%!test  # from (0, h): -(1/(2*pi)) * int h/(s^2 + h^2) ds = -atan(1/(2*h))/pi
%! # along n_x = (0,1) (h = 3: by the 16-point rule), and 0 along (1,0)
%! x = [0 1; 0 3; 0 1];
%! n_x = [0 1; 0 1; 1 0];
%! assert (tdlfield (c, e, 1, x, n_x), [-atan(0.5)/pi; -atan(1/6)/pi; 0], 1e-15);
%!assert (tdlfield (c, int64 (e), 3, [0.1 0.4], [0.6 0.8]),
%!        3 * tdlfield (c, e, 1, [0.1 0.4], [0.6 0.8]), 1e-15)
%!error id=bem2d:tdlfield:nargin tdlfield (c, e, 1, [0 1])
%!error id=bem2d:tdlfield:normalsCount tdlfield (c, e, 1, [0 1], [0 1; 1 0])
%!error id=bem2d:tdlfield:etaClass tdlfield (c, e, 1, [0 1], [0 1], @sin)
