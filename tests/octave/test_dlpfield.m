% Host tests of dlpfield: exact values, Green's representation formula,
% branches, eta, messages, empty input, gh read at the vertices used.
1;

function K = dlp_exact (coordinates, elements, gh, x)
  % Double-layer potential of a density linear on every element, summed
  % from the exact integral over each segment. In the frame of an element
  % (tangent tau, normal nu = tau turned clockwise) the point sits at
  % (x0, y0), (y - x) . nu = -y0 and g = g(x0) + beta (t - x0), so
  %   int_0^l -y0 g / ((t - x0)^2 + y0^2) dt
  %     = -g(x0) [atan((l - x0)/y0) + atan(x0/y0)] - beta y0 log(r_l / r_0) / 2.
  % Valid for points off the line of every element.
  K = zeros (rows (x), 1);
  for j = 1:rows (elements)
    A = coordinates(elements(j,1),:); B = coordinates(elements(j,2),:);
    l = norm (B - A); tau = (B - A) / l; nu = [tau(2), -tau(1)];
    gA = gh(elements(j,1)); gB = gh(elements(j,2)); beta = (gB - gA) / l;
    x0 = (x - A) * tau'; y0 = (x - A) * nu';
    g0 = gA + beta * x0;
    angle = atan ((l - x0) ./ y0) + atan (x0 ./ y0);
    logs = log (((l - x0).^2 + y0.^2) ./ (x0.^2 + y0.^2)) / 2;
    K = K - (-g0 .* angle - beta * y0 .* logs) / (2*pi);
  end
end

% Tolerances. Closed forms, exact references and the 16-point rule on
% admissible pairs (element at least twice its length away, where the rule
% errs by less than 1e-20) all agree to rounding: O(1) values summed over at
% most a few hundred elements, with atan/log at points 1e-2 from an element
% losing at most two digits.
tol = 1e-12;

