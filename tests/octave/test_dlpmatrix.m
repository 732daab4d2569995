% Host tests of dlpmatrix: row sums on closed polygons and across two curves,
% entries against dlpfield integrated along the test element, Symm's
% equation (exact for a linear u, converging on a circle), the Calderon
% relation V W = 1/4 - K^2 in the Galerkin sense, the thread count, eta,
% messages, empty and partial meshes.
1;

function L = element_lengths (c, e)
  L = sqrt (sum ((c(e(:,2),:) - c(e(:,1),:)).^2, 2));
end

function M = mass_matrix (c, e)
  % M(i,q) = int_{E_i} psi_q ds: half the element's length at each of its ends.
  nE = rows (e);
  L = element_lengths (c, e);
  M = sparse ([1:nE, 1:nE], [e(:,1); e(:,2)]', [L; L]' / 2, nE, rows (c));
end

function [s, w] = graded_rule (levels)
  % Composite 20-point Gauss-Legendre rule on [0, 1] (Golub-Welsch), on
  % pieces graded geometrically toward both ends by the ratio 0.15 over
  % `levels` pieces (levels = 0: the plain rule). An integrand c0 + c1 s log s
  % near an end is then integrated to rounding.
  b = (1:19) ./ sqrt (4 * (1:19).^2 - 1);
  [V, D] = eig (diag (b, 1) + diag (b, -1));
  [t, i] = sort (diag (D));
  t = (t + 1) / 2; w0 = V(1,i)'.^2;
  breaks = 0.15 .^ (levels:-1:1);
  breaks = unique ([0, breaks, 1 - breaks, 1]);
  s = []; w = [];
  for k = 1:numel (breaks) - 1
    s = [s; breaks(k) + (breaks(k+1) - breaks(k)) * t];
    w = [w; (breaks(k+1) - breaks(k)) * w0];
  end
end

function d = segment_distance (P, Q, R, S)
  % Distance between the segments PQ and RS (which do not cross): the least
  % distance of an end of one from the other.
  to = @(X, A, B) norm (X - (A + min (1, max (0, (X - A) * (B - A)' / ((B - A) * (B - A)'))) * (B - A)));
  d = min ([to(P, R, S), to(Q, R, S), to(R, P, Q), to(S, P, Q)]);
end

% An irregular, non-convex polygon running counter-clockwise (interior
% angles from 52 to 267 degrees), and the same with every side cut into
% three: elements of unequal lengths, far apart, touching, and in line.
cp = [0 0; 2 0; 2.5 1; 1.5 0.8; 1.2 2; 0.3 1.5; -0.4 0.7];
np = rows (cp);
[~, ep] = polygon_mesh (cp, 1);
[c3, e3] = polygon_mesh (cp, 3);
n3 = rows (c3);

% ---- row sums: K 1 = -|E_i|/2 on a closed curve, -|E_i| or 0 across two ---------
% The double layer of 1 is -1/2 on the boundary (away from corners, a set of
% measure zero), -1 inside and 0 outside. Entries are at most |E_i| in size and
% a row sums up to 60 of them: 1e-14 |E_i| is a few dozen rounding units.
[cc, ec] = circle_mesh (60, 0.5);
meshes = {cc, ec, "circle"; cp, ep, "polygon"; c3, e3, "polygon cut in three"};
for k = 1:rows (meshes)
  [c, e, what] = meshes{k,:};
  L = element_lengths (c, e);
  K = dlpmatrix (c, e);
  expect_near (K * ones (rows (c), 1), -L / 2, 1e-14 * max (L), ["row sums, " what]);
  % Reversing every element turns the normals round: the rows sum to +|E_i|/2.
  expect_near (dlpmatrix (c, fliplr (e)) * ones (rows (c), 1), L / 2, 1e-14 * max (L), ["reversed " what]);
end
% The cut polygon inside a circle of radius 3 about it: the double layer of
% the circle's 1 is -1 on the polygon, that of the polygon's 0 on the circle.
[co, eo] = circle_mesh (48, 3);
c2 = [c3; co + [1 1]];
e2 = [e3; eo + n3];
K = dlpmatrix (c2, e2);
L = element_lengths (c2, e2);
inner = 1:n3; outer = n3 + (1:48);
expect_near (K(inner,outer) * ones (48, 1), -L(inner), 1e-14 * max (L), "polygon inside the circle");
expect_near (K(outer,inner) * ones (n3, 1), zeros (48, 1), 1e-14 * max (L), "circle outside the polygon");

