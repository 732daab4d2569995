function gh = prolong_nodal (gh, elements, elements_new, parent)
  % PROLONG_NODAL  Carries a continuous piecewise-linear function (one value
  % per node) to the mesh that BISECT returned, by interpolation.
  %
  %   gh_new = prolong_nodal(gh, elements, elements_new, parent)
  %
  %   gh            nC-by-k nodal values on the old mesh (elements).
  %   elements      the old mesh's elements, as given to bisect.
  %   elements_new, parent   the second and third outputs of bisect.
  %   gh_new        nodal values on the new mesh: the old nodes keep their
  %                 values, the midpoint of every split element [A B] gets
  %                 (gh(A) + gh(B))/2, so that gh_new describes the same
  %                 function on the new mesh.
  %
  %   Errors: bem2d:prolong_nodal:arguments (sizes that do not fit together).
  %
  %   Example
  %     e = [1 2; 2 3; 3 1];
  %     [c2, e2, parent] = bisect([0 0; 1 0; 1 1], e, 2);
  %     prolong_nodal([0; 1; 3], e, e2, parent)     % [0; 1; 3; 2]
  %
  %   See also bisect, prolong_constants.

  nC = size (gh, 1);
  parent = parent(:);
  if (size (elements_new, 1) ~= numel (parent) || any (parent < 1 | parent > size (elements, 1)) ...
      || any (elements(:) > nC))
    error ('bem2d:prolong_nodal:arguments', ...
           ['In prolong_nodal, gh, elements, elements_new and parent do not belong to one' ...
            ' bisect call.']);
  end
  % The first half [A M] of a split element ends in its new node M.
  first = find (elements_new(:,2) > nC);
  old = elements(parent(first),:);
  gh(elements_new(first,2),:) = (gh(old(:,1),:) + gh(old(:,2),:)) / 2;
end

%!test
%! % A linear function stays linear: its values at the new nodes are exact.
%! c = [0 0; 2 0; 2 1; 0 1]; e = [1 2; 2 3; 3 4; 4 1];
%! [c2, e2, p] = bisect (c, e, [4 1]);
%! u = @(x) [3 * x(:,1) - x(:,2), x(:,2)];
%! assert (prolong_nodal (u (c), e, e2, p), u (c2), 1e-15);
%!error <do not belong> prolong_nodal ([1; 2], [1 2], [1 3; 3 2], [1 2 3])
