% Host tests of tdlfield: exact values, identities, its admissibility size,
% eta, messages, empty input.
1;

function v = tdl_exact (coordinates, elements, gh, x, n_x)
  % Adjoint double layer of a density constant on every element, summed from
  % the exact integral over each segment. In the frame of an element (tangent
  % tau, normal nu) the point sits at (x0, y0) and x - y = (x0 - t) tau + y0 nu:
  %   int_0^l (x0 - t) / r^2 dt = -log(r_l / r_0),
  %   int_0^l y0 / r^2 dt = atan((l - x0)/y0) + atan(x0/y0).
  % Valid for points off the line of every element.
  v = zeros (rows (x), 1);
  for j = 1:rows (elements)
    A = coordinates(elements(j,1),:); B = coordinates(elements(j,2),:);
    l = norm (B - A); tau = (B - A) / l; nu = [tau(2), -tau(1)];
    x0 = (x - A) * tau'; y0 = (x - A) * nu';
    along = -log (((l - x0).^2 + y0.^2) ./ (x0.^2 + y0.^2)) / 2;
    across = atan ((l - x0) ./ y0) + atan (x0 ./ y0);
    v = v - gh(j) * ((n_x * tau') .* along + (n_x * nu') .* across) / (2*pi);
  end
end

% Tolerances. Closed forms, exact references and the 16-point rule on
% admissible pairs (element at least sqrt(2) times its length away, where the
% rule errs by less than 1e-18) agree to rounding of O(1) values summed over
% at most a hundred elements: 1e-12 leaves a wide margin over the 1e-15 seen.
% Identities that only reorder the same roundings (linearity, symmetry) hold
% to a few ulps of the terms: 1e-14.
tol = 1e-12;
tol_id = 1e-14;

