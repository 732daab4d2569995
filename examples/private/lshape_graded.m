function [coordinates, elements] = lshape_graded (k, beta)
  % LSHAPE_GRADED  Boundary mesh of the L-shaped domain of lshape_boundary
  % (8k elements, counter-clockwise, the re-entrant corner (0,0) node 1),
  % graded toward the re-entrant corner: on its two edges the nodes lie at
  % the distances (i/k)^beta from it, elsewhere 1/k apart. With beta = 3 the
  % smallest element is k^-3 long.
  vertices = [0 0; 1 0; 1 1; -1 1; -1 -1; 0 -1];
  coordinates = zeros (0, 2);
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
  end
  n = size (coordinates, 1);
  elements = [(1:n)', [2:n, 1]'];
end