% ---- an irregular, non-convex polygon running counter-clockwise -------------
cp = [0 0; 2 0; 2.5 1; 1.5 0.8; 1.2 2; 0.3 1.5; -0.4 0.7];
np = rows (cp);
ep = [(1:np)', [2:np, 1]'];
area = sum (cp(:,1) .* cp([2:np 1],2) - cp([2:np 1],1) .* cp(:,2)) / 2;
if (area <= 0), error ("test polygon must run counter-clockwise"); end
% Inside, near the boundary on either side (closed form for that element),
% in the notch (outside but within the convex hull), and far away (16-point
% rule for every element with the default eta).
xp = [1 0.5; 0.4 0.9; 1.9 0.5; 1 0.01; 1 -0.01; 2 1.5; 3 3; -1 -1; 10 -7; -6 5];
inside = inpolygon (xp(:,1), xp(:,2), cp(:,1), cp(:,2));
if (! isequal (inside', [1 1 1 1 0 0 0 0 0 0])), error ("test points misplaced"); end

% ---- values against the exact integrals, linear gh ---------------------------
gh = cos (3 * (1:np)') + 0.5;
ref = dlp_exact (cp, ep, gh, xp);
expect_near (dlpfield (cp, ep, gh, xp), ref, tol, "polygon, default eta");
expect_near (dlpfield (cp, ep, gh, xp, 0), ref, tol, "polygon, eta = 0");
% gh is read at the vertices that elements names: an extra entry is ignored.
expect_near (dlpfield (cp, ep, [gh; 99], xp), ref, tol, "gh longer than needed");

% ---- gh = 1: -1 inside, 0 outside, -1/2 on an element away from its vertices --
[cc, ec] = circle_mesh (64, 1);
mids = (cc(ec(:,1),:) + cc(ec(:,2),:)) / 2;
% The last two points lie 1e-4 inside and outside the middle of element 1.
xc = [0 0; 0.3 -0.5; 0.9 0.1; 1.5 0; 4 4; -20 3; mids(1,:); mids(40,:); ...
      0.25 * cc(7,:) + 0.75 * cc(8,:); (1 - 1e-4 / norm (mids(1,:))) * mids(1,:); ...
      (1 + 1e-4 / norm (mids(1,:))) * mids(1,:)];
expected = [-1; -1; -1; 0; 0; 0; -0.5; -0.5; -0.5; -1; 0];
expect_near (dlpfield (cc, ec, ones (64, 1), xc), expected, tol, "gh = 1 on a circle polygon");
expect_near (dlpfield (cc, ec, ones (64, 1), xc, 0), expected, tol, "gh = 1, eta = 0");
expect_near (dlpfield (cp, ep, ones (np, 1), xp), -inside, tol, "gh = 1 on the polygon");
% Reversing every element turns every normal round.
expect_near (dlpfield (cc, ec(:, [2 1]), ones (64, 1), xc), -expected, tol, "reversed circle");
expect_near (dlpfield (cp, ep(:, [2 1]), gh, xp), -ref, tol, "reversed polygon");

% ---- Green's representation formula for a linear (harmonic) u ---------------
% For u harmonic in the polygon, u(x) = V(du/dn)(x) - K(u)(x) inside, 0 outside
% and u(x)/2 at a point on an element away from its vertices (the element's
% own share vanishes there). On straight elements the trace of a linear u is
% exactly linear and du/dn = grad u . n_j is constant on element j, so the
% formula holds up to rounding for the polygon itself.
grad = [3 -1.5];
u = @(p) 2 + p * grad';
for mesh = 1:2
  if (mesh == 1)
    c = cp; e = ep; pts = xp;
  else
    [c, e] = circle_mesh (50, 1.5); pts = [0.2 0.3; -1 0.5; 0 1.49; 2 0; 3 -1; 0 -10];
  end
  A = c(e(:,1),:); B = c(e(:,2),:);
  l = sqrt (sum ((B - A).^2, 2));
  normals = [(B(:,2) - A(:,2)) ./ l, (A(:,1) - B(:,1)) ./ l];
  dudn = normals * grad';
  on = (A(1:3,:) + B(1:3,:)) / 2;
  on(3,:) = 0.3 * A(3,:) + 0.7 * B(3,:);
  pts = [pts; on];
  in = inpolygon (pts(:,1), pts(:,2), c(:,1), c(:,2));
  onb = [false(rows (pts) - 3, 1); true(3, 1)];
  expected = u (pts) .* (in & !onb) + 0.5 * u (pts) .* onb;
  for eta = {0.5, 0}
    rep = slpfield (c, e, dudn, pts, eta{1}) - dlpfield (c, e, u (c), pts, eta{1});
    expect_near (rep, expected, tol, sprintf ("representation formula, mesh %d, eta %g", mesh, eta{1}));
  end
end

% ---- branch: length = eta * distance takes the 16-point rule ------------------
% Element of length 1, point at distance 0.25 above its midpoint: the exact
% value for gh = 1 is -(1/(2 pi)) * 2 atan(2), for gh = (0, 1) half that. There
% the 16-point rule errs by about 1e-7: visible, so the branch can be told.
c1 = [0 0; 1 0]; e1 = [1 2]; x1 = [0.5 0.25];
for g = {[1; 1], [0; 1]}
  exact = -atan (2) / pi * mean (g{1});
  vc = dlpfield (c1, e1, g{1}, x1, 4 - 1e-9);   % 1 > (4 - 1e-9) * 0.25: closed form
  vq = dlpfield (c1, e1, g{1}, x1, 4);          % 1 = 4 * 0.25: quadrature
  expect_near (vc, exact, 1e-15, "closed form of a near pair");
  if (! (abs (vq - exact) > 1e-10 && abs (vq - exact) < 1e-5))
    error ("length = eta * distance must take the 16-point rule (difference %g)", abs (vq - exact));
  end
end
% A point on the line of an element but outside it gets nothing in closed form.
if (dlpfield (c1, e1, [1; 2], [3 0], 0) != 0), error ("point on the line: closed form must give 0"); end

% ---- eta: NaN, not 1x1, negative ------------------------------------------------
v0 = dlpfield (cc, ec, cos (1:64)', xc, 0);
vh = dlpfield (cc, ec, cos (1:64)', xc);
if (! isequal (dlpfield (cc, ec, cos (1:64)', xc, NaN), v0))
  error ("NaN eta must give the closed form on every pair");
end
if (! isequal (dlpfield (cc, ec, cos (1:64)', xc, [1 2]), vh) || ! isequal (dlpfield (cc, ec, cos (1:64)', xc, []), vh))
  error ("eta that is not 1x1 must act as 0.5");
end
eta_msg = "ETA is less than zero (ETA=%f).\nPlease choose a value that is greater than or equal to 0.\n";
expect_error (sprintf (eta_msg, -0.1), 1, @dlpfield, cc, ec, ones (64, 1), xc, -0.1);

% ---- messages word for word --------------------------------------------------
out_msg = "Invalid number of output arguments. Usage:\n  gx = dlpfield(coordinates,elements,gh,x)\n";
in_msg = "Invalid number of input arguments. Usage:\n  gx = dlpfield(coordinates,elements,gh,x[,eta])\n";
expect_count_errors (@dlpfield, out_msg, in_msg, {c1, e1, [1; 1], x1});

% ---- empty inputs ---------------------------------------------------------------
if (! isequal (dlpfield (c1, zeros (0, 2), [], [0 1; 2 3]), [0; 0])), error ("nE = 0 must give zeros"); end
if (! isequal (size (dlpfield (c1, e1, [1; 1], zeros (0, 2))), [0 1])), error ("nx = 0 must give 0x1"); end
if (! isequal (size (dlpfield (zeros (0, 2), zeros (0, 2), [], zeros (0, 2))), [0 1]))
  error ("all empty must give 0x1");
end

% ---- gh is read at the vertices used, and eta is checked first ------------------
% gh of 2 entries serves elements on vertices 1 and 2 of 3.
c3 = [0 0; 1 0; 5 5];
expect_near (dlpfield (c3, [2 1], [1; 1], x1), atan (2) / pi, tol, "gh of 2 entries for vertices 1 and 2");
% The input checks (test_bad_input.m) come after the module's own: a negative
% eta is reported first.
expect_error (sprintf (eta_msg, -1), 1, @dlpfield, c1, [1 3], single (1), x1, -1);

printf ("test_dlpfield: all checks passed\n");
