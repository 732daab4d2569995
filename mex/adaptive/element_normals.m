function [n, t] = element_normals (coordinates, elements)
  % ELEMENT_NORMALS  Unit normals and unit tangents of the elements of a
  % boundary mesh.
  %
  %   [n, t] = element_normals(coordinates, elements)
  %
  %   t(j,:) = (B - A)/|B - A| is the direction of element j from A to B and
  %   n(j,:) = (t(j,2), -t(j,1)) that direction turned clockwise, as every
  %   module of the toolkit takes it: for a boundary that runs
  %   counter-clockwise around its domain, n points out of the domain.
  %   Both are nE-by-2; a zero-length element gives NaN rows.
  %
  %   Errors: bem2d:element_normals:argumentClass, :tooFewColumns,
  %   :vertexNumber.
  %
  %   Example
  %     % The unit square, counter-clockwise: normals (0,-1), (1,0), (0,1), (-1,0).
  %     n = element_normals([0 0; 1 0; 1 1; 0 1], [1 2; 2 3; 3 4; 4 1])
  %
  %   See also element_lengths, mass_matrix.

  elements = mesh_arguments ('element_normals', coordinates, elements);
  d = coordinates(elements(:,2),1:2) - coordinates(elements(:,1),1:2);
  t = d ./ sqrt (d(:,1).^2 + d(:,2).^2);
  n = [t(:,2), -t(:,1)];
end

%!test
%! [n, t] = element_normals ([0 0; 1 0; 1 1; 0 1], [1 2; 2 3; 3 4; 4 1]);
%! assert (n, [0 -1; 1 0; 0 1; -1 0]);
%! assert (t, [1 0; 0 1; -1 0; 0 -1]);
%!test
%! % Unit length, perpendicular to the element, whatever its direction.
%! c = [0.3 -0.2; 1.7 2.9]; [n, t] = element_normals (c, [1 2; 2 1]);
%! assert (sum (n.^2, 2), [1; 1], 4*eps);
%! assert (sum (n .* t, 2), [0; 0], 4*eps);
%! assert (n(1,:), -n(2,:));
