function marked = dorfler (indicators, theta)
  % DORFLER  Doerfler marking: the fewest elements that carry a given share
  % of the estimated error.
  %
  %   marked = dorfler(indicators, theta)
  %
  %   indicators  n non-negative values, one per element, that add up to the
  %               square of the estimate: the eta2 (or eta2 + osc2) that the
  %               estimators of the toolkit return.
  %   theta       the share, 0 <= theta <= 1 (0.5 is usual; smaller marks
  %               fewer elements per step).
  %   marked      column of element numbers, ascending: a set M of the least
  %               possible size with sum(indicators(M)) >= theta*sum(indicators),
  %               found by sorting (O(n log n)): the largest indicators first,
  %               until their sum reaches the share. Where indicators tie at
  %               the last one taken, the one of the lowest number is taken;
  %               every such choice has the same size. Empty when theta = 0 or
  %               every indicator is 0.
  %
  %   Errors: bem2d:dorfler:indicators (negative, NaN or infinite entries,
  %   or not a real vector), bem2d:dorfler:theta (not a number in [0, 1]).
  %
  %   Example
  %     dorfler([1 4 2 3], 0.5)     % [2; 4]: 4 + 3 >= 5, and no single one does
  %
  %   See also bisect, symm_residual, hyp_residual.

  if (~isnumeric (indicators) || ~isreal (indicators) || ~(isvector (indicators) ...
      || isempty (indicators)) || any (~isfinite (indicators(:)) | indicators(:) < 0))
    error ('bem2d:dorfler:indicators', ...
           'In dorfler, the indicators must be a real vector of finite values >= 0.');
  end
  if (~isnumeric (theta) || ~isscalar (theta) || ~isreal (theta) || ~(theta >= 0 && theta <= 1))
    error ('bem2d:dorfler:theta', 'In dorfler, theta must be a number from 0 to 1.');
  end
  [sorted, order] = sort (double (indicators(:)), 'descend');   % stable: ties by number
  total = cumsum (sorted);
  % The sums of the k largest are total(k); the last equals the whole sum
  % in the same order of addition, so theta = 1 reaches it.
  if (isempty (total) || theta * total(end) <= 0)
    marked = zeros (0, 1);
    return;
  end
  k = find (total >= theta * total(end), 1);
  marked = sort (order(1:k));
end

%!assert (dorfler ([1 4 2 3], 0.5), [2; 4])
%!assert (dorfler ([1 4 2 3], 1), (1:4)')
%!assert (dorfler ([0 0 0], 0.5), zeros (0, 1))
%!assert (dorfler ([2 2 2 2], 0.6), [1; 2; 3])
%!error <theta must be> dorfler ([1 2], 1.5)
%!error <indicators must be> dorfler ([1 -2], 0.5)
