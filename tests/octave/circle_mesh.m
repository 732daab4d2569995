function [coordinates, elements] = circle_mesh (n, radius)
  % CIRCLE_MESH  Polygon of n elements with its vertices on the circle of the
  % given radius about the origin, running counter-clockwise.
  t = 2 * pi * (0:n-1)' / n;
  coordinates = radius * [cos(t), sin(t)];
  elements = [(1:n)', [2:n, 1]'];
end
