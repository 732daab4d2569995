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
%     elements     nE-by-2 real double: element j is the straight segment
%                  from node elements(j,1) to node elements(j,2) (1-based node
%                  numbers; a fractional number is truncated toward zero, so
%                  2.7 names node 2). The orientation plays no part here.
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
%     gives a zero row and column. Meshes of 200 or more elements are
%     assembled on four threads.
%
%   Errors (each ends the call; Octave prefixes the text with "slpmatrix: ")
%     Invalid number of output arguments. Use either
%       V = slpmatrix(coordinates,elements)
%     or
%       V = slpmatrix(coordinates,elements,eta)
%
%     Invalid number of input arguments (N). Use either
%       V = slpmatrix(coordinates, elements)
%     or
%       V = slpmatrix(coordinates, elements, eta)
%
%     In slpmatrix, ETA is less than zero (ETA=-0.100000).
%     Please choose a value that is greater than or equal to 0.
%
%   and for input that cannot be read safely (ARG is coordinates or elements):
%     In slpmatrix, ARG must be a real, full (not sparse) double matrix.
%     In slpmatrix, ARG must have at least 2 columns.
%     In slpmatrix, ARG has more rows than a module can index.
%     In slpmatrix, elements(r,c) = v is not a row number of coordinates (1 to nC).
%     In slpmatrix, there is not enough memory for the computation.
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
