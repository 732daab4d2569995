function chi = prolong_constants (chi, parent)
  % PROLONG_CONSTANTS  Carries a piecewise-constant function (one value per
  % element) to the mesh that BISECT returned.
  %
  %   chi_new = prolong_constants(chi, parent)
  %
  %   chi     nE-by-k, row i the value(s) on element i of the old mesh.
  %   parent  the third output of bisect: the old element of every new one.
  %   chi_new numel(parent)-by-k, chi_new(j,:) = chi(parent(j),:): the same
  %           function on the new mesh.
  %
  %   Errors: bem2d:prolong_constants:parent (parent names no row of chi).
  %
  %   Example
  %     [c2, e2, parent] = bisect([0 0; 1 0; 1 1], [1 2; 2 3; 3 1], 2);
  %     prolong_constants([10; 20; 30], parent)     % [10; 20; 20; 30]
  %
  %   See also bisect, prolong_nodal.

  parent = parent(:);
  if (~isnumeric (parent) || any (parent ~= round (parent) | parent < 1 | parent > size (chi, 1)))
    error ('bem2d:prolong_constants:parent', ...
           'In prolong_constants, parent must hold element numbers from 1 to %d.', size (chi, 1));
  end
  chi = chi(parent,:);
end

%!test
%! [c2, e2, p] = bisect ([0 0; 1 0; 1 1], [1 2; 2 3; 3 1], [2 3]);
%! assert (prolong_constants ([10 1; 20 2; 30 3], p), [10 1; 20 2; 20 2; 30 3; 30 3]);
%!error <parent must hold> prolong_constants ([1; 2], [1 3])
