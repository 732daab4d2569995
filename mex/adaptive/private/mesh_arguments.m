function elements = mesh_arguments (name, coordinates, elements)
  % MESH_ARGUMENTS  Checks the boundary mesh handed to the function NAME and
  % returns its elements as doubles: coordinates a real full double matrix of
  % at least two columns, elements a real matrix of two columns (double or
  % any integer class) whose entries are node numbers 1 ... nC. Errors under
  % bem2d:NAME:argumentClass, :tooFewColumns and :vertexNumber.
  if (~isa (coordinates, 'double') || ~isreal (coordinates) || issparse (coordinates))
    error (['bem2d:' name ':argumentClass'], ...
           'In %s, coordinates must be a real, full (not sparse) double matrix.', name);
  end
  if (~(isnumeric (elements) && isreal (elements)) || issparse (elements))
    error (['bem2d:' name ':argumentClass'], ...
           'In %s, elements must be a real, full (not sparse) double or integer matrix.', name);
  end
  if (size (coordinates, 2) < 2 || size (elements, 2) ~= 2)
    error (['bem2d:' name ':tooFewColumns'], ...
           'In %s, coordinates must have at least 2 columns and elements exactly 2.', name);
  end
  elements = double (elements);
  bad = find (elements ~= round (elements) | elements < 1 | elements > size (coordinates, 1), 1);
  if (~isempty (bad))
    [r, c] = ind2sub (size (elements), bad);
    error (['bem2d:' name ':vertexNumber'], ...
           'In %s, elements(%d,%d) = %g is not a row number of coordinates (1 to %d).', ...
           name, r, c, elements(bad), size (coordinates, 1));
  end
end