% ---- entries against dlpfield integrated along element i --------------------------
% K(i,q) = int_{E_i} (K psi_q)(x) ds_x, with dlpfield exact to rounding at
% every x. When the support of psi_q lies at least |E_i| from E_i, the
% integrand is analytic in the Bernstein ellipse of parameter 2 + sqrt(5) about
% E_i and the 20-point rule errs by about (2 + sqrt(5))^-40 < 1e-25. For the
% other pairs (those sharing a node included), the graded rule takes the
% corner behaviour c0 + c1 s log s; its finest piece is 6e-9 element lengths
% wide, so its points lie at least 2e-11 lengths from the nodes, outside the
% band of 1e-12 lengths in which dlpfield counts a point as on the
% neighbouring element. Entries are below 1 in size: 1e-14 is rounding.
[s_far, w_far] = graded_rule (0);
[s_near, w_near] = graded_rule (10);
for k = 1:2
  [c, e] = meshes{k+1,1:2};
  nC = rows (c);
  K = dlpmatrix (c, e);
  L = element_lengths (c, e);
  ref = nan (size (K));
  for q = 1:nC
    hat = zeros (nC, 1); hat(q) = 1;
    support = find (any (e == q, 2))';
    for i = 1:rows (e)
      A = c(e(i,1),:); B = c(e(i,2),:);
      far = all (arrayfun (@(j) segment_distance (A, B, c(e(j,1),:), c(e(j,2),:)), support) >= L(i));
      if (far)
        ref(i,q) = L(i) * w_far' * dlpfield (c, e, hat, A + s_far * (B - A));
      elseif (k == 1)
        ref(i,q) = L(i) * w_near' * dlpfield (c, e, hat, A + s_near * (B - A));
      end
    end
  end
  if (k == 2 && nnz (isnan (ref)) > numel (ref) / 2), error ("too few far pairs on the cut polygon"); end
  known = ! isnan (ref);
  expect_near (K(known), ref(known), 1e-14, sprintf ("entries against dlpfield, mesh %d", k));
end

