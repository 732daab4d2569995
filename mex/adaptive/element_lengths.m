function h = element_lengths (coordinates, elements)
  % ELEMENT_LENGTHS  Lengths of the elements of a boundary mesh.
  %
  %   h = element_lengths(coordinates, elements)
  %
  %   coordinates  nC-by-2 real double, one node per row.
  %   elements     nE-by-2, the 1-based node numbers of the first and second
  %                end of every element (double or any integer class).
  %   h            nE-by-1, h(j) = |B - A| for element j from A to B.
  %
  %   Errors: bem2d:element_lengths:argumentClass, :tooFewColumns,
  %   :vertexNumber (a node number that names no row of coordinates).
  %
  %   Example
  %     element_lengths([0 0; 3 0; 3 4], [1 2; 2 3; 3 1])   % [3; 4; 5]
  %
  %   See also element_normals, mass_matrix, bisect.

  elements = mesh_arguments ('element_lengths', coordinates, elements);
  d = coordinates(elements(:,2),1:2) - coordinates(elements(:,1),1:2);
  h = sqrt (d(:,1).^2 + d(:,2).^2);
end

%!assert (element_lengths ([0 0; 3 0; 3 4], int8 ([1 2; 2 3; 3 1])), [3; 4; 5])
%!assert (element_lengths ([0 0; 1 1], zeros (0, 2)), zeros (0, 1))
%!error <not a row number> element_lengths ([0 0; 1 0], [1 3])
