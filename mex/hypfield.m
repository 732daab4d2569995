% HYPFIELD  Hypersingular operator of a continuous piecewise-linear function.
%
%   Wphi_x = hypfield(coordinates, elements, gh, x, n_x)
%   Wphi_x = hypfield(coordinates, elements, gh, x, n_x, eta)
%
%   Evaluates, at points x on the boundary, the hypersingular operator of the
%   2-D Laplace equation for the function g that is linear on every element
%   and takes the value gh(k) at node k:
%
%     (W g)(x) = -d/dn_x int_Gamma dG/dn_y(x,y) g(y) ds_y,
%     G(x,y) = -(1/(2*pi))*log|x - y|,
%
%   where n_y is the outward unit normal of a counter-clockwise boundary (the
%   element direction turned clockwise). On every element that does not
%   contain x the integrand is
%     -(1/(2*pi)) * [ (n_x.n_y)/|x-y|^2 - 2*((x-y).n_y)*((x-y).n_x)/|x-y|^4 ] g(y);
%   on the element that contains x it is the Hadamard finite-part integral,
%   taken in closed form. The normal derivative from inside of the double
%   layer potential is -W g, so for a harmonic u with Dirichlet data g and
%   Neumann data phi: W g = (1/2 - K') phi.
%
%   Arguments
%     coordinates  nC-by-2 real double: node k lies at
%                  (coordinates(k,1), coordinates(k,2)).
%     elements     nE-by-2 real double or integer (int8 ... uint64): element
%                  j runs from node elements(j,1) to node elements(j,2)
%                  (1-based, truncated toward zero).
%     gh           nC-by-1 real double: g at every node.
%     x            nx-by-2 real double: points on the boundary, each within
%                  1e-12 element lengths of an element and away from its nodes.
%     n_x          nx-by-2 real double: the normal vector at each point, used
%                  as given (not normalised) by the elements that do not
%                  contain the point; the finite-part term of the element
%                  that contains it does not depend on any normal.
%     eta          optional admissibility parameter, default 0.5, not
%                  negative: the entry (1,1) of the sixth argument, whatever
%                  its shape, sparse included ([] means 0.5).
%
%   Result
%     Wphi_x       nx-by-1: Wphi_x(i) = (W g)(x(i,:)). NaN for a point that
%                  lies on no element; not finite at a node. The number of
%                  outputs is not checked.
%
%   How eta is used
%     An element that does not contain the point (length L, distance dist) is
%     integrated in closed form when L > eta*dist and with the 16-point
%     Gauss-Legendre rule otherwise (L <= eta*dist); a NaN eta sends every
%     such element to the quadrature rule, eta = 0 to the closed form. The
%     closed form is exact to rounding at any distance, angle and scale, next
%     to an acute corner included.
%     A pair sent to quadrature is integrated by the power series of its
%     kernel about the element's midpoint m, in q = h/(x - m) (h the half
%     element, as complex numbers), when |x - m| >= 2L and the pair surely
%     passes the test (then |q|^2 <= 1/16): the terms are taken until
%     |q|^(2n+2) <= 1e-17, which bounds the remainder, so the series is exact
%     to rounding; any other such pair by the 16-point Gauss-Legendre rule.
%
%     A point lies on an element when it is within 1e-12 element lengths (plus
%     a few rounding units of its coordinates) of it, so points built as
%     A + (B - A)/3 lie on their element at any scale; it is at a vertex when
%     it is that close to one. A zero-length element adds 0.
%
%   Threads, vector lanes and Ctrl-C
%     The work is spread over every hardware thread, or over BEM2D_NUM_THREADS
%     threads when that environment variable holds a positive integer (read
%     at every call, so setenv in a session takes effect); the result does
%     not depend on the number of threads. Far pairs are evaluated 8 (AVX-512)
%     or 4 (AVX2) at a time where the CPU has them. Ctrl-C stops the call
%     within milliseconds and assigns no output.
%
%   Warnings (on the standard error stream; the call goes on)
%     Warning (hypfield): The evaluation point (x1,x2) is not even close to an
%     element! The i-th entry of the return vector is set to NaN!
%     Warning (hypfield): The evaluation point (x1,x2) is too close to the end
%     point of an element. The i-th value of the return vector is probably wrong!
%   (i counts from 0, each warning is one line.)
%
%   Errors (each ends the call; Octave prefixes the text with "hypfield: "),
%   each under its identifier (err.identifier in a catch block):
%     bem2d:hypfield:nargin
%       Invalid number of arguments: Usage
%       Wphi_x=hypfield(coordinates,elements,gh,x,n_x[,eta])
%     bem2d:hypfield:etaNegative
%       In hypfield, ETA is less than zero (ETA=-0.100000).
%       Please choose a value that is greater than or equal to 0.
%     bem2d:hypfield:etaClass   (a cell, struct, function handle, ...)
%       In hypfield, ETA must be a number, not a cell.
%     bem2d:hypfield:ghShape
%       In hypfield, the third parameter (gh) has to be an nCx1 matrix, where nC
%       denotes the number of vertices, i.e. the number of rows of the first
%       element.
%     bem2d:hypfield:normalsCount
%       In hypfield, the number of evaluation points (nx)
%       must correspond to the number of normal vectors (m).
%
%   and for input that cannot be read safely (ARG is coordinates, gh, x, n_x
%   or elements):
%     bem2d:hypfield:argumentClass
%       In hypfield, ARG must be a real, full (not sparse) double matrix.
%       In hypfield, elements must be a real, full (not sparse) double or integer matrix.
%     followed, when the class C is wrong, by the line "It is of class C;
%     double(ARG) converts it." for a numeric, logical or char ARG, and
%     "It is of class C." for any other;
%     bem2d:hypfield:tooFewColumns
%       In hypfield, ARG must have at least 2 columns.
%     bem2d:hypfield:tooManyRows
%       In hypfield, ARG has more rows than a module can index.
%     bem2d:hypfield:vertexNumber
%       In hypfield, elements(r,c) = v is not a row number of coordinates (1 to nC).
%     bem2d:hypfield:outOfMemory
%       In hypfield, there is not enough memory for the computation.
%     bem2d:hypfield:interrupted   (only where the host does not take over Ctrl-C)
%       In hypfield, the computation was interrupted.
%
%   Example
%     % On the unit circle W maps cos(2*theta) to cos(2*theta) (k/2 for
%     % cos(k*theta)); the polygon of n elements gives it up to O(1/n).
%     n = 512; t = 2*pi*(0:n-1)'/n;
%     coordinates = [cos(t) sin(t)];
%     elements = [(1:n)' [2:n 1]'];
%     j = [1; 65];                       % two elements
%     A = coordinates(elements(j,1),:); B = coordinates(elements(j,2),:);
%     x = A + (B - A)/3;                 % a third of the way along each
%     n_x = [B(:,2)-A(:,2), A(:,1)-B(:,1)] ./ sqrt(sum((B - A).^2, 2));
%     theta = atan2(x(:,2), x(:,1));
%     [hypfield(coordinates, elements, cos(2*t), x, n_x), cos(2*theta)]
%
%   See also DLPFIELD, TDLFIELD, HYPMATRIX.

