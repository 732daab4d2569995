% DLPGRADFIELD  Gradient of the double-layer potential at points off the boundary.
%
%   G = dlpgradfield(coordinates, elements, gh, x)
%   G = dlpgradfield(coordinates, elements, gh, x, eta)
%
%   Evaluates, at the points x, the gradient of the double-layer potential of
%   the 2-D Laplace equation for a density g that is continuous and linear on
%   each element, given by its values gh at the nodes (as dlpfield):
%
%     G(i,:) = grad (K g)(x(i,:)),
%     (K g)(x) = -(1/(2*pi)) * int ((y - x).n_y)/|y - x|^2 g(y) ds_y .
%
%   Together with tdlfield, which gives the derivative of the single layer
%   in a direction (two calls, with the directions [1 0] and [0 1], give its
%   gradient), it yields the gradient of u = V*phi - K*g inside a domain: the
%   flux of a computed solution.
%
%   Arguments
%     coordinates  nC-by-2 real double: node k lies at
%                  (coordinates(k,1), coordinates(k,2)).
%     elements     nE-by-2 real double or integer (int8 ... uint64): element
%                  j runs from node elements(j,1) to node elements(j,2)
%                  (1-based); its normal is its direction turned clockwise.
%     gh           real double with an entry for every node that elements
%                  names (read as a vector): g(node k) = gh(k).
%     x            nx-by-2 real double: the points, off the boundary.
%     eta          optional admissibility parameter, default 0.5, not
%                  negative. Used only when it is 1-by-1: any other shape,
%                  [] included, means 0.5.
%
%   Result
%     G            nx-by-2: the two partial derivatives at each point. NaN in
%                  both columns for a point on an element (within 1e-12
%                  element lengths plus a few rounding units of its
%                  coordinates), with a warning on the standard error stream.
%
%   How eta is used
%     Element j (length L, distance dist from the point) is integrated by
%     quadrature when L <= eta*dist, and in closed form otherwise (the
%     derivative of the double layer's closed form, as hypfield takes it).
%     A pair sent to quadrature is integrated by the power series of its
%     kernel about the element's midpoint when |x - m| >= 2L (then the terms
%     are taken until the remainder is below 1e-17), else by the 16-point
%     Gauss-Legendre rule. Both routes are exact to rounding, so eta trades
%     only speed. eta = 0 and a NaN eta give the closed form for every pair.
%     A zero-length element adds 0.
%
%   Threads, vector lanes and Ctrl-C
%     The points are spread over every hardware thread, or over
%     BEM2D_NUM_THREADS threads when that environment variable holds a
%     positive integer (read at every call); the result does not depend on
%     the number of threads. Far pairs are evaluated 8 (AVX-512) or 4 (AVX2)
%     at a time where the CPU has them. Ctrl-C stops the call within
%     milliseconds and assigns no output.
%
%   Warning (on the standard error stream; the call goes on)
%     Warning (dlpgradfield): The evaluation point (x1,x2) lies on the
%     boundary! The i-th row of the return matrix is set to NaN!
%   (i counts from 0, each warning is one line.)
%
%   Errors (each ends the call; Octave prefixes the text with "dlpgradfield: "),
%   each under its identifier (err.identifier in a catch block):
%     bem2d:dlpgradfield:nargout
%       Invalid number of output arguments. Usage:
%         G = dlpgradfield(coordinates,elements,gh,x)
%     bem2d:dlpgradfield:nargin
%       Invalid number of input arguments. Usage:
%         G = dlpgradfield(coordinates,elements,gh,x[,eta])
%     bem2d:dlpgradfield:etaNegative
%       In dlpgradfield, ETA is less than zero (ETA=-0.100000).
%       Please choose a value that is greater than or equal to 0.
%     bem2d:dlpgradfield:etaClass   (a cell, struct, function handle, ...)
%       In dlpgradfield, ETA must be a number, not a cell.
%
%   and for input that cannot be read safely (ARG is coordinates, gh, x or
%   elements):
%     bem2d:dlpgradfield:argumentClass
%       In dlpgradfield, ARG must be a real, full (not sparse) double matrix.
%       In dlpgradfield, elements must be a real, full (not sparse) double or integer matrix.
%     followed, when the class C is wrong, by the line "It is of class C;
%     double(ARG) converts it." for a numeric, logical or char ARG, and
%     "It is of class C." for any other;
%     bem2d:dlpgradfield:tooFewColumns
%       In dlpgradfield, ARG must have at least 2 columns.
%     bem2d:dlpgradfield:tooManyRows
%       In dlpgradfield, ARG has more rows than a module can index.
%     bem2d:dlpgradfield:vertexNumber
%       In dlpgradfield, elements(r,c) = v is not a row number of coordinates (1 to nC).
%     bem2d:dlpgradfield:tooFewEntries
%       In dlpgradfield, gh must have at least k entries (it has m).
%     bem2d:dlpgradfield:outOfMemory
%       In dlpgradfield, there is not enough memory for the computation.
%     bem2d:dlpgradfield:interrupted   (only where the host does not take over Ctrl-C)
%       In dlpgradfield, the computation was interrupted.
%
%   Example
%     % u(x) = a.x + b is harmonic, its trace g is linear on each element and
%     % its normal derivative phi = a.n constant on each: the representation
%     % u = V*phi - K*g gives grad u = a exactly inside the unit square.
%     c = [0 0; 1 0; 1 1; 0 1]; e = [1 2; 2 3; 3 4; 4 1];
%     a = [0.7 -0.3]; g = c*a' + 0.2;
%     d = c(e(:,2),:) - c(e(:,1),:); n = [d(:,2) -d(:,1)] ./ sqrt(sum(d.^2, 2));
%     phi = n*a'; x = [0.3 0.4; 0.8 0.1];
%     gradV = [tdlfield(c, e, phi, x, repmat([1 0], 2, 1)), tdlfield(c, e, phi, x, repmat([0 1], 2, 1))];
%     gradV - dlpgradfield(c, e, g, x)   % [0.7 -0.3] in each row
%
%   See also DLPFIELD, TDLFIELD, HYPFIELD, DLPMATRIX.

%!shared c, e
%! c = [0 0; 1 0; 1 1; 0 1];   # the unit square, counter-clockwise
%! e = [1 2; 2 3; 3 4; 4 1];
%!test  # the gradient of a linear harmonic function through the representation
%! a = [0.7 -0.3]; g = c*a' + 0.2;
%! d = c(e(:,2),:) - c(e(:,1),:); n = [d(:,2) -d(:,1)];
%! x = [0.3 0.4; 0.8 0.1; 0.5 0.999];
%! gradV = [tdlfield(c, e, n*a', x, repmat([1 0], 3, 1)), tdlfield(c, e, n*a', x, repmat([0 1], 3, 1))];
%! assert (gradV - dlpgradfield (c, e, g, x), repmat (a, 3, 1), 1e-13);
%!test  # the double layer of 1 is constant inside: no gradient, any index class
%! assert (dlpgradfield (c, uint16 (e), ones (4, 1), [0.2 0.7; 0.5 0.5]), zeros (2, 2), 1e-15);
%!error id=bem2d:dlpgradfield:nargin G = dlpgradfield (c, e, ones (4, 1))
%!error id=bem2d:dlpgradfield:tooFewEntries G = dlpgradfield (c, e, [1 1], [0.5 0.5])
%!error id=bem2d:dlpgradfield:etaClass G = dlpgradfield (c, e, ones (4, 1), [0.5 0.5], @sin)