% ---- Symm's equation V phi = (M/2 + K) g ----------------------------------------------
% For u linear the trace g is linear on every element and phi = du/dn constant
% on each, so the equation holds exactly on any polygon and the Galerkin
% solution is phi itself: the residual is rounding of entries of size 1
% summed over 21 elements, the solution that times the condition of V (below
% 30 here).
grad = [0.7 -1.3];
for k = 2:3
  [c, e, what] = meshes{k,:};
  A = c(e(:,1),:); B = c(e(:,2),:);
  normals = [B(:,2) - A(:,2), A(:,1) - B(:,1)] ./ element_lengths (c, e);
  g = c * grad' + 0.4;
  V = slpmatrix (c, e);
  rhs = (mass_matrix (c, e) / 2 + dlpmatrix (c, e)) * g;
  expect_near (V * (normals * grad') - rhs, zeros (rows (e), 1), 1e-14, ["Symm residual, " what]);
  expect_near (V \ rhs, normals * grad', 1e-13, ["Symm solution, " what]);
end
% On a circle of radius 1/2 (V positive definite) with g the nodal interpolant
% of u = exp(x) sin(y), u_h = V phi_h - K g_h is the harmonic extension of
% g_h up to the Galerkin error: O(h^2) at interior points, since g - g_h has a
% non-zero mean on every element. The error must fall by about 4 per halving.
u = @(x) exp (x(:,1)) .* sin (x(:,2));
xin = [0 0; 0.2 -0.1; -0.3 0.25; 0.1 0.4];
err = zeros (1, 3);
for level = 1:3
  [c, e] = circle_mesh (16 * 2^level, 0.5);
  phi = slpmatrix (c, e) \ ((mass_matrix (c, e) / 2 + dlpmatrix (c, e)) * u (c));
  err(level) = max (abs (slpfield (c, e, phi, xin) - dlpfield (c, e, u (c), xin) - u (xin)));
end
ratio = err(1:2) ./ err(2:3);
if (any (ratio < 3.5 | ratio > 4.5) || err(3) > 1e-4)
  error ("Symm's equation on the circle: errors %s, ratios %s, expected about 4", mat2str (err, 3), mat2str (ratio, 3));
end

% ---- the Calderon relation V W = 1/4 - K^2 in the Galerkin sense ---------------------
% On a closed polygon of n elements and n nodes, with g_h the hat function of
% the nodal values of a smooth g: the piecewise-constant a with M' a = W g_h
% (a projection tested with the hats) and the hat function b with M b = K g_h
% (tested with the constants). Then r = V a - (M g_h / 4 - K b) vanishes up to
% the two projections' errors (the relation holds exactly on the polygon
% itself). Each error is orthogonal to its test space, so by duality an entry
% of r is the pairing of an O(h) (resp. O(h^2)) error with V chi_i minus its
% best hat approximation, O(h^2 |E_i|) in L1 (resp. K' chi_i minus its best
% constant, O(h |E_i|)): r_i / |E_i| = O(h^3). Observed: rate 3.0 to 3.2 from
% n = 31 to 127; M is invertible for odd n only (I + shift has the eigenvalue
% 1 + (-1) for even n). An error in K of any kind but its sign shows as an
% O(1) residual.
rate_n = [31 63 127];
err = zeros (size (rate_n));
for k = 1:numel (rate_n)
  n = rate_n(k);
  t = 2 * pi * (0:n-1)' / n;
  c = [0.45 * cos(t), 0.25 * sin(t)];
  e = [(1:n)', [2:n, 1]'];
  M = mass_matrix (c, e);
  K = dlpmatrix (c, e);
  g = exp (c(:,1)) .* sin (2 * c(:,2)) + c(:,1).^2;
  r = slpmatrix (c, e) * (M' \ (hypmatrix (c, e) * g)) - (M * g / 4 - K * (M \ (K * g)));
  err(k) = max (abs (r) ./ element_lengths (c, e));
end
rate = log (err(1:end-1) ./ err(2:end)) ./ log (rate_n(2:end) ./ rate_n(1:end-1));
if (any (rate < 2.7 | rate > 3.5) || err(1) > 1e-3)
  error ("Calderon relation: residuals %s, rates %s, expected about 3", mat2str (err, 3), mat2str (rate, 3));
end

% ---- the result does not depend on the number of threads -----------------------------
% Every row is summed by one thread in a fixed order: identical bits.
[c, e] = circle_mesh (301, 0.5);
c = c .* (1 + 0.1 * sin (5 * (1:301)'));
saved = getenv ("BEM2D_NUM_THREADS");
unwind_protect
  setenv ("BEM2D_NUM_THREADS", "1");
  K1 = dlpmatrix (c, e);
  setenv ("BEM2D_NUM_THREADS", "2");
  K2 = dlpmatrix (c, e);
unwind_protect_cleanup
  if (isempty (saved)), unsetenv ("BEM2D_NUM_THREADS"); else, setenv ("BEM2D_NUM_THREADS", saved); end
end_unwind_protect
if (! isequal (K1, K2)), error ("dlpmatrix must give the same bits on 1 and 2 threads"); end

% ---- eta: NaN, 0, not 1x1, negative ---------------------------------------------------
% eta = 0, NaN and 1e300 send no pair to quadrature; the default sends the
% separated pairs there, which agree with the closed forms to rounding
% (entries below 1: 1e-14).
K0 = dlpmatrix (c, e, 0);
Kh = dlpmatrix (c, e);
if (! isequal (dlpmatrix (c, e, NaN), K0) || ! isequal (dlpmatrix (c, e, 1e300), K0))
  error ("eta = NaN and eta = 1e300 must give the closed form on every pair");
end
if (! isequal (dlpmatrix (c, e, [1 2]), Kh) || ! isequal (dlpmatrix (c, e, []), Kh) || ! isequal (dlpmatrix (c, e, 0.5), Kh))
  error ("eta that is not 1x1 must act as 0.5");
end
if (isequal (Kh, K0)), error ("eta = 0.5 must send separated pairs to quadrature"); end
expect_near (Kh, K0, 1e-14, "default eta against closed form");
eta_msg = "ETA is less than zero (ETA=%f).\nPlease choose a value that is greater than or equal to 0.\n";
expect_error ({"bem2d:dlpmatrix:etaNegative", sprintf(eta_msg, -0.1)}, 1, @dlpmatrix, c, e, -0.1);

% ---- messages word for word --------------------------------------------------------
out_msg = "Invalid number of output arguments. Use either\n  K = dlpmatrix(coordinates,elements)\nor\n  K = dlpmatrix(coordinates,elements,eta)\n";
in_msg = "Invalid number of input arguments (%d). Use either\n  K = dlpmatrix(coordinates, elements)\nor\n  K = dlpmatrix(coordinates, elements, eta)\n";
expect_count_errors (@dlpmatrix, out_msg, in_msg, {cp, ep});
% The module's own checks come first: a negative eta before a bad index.
expect_error (sprintf (eta_msg, -1), 1, @dlpmatrix, cp, [1 99], -1);

% ---- empty and partial meshes: nE x nC, a zero column for an unused node ------------
if (! isequal (dlpmatrix (cp, zeros (0, 2)), zeros (0, np))), error ("nE = 0 must give 0 x nC"); end
if (! isequal (size (dlpmatrix (zeros (0, 2), zeros (0, 2))), [0 0])), error ("empty mesh must give 0x0"); end
K = dlpmatrix ([cp; 5 5], ep(1:5,:));
if (! isequal (size (K), [5 np + 1]) || any (any (K(:, [7 8]))) || ! all (any (K(:, 1:6))))
  error ("the columns of unused nodes must be zero, the others not");
end

printf ("test_dlpmatrix: all checks passed\n");