% ---- an irregular, non-convex polygon; points inside, outside, near, far ------
cp = [0 0; 2 0; 2.5 1; 1.5 0.8; 1.2 2; 0.3 1.5; -0.4 0.7];
np = rows (cp);
ep = [(1:np)', [2:np, 1]'];
% (Not (3, 3): it lies on the line of element 5, which the closed form drops.)
xp = [1 0.5; 0.4 0.9; 1.9 0.5; 1 0.01; 1 -0.01; 2 1.5; 3 2.8; -1 -1; 10 -7; -6 5];
nxp = [1 0; 0 1; 0.6 -0.8; -1 2; 3 0.5; 0 -1; 1 1; -2 0.3; 0.5 0.5; 1 -4];
ghp = sin (2 * (1:np)') + 0.3;

% ---- values against the exact integrals ----------------------------------------
ref = tdl_exact (cp, ep, ghp, xp, nxp);
expect_near (tdlfield (cp, ep, ghp, xp, nxp), ref, tol, "polygon, default eta");
expect_near (tdlfield (cp, ep, ghp, xp, nxp, 0), ref, tol, "polygon, eta = 0");
% Reversing every element leaves the result unchanged: element normals play no part.
expect_near (tdlfield (cp, ep(:, [2 1]), ghp, xp, nxp), ref, tol, "reversed polygon");
% On a regular polygon of n elements about the origin, gh = 1 gives the normal
% derivative of the single layer of a uniform charge with n-fold symmetry:
% 0 at the centre for any vector, and outside the field of the total charge P
% (the perimeter), -(P/(2 pi)) (x . n_x)/|x|^2, plus multipoles of order n
% and above only, below 1e-40 at |x| = 10 for n = 40.
[cc, ec] = circle_mesh (40, 1);
w = tdlfield (cc, ec, ones (40, 1), [0 0; 0 0; 0 0; 6 8], [1 0; 0.3 -0.7; 5 5; 0.6 0.8]);
expect_near (w(1:3), zeros (3, 1), tol_id, "centre of a regular polygon");
expect_near (w(4), -(80 * sin (pi/40) / (2*pi)) * 0.1, tol, "far from a regular polygon");

% ---- linear in gh and in n_x; a zero vector gives 0 --------------------------
g2 = cos ((1:np)');
n2 = [nxp(:,2), -3 * nxp(:,1)];
v1 = tdlfield (cp, ep, ghp, xp, nxp);
expect_near (tdlfield (cp, ep, 2 * ghp - g2, xp, nxp), 2 * v1 - tdlfield (cp, ep, g2, xp, nxp), ...
             tol_id * 10, "linear in gh");
expect_near (tdlfield (cp, ep, ghp, xp, nxp + 0.5 * n2), v1 + 0.5 * tdlfield (cp, ep, ghp, xp, n2), ...
             tol_id * 10, "linear in n_x");
z = nxp; z([2 5 9],:) = 0;
vz = tdlfield (cp, ep, ghp, xp, z);
if (any (vz([2 5 9]) != 0)), error ("a zero vector n_x must give 0"); end

% ---- admissibility size: length / sqrt(2), not the length -----------------------
% Element of length 1, point 0.25 above its midpoint, gh = 1, n_x = (0, 1):
% the exact value is -(1/(2 pi)) * 2 atan(2), where the 16-point rule errs by
% about 1e-7. With eta = 3 the point is admissible for tdlfield
% (1/sqrt(2) <= 0.75, quadrature) but not for dlpfield (1 > 0.75, closed
% form), which computes the same number for this geometry; with eta = 2.8
% neither takes the 16-point rule.
c1 = [0 0; 1 0]; e1 = [1 2]; x1 = [0.5 0.25]; q1 = [0 1];
exact = -atan (2) / pi;
expect_near (dlpfield (c1, e1, [1; 1], x1, 3), exact, 1e-15, "dlpfield, eta = 3");
expect_near (tdlfield (c1, e1, 1, x1, q1, 2.8), exact, 1e-15, "tdlfield, eta = 2.8");
vq = tdlfield (c1, e1, 1, x1, q1, 3);
if (! (abs (vq - exact) > 1e-10 && abs (vq - exact) < 1e-5))
  error ("tdlfield with eta = 3 must take the 16-point rule (difference %g)", abs (vq - exact));
end
% Equality takes the 16-point rule: the element from (0,0) to (1,1) has size
% exactly 1, the point (0, -0.125) lies exactly 0.125 from its first vertex,
% and there the rule errs by about 1e-8.
c2 = [0 0; 1 1]; x2 = [0 -0.125]; q2 = [0.3 0.4];
exact2 = tdl_exact (c2, e1, 1, x2, q2);
expect_near (tdlfield (c2, e1, 1, x2, q2, 8 - 1e-9), exact2, 1e-15, "size > eta * distance");
vq = tdlfield (c2, e1, 1, x2, q2, 8);
if (! (abs (vq - exact2) > 1e-10 && abs (vq - exact2) < 1e-6))
  error ("size = eta * distance must take the 16-point rule (difference %g)", abs (vq - exact2));
end

% ---- a point on the line of an element ------------------------------------------
% On the closed element (its ends included) the element contributes nothing,
% whatever n_x. On its line outside it the integral of 1/(3 - t) over [0, 1] is
% log(3/2), in closed form (eta = 0) as by the 16-point rule.
if (tdlfield (c1, e1, 1, [0.5 0], [1 0]) != 0 || tdlfield (c1, e1, 1, [0 0], [1 1]) != 0)
  error ("a point on a near element must get nothing from it");
end
for eta = [0 0.5]
  expect_near (tdlfield (c1, e1, 1, [3 0], [1 0], eta), -log (1.5) / (2*pi), 1e-15, "on the line");
end
% A boundary point that rounding moved off the element (here 2.5e-16 across
% its midpoint, on either side) still counts as on it: no +-1/2 jump.
ct = [0.1 0.7; 0.3 0.95]; t = ct(2,:) - ct(1,:); nt = [t(2), -t(1)] / norm (t);
mt = (ct(1,:) + ct(2,:)) / 2;
for k = [-3 -1 1 3]
  if (tdlfield (ct, e1, 1, mt + k * eps * [1 -0.5], nt) != 0)
    error ("a point %g off the midpoint of its element must get nothing from it", k * eps);
  end
end
% Just off the line the closed form counts the element in full.
expect_near (tdlfield (c1, e1, 1, [0.5 1e-5], [0 1]), -atan (5e4) / pi, 1e-15, "1e-5 above the element");
expect_near (tdlfield (c1, e1, 1, [3 1e-5], [1 0], 0), tdl_exact (c1, e1, 1, [3 1e-5], [1 0]), 1e-15, ...
             "1e-5 off the line");

% ---- eta: NaN, not 1x1, negative -------------------------------------------------
% NaN fails every comparison and so takes the 16-point rule, like an infinite
% eta; on element 1 the last point is then visibly off the closed form.
xe = [xp; 0.5 0.03];
ne = [nxp; 0 1];
vi = tdlfield (cp, ep, ghp, xe, ne, Inf);
if (! isequal (tdlfield (cp, ep, ghp, xe, ne, NaN), vi)), error ("NaN eta must act as Inf"); end
if (abs (vi(end) - tdlfield (cp, ep, ghp, xe(end,:), ne(end,:))) < 1e-3)
  error ("NaN eta must take the 16-point rule on near pairs");
end
vh = tdlfield (cp, ep, ghp, xe, ne);
if (! isequal (tdlfield (cp, ep, ghp, xe, ne, [1 2]), vh) || ! isequal (tdlfield (cp, ep, ghp, xe, ne, []), vh))
  error ("eta that is not 1x1 must act as 0.5");
end
eta_msg = "ETA is less than zero (ETA=%f).\nPlease choose a value that is greater than or equal to 0.\n";
expect_error (sprintf (eta_msg, -0.1), 1, @tdlfield, cp, ep, ghp, xp, nxp, -0.1);

% ---- messages and counts -----------------------------------------------------------
in_msg = "Invalid number of arguments: Usage\nVphi_x=tdlfield(coordinates,elements,gh,x,n_x[,eta])\n";
expect_error (sprintf (in_msg), 1, @tdlfield, c1, e1, 1, x1);
expect_error (sprintf (in_msg), 1, @tdlfield, c1, e1, 1, x1, q1, 0.5, 1);
expect_error (sprintf (in_msg), 0, @tdlfield);
cnt_msg = "The number of evaluation points (%d)\nmust correspond to the number of normal vectors (%d).\n";
expect_error (sprintf (cnt_msg, 1, 2), 1, @tdlfield, c1, e1, 1, x1, [q1; q1]);
expect_error (sprintf (cnt_msg, 0, 1), 1, @tdlfield, c1, e1, 1, zeros (0, 2), q1);
% The count check follows the eta check and precedes the input-safety checks.
expect_error (sprintf (eta_msg, -2), 1, @tdlfield, c1, e1, 1, x1, [q1; q1], -2);
expect_error (sprintf (cnt_msg, 1, 2), 1, @tdlfield, c1, [1 3], 1, x1, {1; 2});
% The output count is not checked: without an output the result goes to ans.
tdlfield (c1, e1, 1, x1, q1);
expect_near (ans, exact, 1e-15, "no output argument");

% ---- empty inputs ----------------------------------------------------------------------
if (! isequal (tdlfield (c1, zeros (0, 2), [], [0 1; 2 3], [1 0; 0 1]), [0; 0])), error ("nE = 0 must give zeros"); end
if (! isequal (size (tdlfield (c1, e1, 1, zeros (0, 2), zeros (0, 2))), [0 1])), error ("nx = 0 must give 0x1"); end

printf ("test_tdlfield: all checks passed\n");
