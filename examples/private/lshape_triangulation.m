function [vertices, volumes] = lshape_triangulation (k)
  % LSHAPE_TRIANGULATION  Triangulation of the L-shaped domain of
  % LSHAPE_BOUNDARY on the uniform grid of spacing 1/k: every grid square is
  % cut along its diagonal into two triangles (6k^2 in all). Its boundary
  % vertices are the nodes of lshape_boundary(k).
  [X, Y] = meshgrid (linspace (-1, 1, 2*k + 1));
  id = reshape (1:numel (X), size (X));
  [J, I] = ndgrid (1:2*k, 1:2*k);            % square with lower-left (I,J)
  removed = X(1,I(:))' + 0.5/k > 0 & Y(J(:),1) + 0.5/k < 0;
  I = I(~removed);
  J = J(~removed);
  p1 = id(sub2ind (size (id), J, I));
  p2 = id(sub2ind (size (id), J, I + 1));
  p3 = id(sub2ind (size (id), J + 1, I + 1));
  p4 = id(sub2ind (size (id), J + 1, I));
  volumes = [p1 p2 p3; p1 p3 p4];
  used = unique (volumes(:));
  renumber = zeros (numel (X), 1);
  renumber(used) = 1:numel (used);
  vertices = [X(used), Y(used)];
  volumes = renumber(volumes);
end
