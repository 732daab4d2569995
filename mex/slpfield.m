% SLPFIELD  Single-layer potential of a piecewise-constant density.
%
%   Vchi_z = slpfield(coordinates, elements, chi, z)
%   Vchi_z = slpfield(coordinates, elements, chi, z, eta)
%
%   Evaluates, at the points z, the single-layer potential of the 2-D Laplace
%   equation for the density chi that is constant on every element:
%
%     (V chi)(z) = -(1/(2*pi)) * sum_j chi(j) * int_{E_j} log|z - y| ds_y .
%
%   The points may lie anywhere, on the boundary included (the logarithmic
%   singularity is integrable and taken in closed form).
%
%   Arguments
%     coordinates  nC-by-2 real double: node k lies at
%                  (coordinates(k,1), coordinates(k,2)).
%     elements     nE-by-2 real double or integer (int8 ... uint64): element
%                  j is the straight segment from node elements(j,1) to node
%                  elements(j,2) (1-based node numbers, truncated toward
%                  zero).
%     chi          at least nE values: chi(j) is the density on element j
%                  (read in column-major order, any shape).
%     z            nz-by-2 real double: the evaluation points.
%     eta          optional admissibility parameter, default 0.5, not
%                  negative. Used only when it is 1-by-1: any other shape,
%                  [] included, means 0.5.
%
%   Result
%     Vchi_z       nz-by-1: Vchi_z(i) = (V chi)(z(i,:)).
%
%   How eta is used
%     Element j (length L, distance dist from the point) is integrated with
%     the 16-point Gauss-Legendre rule when L <= eta*dist, and in closed form
%     otherwise. eta = 0 and a NaN eta give the closed form for every pair;
%     with the default, quadrature is used exactly when the element is at most
%     half as long as its distance. Both are exact to rounding for the pairs
%     they take (the closed form at any distance, angle and scale), so eta
%     trades only speed. A zero-length element adds 0.
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
%   Errors (each ends the call; Octave prefixes the text with "slpfield: "),
%   each under its identifier (err.identifier in a catch block):
%     bem2d:slpfield:nargout
%       Invalid number of output arguments. Usage:
%         Vchi_z = slpfield(coordinates,elements,chi,z)
%     bem2d:slpfield:nargin
%       Invalid number of input arguments. Usage:
%         Vchi_z = slpfield(coordinates,elements,x,z[,eta])
%     bem2d:slpfield:etaNegative
%       In slpfield, ETA is less than zero (ETA=-0.100000).
%       Please choose a value that is greater than or equal to 0.
%     bem2d:slpfield:etaClass   (a cell, struct, function handle, ...)
%       In slpfield, ETA must be a number, not a cell.
%
%   and for input that cannot be read safely (ARG is coordinates, chi, z or
%   elements):
%     bem2d:slpfield:argumentClass
%       In slpfield, ARG must be a real, full (not sparse) double matrix.
%       In slpfield, elements must be a real, full (not sparse) double or integer matrix.
%     followed, when the class C is wrong, by the line "It is of class C;
%     double(ARG) converts it." for a numeric, logical or char ARG, and
%     "It is of class C." for any other;
%     bem2d:slpfield:tooFewColumns
%       In slpfield, ARG must have at least 2 columns.
%     bem2d:slpfield:tooManyRows
%       In slpfield, ARG has more rows than a module can index.
%     bem2d:slpfield:vertexNumber
%       In slpfield, elements(r,c) = v is not a row number of coordinates (1 to nC).
%     bem2d:slpfield:tooFewEntries
%       In slpfield, chi must have at least nE entries (it has m).
%     bem2d:slpfield:outOfMemory
%       In slpfield, there is not enough memory for the computation.
%     bem2d:slpfield:interrupted   (only where the host does not take over Ctrl-C)
%       In slpfield, the computation was interrupted.
%
%   Example
%     % Density 1 on a circle of radius 2 (256 elements): the potential is
%     % -2*log(2) inside and -2*log|z| outside, up to O(1/n^2).
%     n = 256; t = 2*pi*(0:n-1)'/n;
%     coordinates = 2*[cos(t) sin(t)];
%     elements = [(1:n)' [2:n 1]'];
%     z = [0 0; 1 0.5; 3 1];
%     u = slpfield(coordinates, elements, ones(n,1), z);
%     [u, -2*log(max(2, sqrt(sum(z.^2, 2))))]
%
%   See also SLPMATRIX, DLPFIELD, TDLFIELD.

%!shared c, e
%! c = [0 0; 1 0];   # one element of length 1 along the x axis
%! e = [1 2];
%!test  # -(1/(2*pi)) times the integral of log|z - y| over the element, in
%! # closed form: log(1/2) - 1 from its middle; from (1/2, h), with a = 1/2,
%! # a*log(a^2 + h^2) - 2*a + 2*h*atan(a/h) (h = 3: by the 16-point rule)
%! a = 0.5;
%! h = [1; 3];
%! exact = -[log(0.5) - 1; a*log(a^2 + h.^2) - 2*a + 2*h.*atan(a./h)] / (2*pi);
%! assert (slpfield (c, e, 1, [0.5 0; 0.5 1; 0.5 3]), exact, 1e-15);
%!assert (slpfield (c, int8 (e), 2, [0.2 0.7]), 2 * slpfield (c, e, 1, [0.2 0.7]), 1e-15)
%!error id=bem2d:slpfield:nargin V = slpfield (c, e, 1)
%!error id=bem2d:slpfield:etaNegative V = slpfield (c, e, 1, [0 1], -1)
%!error id=bem2d:slpfield:tooFewEntries V = slpfield (c, [e; e], 1, [0 1])
