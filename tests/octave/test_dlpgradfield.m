% Host tests of dlpgradfield: the gradient against differences of dlpfield,
% the representation formula (exact for a linear u, converging for a
% quadratic one), the closed form of one element and its branch, NaN and
% the warning for points on the boundary, the thread count, eta, messages,
% empty input.
1;

function d = boundary_distance (c, e, x)
  % Distance of every point x(i,:) from the nearest element.
  d = inf (rows (x), 1);
  for j = 1:rows (e)
    A = c(e(j,1),:); B = c(e(j,2),:);
    s = min (1, max (0, (x - A) * (B - A)' / ((B - A) * (B - A)')));
    d = min (d, sqrt (sum ((x - A - s * (B - A)).^2, 2)));
  end
end

function G = grad_single_layer (c, e, phi, x)
  % The gradient of V phi: tdlfield in the directions (1, 0) and (0, 1).
  one = ones (rows (x), 1);
  G = [tdlfield(c, e, phi, x, one * [1 0]), tdlfield(c, e, phi, x, one * [0 1])];
end

% An irregular, non-convex polygon running counter-clockwise; points inside
% and outside, 1e-3 from an element (closed forms) and far (power series).
cp = [0 0; 2 0; 2.5 1; 1.5 0.8; 1.2 2; 0.3 1.5; -0.4 0.7];
np = rows (cp);
[~, ep] = polygon_mesh (cp, 1);
xp = [1 0.5; 0.4 0.9; 1.9 0.5; 1 1e-3; 1 -1e-3; 2 1.5; 3 2.8; -1 -1; 10 -7; -6 5];
inside = inpolygon (xp(:,1), xp(:,2), cp(:,1), cp(:,2));
if (! isequal (inside', [1 1 1 1 0 0 0 0 0 0])), error ("test points misplaced"); end
dist = boundary_distance (cp, ep, xp);
gh = cos (3 * (1:np)') + 0.5;

% ---- against central differences of dlpfield --------------------------------------
% The sixth-order central difference with step h = d/20 (d the distance of
% the point from the boundary) errs by about (h/d)^6 = 2e-8 relative to the
% gradient's scale max|gh| / d, and by rounding 1e-16 (d/h) / h on the
% values' differences (1e-14 of the scale): 1e-7 of the scale leaves room for
% both (6.5e-9 seen), and any fault of a sign, a component or an element
% shows at order 1.
coef = [-1 9 -45 0 45 -9 1] / 60;
G = dlpgradfield (cp, ep, gh, xp);
D = zeros (size (G));
for k = 1:7
  step = (k - 4) * dist / 20;
  D += coef(k) * [dlpfield(cp, ep, gh, xp + step .* [1 0]), dlpfield(cp, ep, gh, xp + step .* [0 1])] ...
       ./ (dist / 20);
end
expect_near (G .* dist / max (abs (gh)), D .* dist / max (abs (gh)), 1e-7, "central differences");

% ---- the representation formula for a linear u: exact -----------------------------------
% u(x) = V(du/dn)(x) - K(u)(x) is u inside and 0 outside, and on straight
% elements the trace of a linear u is linear and du/dn constant on each, so
% grad(V phi) - grad(K g) = a inside and 0 outside, to rounding of terms of
% size 1/d (1e3 at the points 1e-3 from an element): 1e-12.
a = [0.7 -0.3];
A = cp(ep(:,1),:); B = cp(ep(:,2),:);
normals = [B(:,2) - A(:,2), A(:,1) - B(:,1)] ./ sqrt (sum ((B - A).^2, 2));
expected = inside * a;
for eta = {0.5, 0}
  G = grad_single_layer (cp, ep, normals * a', xp) - dlpgradfield (cp, ep, cp * a' + 0.2, xp, eta{1});
  expect_near (G, expected, 1e-12, sprintf ("representation of a linear u, eta %g", eta{1}));
end
% The double layer of 1 is constant off the boundary: no gradient.
expect_near (dlpgradfield (cp, ep, ones (np, 1), xp), zeros (rows (xp), 2), 1e-12, "gradient of K 1");
% Reversed elements turn every normal round; gh enters linearly.
expect_near (dlpgradfield (cp, fliplr (ep), gh, xp), -dlpgradfield (cp, ep, gh, xp), 1e-12, "reversed polygon");
expect_near (dlpgradfield (cp, ep, 3 * gh - 1, xp), 3 * dlpgradfield (cp, ep, gh, xp), 1e-12, "linear in gh");

% ---- the representation formula for u = x^2 - y^2: converging ------------------------------
% With g_h the nodal interpolant of u and phi_h the mean of du/dn on every
% element (du/dn = 2 (x n1 - y n2) is linear along an element: its value at the
% midpoint), both densities err by O(h^2) against zero-mean or one-signed
% errors on every element, and their potentials' gradients at interior
% points by O(h^2): the error must fall by about 4 per halving of the elements.
xin = [1 0.5; 0.4 0.9; 1.9 0.5; 0.8 1.2];
exact = [2 * xin(:,1), -2 * xin(:,2)];
err = zeros (1, 3);
for level = 1:3
  [c, e] = polygon_mesh (cp, 4 * 2^level);
  A = c(e(:,1),:); B = c(e(:,2),:);
  normals = [B(:,2) - A(:,2), A(:,1) - B(:,1)] ./ sqrt (sum ((B - A).^2, 2));
  mid = (A + B) / 2;
  phi = sum ([2 * mid(:,1), -2 * mid(:,2)] .* normals, 2);
  G = grad_single_layer (c, e, phi, xin) - dlpgradfield (c, e, c(:,1).^2 - c(:,2).^2, xin);
  err(level) = max (abs (G(:) - exact(:)));
end
ratio = err(1:2) ./ err(2:3);
if (any (ratio < 3.5 | ratio > 4.5) || err(3) > 1e-3)
  error ("gradient of x^2 - y^2: errors %s, ratios %s, expected about 4", mat2str (err, 3), mat2str (ratio, 3));
end

% ---- one element: the closed form, and length = eta * distance ---------------------------
% Element (0,0)-(1,0), normal (0,-1), g = 1: (K 1)(x) = -(1/(2 pi)) (atan((1 - x1)/x2)
% + atan(x1/x2)), whose gradient at (0.5, 0.25) is (0, 3.2/(2 pi)). With
% eta = 4 the length equals eta times the distance: the 16-point rule, which
% errs visibly that close; just below, the closed form, exact to rounding.
c1 = [0 0; 1 0]; e1 = [1 2]; x1 = [0.5 0.25];
exact1 = [0, 3.2 / (2*pi)];
expect_near (dlpgradfield (c1, e1, [1; 1], x1, 4 - 1e-9), exact1, 1e-15, "closed form of a near pair");
Gq = dlpgradfield (c1, e1, [1; 1], x1, 4);
if (! (max (abs (Gq - exact1)) > 1e-10 && max (abs (Gq - exact1)) < 1e-3))
  error ("length = eta * distance must take the 16-point rule (difference %g)", max (abs (Gq - exact1)));
end

% ---- the result does not depend on the number of threads -------------------------------
% Points are handed out in chunks of 200000 / nE: 400 elements and 3000 points
% make six chunks. Each point is summed by one thread: identical bits.
[c, e] = polygon_mesh (cp, 57);
t = (0:2999)' / 3000;
xt = [1 + 1.6 * cos(2*pi*t) .* t, 0.9 + 1.2 * sin(14*pi*t)];
saved = getenv ("BEM2D_NUM_THREADS");
unwind_protect
  setenv ("BEM2D_NUM_THREADS", "1");
  G1 = dlpgradfield (c, e, c(:,1), xt);
  setenv ("BEM2D_NUM_THREADS", "2");
  G2 = dlpgradfield (c, e, c(:,1), xt);
unwind_protect_cleanup
  if (isempty (saved)), unsetenv ("BEM2D_NUM_THREADS"); else, setenv ("BEM2D_NUM_THREADS", saved); end
end_unwind_protect
if (! isequal (G1, G2)), error ("dlpgradfield must give the same bits on 1 and 2 threads"); end

% ---- eta: 0, not 1x1, negative (NaN at the end) -----------------------------------------
% The quadrature and the power series agree with the closed forms to rounding
% of terms of size 1/d: 1e-12.
G0 = dlpgradfield (cp, ep, gh, xp, 0);
Gh = dlpgradfield (cp, ep, gh, xp);
if (! isequal (dlpgradfield (cp, ep, gh, xp, [1 2]), Gh) || ! isequal (dlpgradfield (cp, ep, gh, xp, []), Gh))
  error ("eta that is not 1x1 must act as 0.5");
end
if (isequal (Gh, G0)), error ("eta = 0.5 must send far pairs to quadrature"); end
expect_near (Gh, G0, 1e-12, "default eta against closed form");
eta_msg = "ETA is less than zero (ETA=%f).\nPlease choose a value that is greater than or equal to 0.\n";
expect_error ({"bem2d:dlpgradfield:etaNegative", sprintf(eta_msg, -0.1)}, 1, @dlpgradfield, cp, ep, gh, xp, -0.1);

% ---- messages word for word ---------------------------------------------------------
out_msg = "Invalid number of output arguments. Usage:\n  G = dlpgradfield(coordinates,elements,gh,x)\n";
in_msg = "Invalid number of input arguments. Usage:\n  G = dlpgradfield(coordinates,elements,gh,x[,eta])\n";
expect_count_errors (@dlpgradfield, out_msg, in_msg, {c1, e1, [1; 1], x1});
% The module's own checks come first: a negative eta before a bad index.
expect_error (sprintf (eta_msg, -1), 1, @dlpgradfield, c1, [1 3], [1; 1], x1, -1);

% ---- empty inputs ---------------------------------------------------------------------
if (! isequal (dlpgradfield (c1, zeros (0, 2), [], [0 1; 2 3]), zeros (2))), error ("nE = 0 must give zeros"); end
if (! isequal (size (dlpgradfield (c1, e1, [1; 1], zeros (0, 2))), [0 2])), error ("nx = 0 must give 0x2"); end

% ---- points on the boundary: NaN rows and one warning of the host -------------------
% The unit square: inside (no warning), the middle of an edge, a vertex, a
% point 1e-13 from an edge (in the band of 1e-12 element lengths), and 1e-3
% off an edge (no warning). One warning per call under its identifier: the
% first such point with its row counted from 1, and the count when there
% are more; warning ("off", id) silences it.
on_boundary = "warning: dlpgradfield: The evaluation point (%g,%g) lies on the boundary! The %d-th row of the return matrix is set to NaN!\n";
count_line = "%d evaluation points in all lie on the boundary; their rows are NaN.\n";
id = "bem2d:dlpgradfield:onBoundary";
sq = [0 0; 1 0; 1 1; 0 1]; sqe = [1 2; 2 3; 3 4; 4 1];
xw = [0.3 0.4; 0.5 0; 1 1; 0.25 1 + 1e-13; 1.001 0.5];
cases = {xw, [sprintf(on_boundary, 0.5, 0, 2), sprintf(count_line, 3)], id;
         xw([5 4],:), sprintf(on_boundary, 0.25, 1 + 1e-13, 2), id;
         xw([1 5],:), "", "";
         zeros(0, 2), "", ""};
for k = 1:rows (cases)
  [v, printed, got] = warned_call (@dlpgradfield, sq, sqe, [1; 2; 3; 4], cases{k,1});
  if (! strcmp (printed, cases{k,2}) || ! strcmp (got, cases{k,3}))
    error ("case %d printed\n<<%s>> (identifier <<%s>>), expected\n<<%s>> (<<%s>>)", k, printed, ...
           got, cases{k,2}, cases{k,3});
  end
end
state = warning ("off", id);
printed = evalc ("v = dlpgradfield (sq, sqe, [1; 2; 3; 4], xw);");
warning (state);
if (! isempty (printed)), error ("warning ('off', id) must silence the warning: <<%s>>", printed); end
if (! all (all (isnan (v(2:4,:)))) || ! all (all (isfinite (v([1 5],:)))))
  error ("points on the boundary must give NaN rows, the others finite values: %s", mat2str (v));
end
expect_near (v([1 5],:), dlpgradfield (sq, sqe, [1; 2; 3; 4], xw([1 5],:)), 0, "rows next to NaN rows");

% ---- eta = NaN: the closed form on every pair, as eta = 0 --------------------------------
% A NaN eta passes no admissibility test; sending the pairs to the 16-point
% rule instead would be off by order 1 at the points 1e-3 from an element.
if (! isequal (dlpgradfield (cp, ep, gh, xp, NaN), G0))
  error ("NaN eta must give the closed form on every pair (largest difference %g)", ...
         max (max (abs (dlpgradfield (cp, ep, gh, xp, NaN) - G0))));
end

printf ("test_dlpgradfield: all checks passed\n");
