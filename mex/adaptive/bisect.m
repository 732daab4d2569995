function [coordinates, elements, parent] = bisect (coordinates, elements, marked, varargin)
  % BISECT  Refines a boundary mesh by splitting elements at their midpoints.
  %
  %   [coordinates, elements, parent] = bisect(coordinates, elements, marked)
  %   [coordinates, elements, parent] = bisect(coordinates, elements, marked, 'ratio', kappa)
  %
  %   Every marked element is split at its midpoint into two elements of
  %   half its length, which keep its direction: element [A B] becomes
  %   [A M] and [M B]. The new nodes M are appended to coordinates, one per
  %   refined element in the order of the elements; the old nodes keep their
  %   numbers (so node values of the old mesh stay where they were). The new
  %   elements follow the order of the old ones, each refined element
  %   replaced by its two halves in place, so that parent(j) is the element
  %   of the old mesh that new element j lies in, and parent is
  %   non-decreasing. Open and closed boundaries and meshes of several
  %   components are refined alike: only the marked elements (and, with a
  %   ratio, their neighbours) change.
  %
  %   Arguments
  %     coordinates  nC-by-2 real double, one node per row.
  %     elements     nE-by-2 node numbers (1-based, double or integer class).
  %     marked       the elements to split: a logical mask of nE entries or a
  %                  list of element numbers (repeats allowed). All of them,
  %                  true(nE,1), gives the uniform refinement, in which the
  %                  halves of element i are elements 2i-1 and 2i and its
  %                  midpoint is node nC + i.
  %     'ratio', kappa  (kappa >= 2) also splits the neighbours needed to
  %                  keep the lengths of any two elements that share a node
  %                  within the factor kappa: a neighbour longer than kappa
  %                  times a new half is split too, and so on outwards. If the
  %                  given mesh has this bound, so does the refined one: with
  %                  kappa = 2 and a mesh of equal elements, neighbouring
  %                  elements differ at most by the factor 2 however often it
  %                  is refined. The estimators of the toolkit assume such a
  %                  bound (their constants depend on it).
  %
  %   Results
  %     coordinates  (nC + r)-by-2, r the number of elements split.
  %     elements     (nE + r)-by-2, double.
  %     parent       (nE + r)-by-1, the old element of each new one.
  %
  %   To carry data over: prolong_constants(chi, parent) for one value per
  %   element, prolong_nodal(gh, elements_old, elements, parent) for nodal
  %   values of a continuous piecewise-linear function.
  %
  %   Errors: bem2d:bisect:nargin, :argumentClass, :tooFewColumns,
  %   :vertexNumber, :marked (not a mask of nE entries nor element numbers),
  %   :ratio (not a number >= 2, or another option than 'ratio').
  %
  %   Example
  %     % A square of four elements; split element 2, keep the ratio at 2.
  %     c = [0 0; 1 0; 1 1; 0 1]; e = [1 2; 2 3; 3 4; 4 1];
  %     [c2, e2, parent] = bisect(c, e, 2)        % node 5 = (1, 0.5)
  %     [c3, e3] = bisect(c2, e2, 2, 'ratio', 2); % also splits element 1 of e2
  %
  %   See also dorfler, prolong_constants, prolong_nodal, element_lengths.

  if (nargin ~= 3 && nargin ~= 5)
    error ('bem2d:bisect:nargin', ...
           'Invalid number of arguments: Usage [coordinates,elements,parent]=bisect(coordinates,elements,marked[,''ratio'',kappa])');
  end
  elements = mesh_arguments ('bisect', coordinates, elements);
  coordinates = coordinates(:,1:2);
  nE = size (elements, 1);
  nC = size (coordinates, 1);
  split = false (nE, 1);
  if (islogical (marked) && numel (marked) == nE)
    split(marked(:)) = true;
  elseif (isnumeric (marked) && isreal (marked) && all (marked(:) == round (marked(:))) ...
          && all (marked(:) >= 1 & marked(:) <= nE))
    split(marked(:)) = true;
  else
    error ('bem2d:bisect:marked', ...
           ['In bisect, marked must be a logical mask of %d entries or element numbers' ...
            ' from 1 to %d.'], ...
           nE, nE);
  end

  if (nargin == 5)
    kappa = varargin{2};
    if (~ischar (varargin{1}) || ~strcmpi (varargin{1}, 'ratio') || ~isnumeric (kappa) ...
        || ~isscalar (kappa) || ~(kappa >= 2))
      error ('bem2d:bisect:ratio', 'In bisect, the option is ''ratio'', a number of at least 2.');
    end
    % Pairs (i, j) of distinct elements that share a node.
    uses = sparse (elements(:), [1:nE, 1:nE]', 1, nC, nE);
    [i, j] = find (uses' * uses);
    pair = i ~= j;
    i = i(pair);
    j = j(pair);
    h = element_lengths (coordinates, elements);
    % Neighbour j of a split element i is split too when it would be longer
    % than kappa times a half of i (beyond rounding of the lengths, so that
    % equal neighbours are left alone). Splitting only spreads to longer
    % elements, so the loop ends.
    too_long = h(j) > kappa * h(i) / 2 * (1 + 1e-10);
    while (true)
      grow = too_long & split(i) & ~split(j);
      if (~any (grow))
        break;
      end
      split(j(grow)) = true;
    end
  end

  % New node nC + k is the midpoint of the k-th split element.
  refined = find (split);
  r = numel (refined);
  mid = nC + (1:r)';
  coordinates = [coordinates; ...
                 (coordinates(elements(refined,1),:) + coordinates(elements(refined,2),:)) / 2];
  count = 1 + split;                       % elements each old element becomes
  parent = repelem ((1:nE)', count);
  last = cumsum (count);                   % position of its last new element
  new = elements(parent,:);
  first = last(refined) - 1;               % first half of every split element
  new(first,2) = mid;
  new(first + 1,1) = mid;
  elements = new;
end

%!test
%! % A closed square and an open path at once: lengths add up, directions and
%! % old node numbers are kept, parent names the element each half lies in.
%! c = [0 0; 2 0; 2 2; 0 2; 5 0; 5 3; 6 3];
%! e = [1 2; 2 3; 3 4; 4 1; 5 6; 6 7];
%! [c2, e2, p] = bisect (c, e, logical ([0 1 0 1 1 0]));
%! assert (size (e2), [9 2]);
%! assert (p', [1 2 2 3 4 4 5 5 6]);
%! assert (c2(1:7,:), c);
%! assert (c2(8:10,:), [2 1; 0 1; 5 1.5]);
%! assert (accumarray (p, element_lengths (c2, e2)), element_lengths (c, e));
%! assert (element_normals (c2, e2), element_normals (c, e)(p,:));
%!test
%! % A list of element numbers gives the same as the mask; all of them the
%! % uniform refinement with the halves of element i at 2i-1 and 2i.
%! c = [0 0; 1 0; 1 1]; e = [1 2; 2 3; 3 1];
%! [c2, e2] = bisect (c, e, [3 1 3]);
%! [c3, e3] = bisect (c, e, logical ([1 0 1]));
%! assert (isequal (c2, c3) && isequal (e2, e3));
%! [c4, e4, p4] = bisect (c, e, true (3, 1));
%! assert (p4', [1 1 2 2 3 3]);
%! assert (e4(1:2:end,1), e(:,1));
%! assert (e4(1:2:end,2), (4:6)');
%!test
%! % The ratio closure: refining at one end of a path over and over keeps
%! % neighbouring elements within the factor 2.
%! c = [(0:4)' zeros(5,1)]; e = [(1:4)' (2:5)'];
%! for k = 1:12
%!   [c, e] = bisect (c, e, 1, 'ratio', 2);
%! end
%! h = element_lengths (c, e);
%! [~, order] = sort (c(e(:,1),1));
%! h = h(order);
%! assert (max (max (h(2:end) ./ h(1:end-1), h(1:end-1) ./ h(2:end))) <= 2);
%! assert (h(1), 2^-12, eps);
%!error <marked must be> bisect ([0 0; 1 0], [1 2], 2)
%!error <the option is 'ratio'> bisect ([0 0; 1 0], [1 2], 1, 'ratio', 1.5)
