function [coordinates, elements] = polygon_mesh (corners, m)
  % POLYGON_MESH  The closed polygon through the rows of corners, in their
  % order, every side cut into m elements of equal length.
  n = rows (corners);
  s = (0:m-1)' / m;
  coordinates = zeros (n * m, 2);
  for k = 1:n
    coordinates((k-1)*m + (1:m),:) = corners(k,:) + s * (corners(mod (k, n) + 1,:) - corners(k,:));
  end
  elements = [(1:n*m)', [2:n*m, 1]'];
end
