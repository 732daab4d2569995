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
%     elements     nE-by-2 real double: element j is the straight segment
%                  from node elements(j,1) to node elements(j,2) (1-based node
%                  numbers, truncated toward zero).
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
%
%   Errors (each ends the call; Octave prefixes the text with "slpfield: ")
%     Invalid number of output arguments. Usage:
%       Vchi_z = slpfield(coordinates,elements,chi,z)
%
%     Invalid number of input arguments. Usage:
%       Vchi_z = slpfield(coordinates,elements,x,z[,eta])
%
%     In slpfield, ETA is less than zero (ETA=-0.100000).
%     Please choose a value that is greater than or equal to 0.
%
%   and for input that cannot be read safely (ARG is coordinates, elements,
%   chi or z):
%     In slpfield, ARG must be a real, full (not sparse) double matrix.
%     In slpfield, ARG must have at least 2 columns.
%     In slpfield, ARG has more rows than a module can index.
%     In slpfield, elements(r,c) = v is not a row number of coordinates (1 to nC).
%     In slpfield, chi must have at least nE entries (it has m).
%     In slpfield, there is not enough memory for the computation.
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
