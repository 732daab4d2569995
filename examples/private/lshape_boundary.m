function [coordinates, elements, corners] = lshape_boundary (k, beta)
  % LSHAPE_BOUNDARY  Boundary mesh of the L-shaped domain
  % (-1,1)^2 without [0,1]x[-1,0], with elements of length 1/k (8k of them)
  % running counter-clockwise, so that every element's normal (its direction
  % turned clockwise) points out of the domain. corners(i) is true when node i
  % is one of the six corners; the re-entrant corner (0,0) is node 1.
  % Halving k's elements gives the mesh of 2k. With beta, the mesh is graded
  % toward the re-entrant corner: on its two edges the nodes lie at the
  % distances (i/k)^beta from it (beta = 3: the smallest element is k^-3
  % long).
  if (nargin < 2)
    beta = 1;
  end
  vertices = [0 0; 1 0; 1 1; -1 1; -1 -1; 0 -1];
  coordinates = zeros (0, 2);
  corners = false (0, 1);
  for c = 1:6
    P = vertices(c,:);
    Q = vertices(mod (c, 6) + 1,:);
    m = round (norm (Q - P) * k);
    s = (0:m-1)' / m;
    if (c == 1)
      s = s .^ beta;                 % away from the corner at P
    elseif (c == 6)
      s = 1 - (1 - s) .^ beta;       % toward the corner at Q
    end
    coordinates = [coordinates; P + s * (Q - P)];
    corners = [corners; true; false(m - 1, 1)];
  end
  n = size (coordinates, 1);
  elements = [(1:n)', [2:n, 1]'];
end
