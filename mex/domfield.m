% DOMFIELD  Newton (volume) potential of a piecewise-constant density on a triangulation.
%
%   S = domfield(vertices, volumes, f, x)
%
%   Evaluates, at the points x, the Newton potential of the 2-D Laplace
%   equation for the density f that is constant on every triangle of a
%   triangulated domain Omega:
%
%     S(x) = int_Omega G(x,y) f(y) dy = -(1/(2*pi)) * sum_T f(T) * int_T log|x - y| dy,
%
%   with G(x,y) = -(1/(2*pi))*log|x - y|, so that -Laplace(S) = f in Omega.
%   Together with a boundary element solution of the Dirichlet problem for
%   u - S it solves the Poisson problem -Laplace(u) = f.
%
%   Arguments
%     vertices  nV-by-2 real double: vertex k lies at
%               (vertices(k,1), vertices(k,2)).
%     volumes   nT-by-3 real double or integer (int8 ... uint64): triangle j
%               has the corners vertices(volumes(j,1),:),
%               vertices(volumes(j,2),:) and vertices(volumes(j,3),:)
%               (1-based, truncated toward zero; either orientation).
%     f         at least nT values: f(j) is the density on triangle j (read
%               in column-major order, any shape).
%     x         nx-by-2 real double: the evaluation points (anywhere).
%
%   Result
%     S         nx-by-1: S(i) = S(x(i,:)).
%
%   Accuracy (there is no eta)
%     Exact to rounding at every point. Within 8 triangle radii (the largest
%     distance from the centroid to a corner) each triangle's integral is
%     taken in closed form from its three edges (by the divergence theorem),
%     inside the triangle, on its edges and at its corners included; farther
%     away by the multipole series about its centroid c, whose terms are
%     taken until (R/|x - c|)^(K+1) <= 1e-17 (K at most 18), which bounds the
%     remainder relative to the leading term. A triangle without area
%     (coincident or collinear corners) adds 0.
%
%   Threads, vector lanes and Ctrl-C
%     The work is spread over every hardware thread, or over BEM2D_NUM_THREADS
%     threads when that environment variable holds a positive integer (read
%     at every call, so setenv in a session takes effect); the result does
%     not depend on the number of threads. Far pairs are evaluated 8 (AVX-512)
%     or 4 (AVX2) at a time where the CPU has them. Ctrl-C stops the call
%     within milliseconds and assigns no output.
%
%   Errors (each ends the call; Octave prefixes the text with "domfield: "),
%   each under its identifier (err.identifier in a catch block); these two
%   texts are cut at 151 characters:
%     bem2d:domfield:nargout
%       Invalid number of output arguments. Use
%         S = domfield(vertices,volumes,f,x)
%     bem2d:domfield:nargin
%       Invalid number of input arguments (N). Use
%         S = domfield(vertices,volumes,f,x)
%
%   and for input that cannot be read safely (ARG is vertices, f, x or
%   volumes):
%     bem2d:domfield:argumentClass
%       In domfield, ARG must be a real, full (not sparse) double matrix.
%       In domfield, volumes must be a real, full (not sparse) double or integer matrix.
%     followed, when the class C is wrong, by the line "It is of class C;
%     double(ARG) converts it." for a numeric, logical or char ARG, and
%     "It is of class C." for any other;
%     bem2d:domfield:tooFewColumns
%       In domfield, ARG must have at least 2 columns (volumes: 3 columns).
%     bem2d:domfield:tooManyRows
%       In domfield, ARG has more rows than a module can index.
%     bem2d:domfield:vertexNumber
%       In domfield, volumes(r,c) = v is not a row number of vertices (1 to nV).
%     bem2d:domfield:tooFewEntries
%       In domfield, f must have at least nT entries (it has m).
%     bem2d:domfield:outOfMemory
%       In domfield, there is not enough memory for the computation.
%     bem2d:domfield:interrupted   (only where the host does not take over Ctrl-C)
%       In domfield, the computation was interrupted.
%
%   Example
%     % The unit square in two triangles, f = 1, seen from far away: S is
%     % close to -(1/(2*pi))*log|x - c| times the area, c the centre.
%     vertices = [0 0; 1 0; 1 1; 0 1];
%     volumes = [1 2 3; 1 3 4];
%     x = [20 5];
%     [domfield(vertices, volumes, [1; 1], x), -log(norm(x - 0.5))/(2*pi)]
%
%   See also SLPFIELD, DLPFIELD.

%!shared v, t
%! v = [0 0; 1 0; 1 1; 0 1];   # the unit square in two triangles
%! t = [1 2 3; 1 3 4];
%!test  # from a corner: -(1/(2*pi)) * int over [0,1]^2 of log|y| dy, where
%! # int_0^1 int_0^1 log(y1^2 + y2^2) dy = log(2) - 3 + pi/2
%! exact = -(log (2) - 3 + pi/2) / (4*pi);
%! assert (domfield (v, t, [1; 1], [0 0; 1 1]), [exact; exact], 1e-15);
%!assert (domfield (v, int32 (t), [2; 3], [4 -1]), domfield (v, t, [2; 3], [4 -1]))
%!error id=bem2d:domfield:nargin S = domfield (v, t, [1; 1])
%!error id=bem2d:domfield:tooFewEntries S = domfield (v, t, 1, [0 0])
%!error id=bem2d:domfield:vertexNumber S = domfield (v, [1 2 5], 1, [0 0])