%!shared c, e
%! c = [0 0; 1 0; 1 1; 0 1];   # the unit square, counter-clockwise
%! e = [1 2; 2 3; 3 4; 4 1];
%!test  # the constants are the kernel of W
%! x = [0.5 0; 1 0.25; 0.3 1; 0 0.9];
%! n_x = [0 -1; 1 0; 0 1; -1 0];
%! assert (hypfield (c, e, ones (4, 1), x, n_x), zeros (4, 1), 1e-13);
%!test  # one element of length 1, g linear from 1 to 3, x a quarter along:
%! # the finite part -(1/(2*pi)) [g(x) (-1/s - 1/(1 - s)) + g' log((1 - s)/s)]
%! # at s = 1/4, g(x) = 1.5, g' = 2
%! exact = -(1.5 * (-4 - 4/3) + 2 * log (3)) / (2*pi);
%! assert (hypfield ([0 0; 1 0], [1 2], [1; 3], [0.25 0], [0 -1]), exact, 1e-15);
%!test  # eta is the entry (1,1) of the sixth argument, sparse included
%! x = [0.5 0; 1 0.25];
%! n_x = [0 -1; 1 0];
%! g = [1; 4; 9; 16];
%! assert (hypfield (c, e, g, x, n_x, sparse ([0 0; 0 -1])), hypfield (c, e, g, x, n_x, 0));
%! assert (hypfield (c, uint8 (e), g, x, n_x), hypfield (c, e, g, x, n_x));
%!error id=bem2d:hypfield:ghShape hypfield (c, e, ones (1, 4), [0.5 0], [0 -1])
%!error id=bem2d:hypfield:normalsCount hypfield (c, e, ones (4, 1), [0.5 0], zeros (0, 2))
%!error id=bem2d:hypfield:etaNegative hypfield (c, e, ones (4, 1), [0.5 0], [0 -1], -1)
