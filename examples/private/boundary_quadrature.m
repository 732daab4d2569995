function Q = boundary_quadrature (coordinates, elements, corners)
  % BOUNDARY_QUADRATURE  Quadrature points on every element, for integrals
  % of boundary functions such as (1/2 - K') phi_h, projections of the data
  % and L2 errors. These are smooth inside an element, but near a corner of
  % the polygon K' phi grows like log(distance), so the elements at a corner
  % get a composite rule graded geometrically towards it (pieces of relative
  % length 0.15^4, 0.15^3, ..., 1), all others the 8-point Gauss-Legendre
  % rule. Fields, one row per point:
  %   el  element number      s  parameter in (0,1), x = A + s*(B - A)
  %   x   the point           n  outward unit normal of its element
  %   ds  weight for ds (the weights of one element sum to its length)
  [t, w] = gauss_legendre (8);
  regular_s = (t + 1) / 2;
  regular_w = w / 2;
  breaks = [0, 0.15.^(4:-1:1), 1];
  graded_s = [];
  graded_w = [];
  for i = 1:numel (breaks) - 1
    a = breaks(i);
    b = breaks(i + 1);
    graded_s = [graded_s; a + (b - a) * regular_s];
    graded_w = [graded_w; (b - a) * regular_w];
  end
  nE = size (elements, 1);
  S = cell (nE, 1);
  W = cell (nE, 1);
  for j = 1:nE
    at_start = corners(elements(j,1));
    at_end = corners(elements(j,2));
    if (at_start && at_end)
      S{j} = [graded_s / 2; 1 - graded_s / 2];
      W{j} = [graded_w / 2; graded_w / 2];
    elseif (at_start)
      S{j} = graded_s;
      W{j} = graded_w;
    elseif (at_end)
      S{j} = 1 - graded_s;
      W{j} = graded_w;
    else
      S{j} = regular_s;
      W{j} = regular_w;
    end
  end
  counts = cellfun (@numel, S);
  Q.el = repelem ((1:nE)', counts);
  Q.s = vertcat (S{:});
  A = coordinates(elements(Q.el,1),:);
  B = coordinates(elements(Q.el,2),:);
  L = sqrt (sum ((B - A).^2, 2));
  Q.x = A + Q.s .* (B - A);
  Q.n = [B(:,2) - A(:,2), A(:,1) - B(:,1)] ./ L;
  Q.ds = vertcat (W{:}) .* L;
end
