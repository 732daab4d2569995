% Host tests of domfield: values against an independent reduction to edge
% integrals, additivity, orientation, far field, degenerate triangles,
% messages, empty input.
1;

function v = log_integral_reference (P, x)
  % Integral over the triangle with corners P(1,:), P(2,:), P(3,:) of
  % log|x - y| dy, independently of the module: in polar coordinates about x,
  % the triangle (x, a, b) gives  int (rho^2/2 log rho - rho^2/4) dtheta
  % = cross(a - x, b - x) * int_0^1 (log|y(t) - x|/2 - 1/4) dt along y(t) = a + t (b - a).
  % The signed sum over the three edges is the integral over the triangle for
  % any x (edges whose line passes through x add nothing); the 1-D integrals
  % are taken by adaptive quadrature.
  v = 0;
  for k = 1:3
    a = P(k,:); b = P(mod (k, 3) + 1,:);
    cr = (a(1) - x(1)) * (b(2) - x(2)) - (a(2) - x(2)) * (b(1) - x(1));
    if (cr == 0), continue; end
    fun = @(t) log (hypot (a(1) + t * (b(1) - a(1)) - x(1), a(2) + t * (b(2) - a(2)) - x(2))) / 2 - 1/4;
    v += cr * integral (fun, 0, 1, "AbsTol", 1e-16, "RelTol", 1e-15);
  end
  orientation = (P(2,1) - P(1,1)) * (P(3,2) - P(1,2)) - (P(3,1) - P(1,1)) * (P(2,2) - P(1,2));
  v = v * sign (orientation);
end

% Tolerance. The closed form and the far-field series are exact to rounding
% at any point, inside a triangle and on its edges included, and the
% reference is good to about 1e-15; values are of size 1.
tol = 1e-13;

% ---- the printed value: unit triangle, point (2, 3) ---------------------------------
P = [0 0; 1 0; 0 1];
% integral of log|x - y| = 0.574217522841, printed to 12 digits.
expect_near (domfield (P, [1 2 3], 1, [2 3]), -0.574217522841 / (2*pi), 1e-12 / (2*pi), "unit triangle at (2,3)");
expect_near (log_integral_reference (P, [2 3]), 0.574217522841, 1e-12, "reference at (2,3)");

% ---- against the reference, outside and inside -----------------------------------
T = [0.1 0.2; 1.3 0.1; 0.4 1.1];
far = [2.6 2.4; 3 -1; 5 5; -1.2 -1.3; 0.7 -1.6; -1.5 1];
ref = zeros (rows (far), 1);
for k = 1:rows (far), ref(k) = log_integral_reference (T, far(k,:)); end
% All six orders of the corners (both orientations, each edge swept once).
orders = perms (1:3);
for k = 1:rows (orders)
  S = domfield (T, orders(k,:), 1, far);
  expect_near (S * (-2*pi), ref, tol, sprintf ("far points, corners %s", mat2str (orders(k,:))));
end
% Inside, on an edge and at a corner the fan of the reference has no kink.
inside = [0.6 0.5; 0.3 0.4; 0.7 0.15; 0.7 0.15; T(1,:); (T(2,:) + T(3,:)) / 2];
for k = 1:rows (inside)
  r = log_integral_reference (T, inside(k,:));
  for o = 1:rows (orders)
    expect_near (domfield (T, orders(o,:), 1, inside(k,:)) * (-2*pi), r, tol, ...
                 sprintf ("point %s, corners %s", mat2str (inside(k,:)), mat2str (orders(o,:))));
  end
end

% ---- additivity and linearity -------------------------------------------------------
% The square [0,1]^2 as two triangles and as four about its centre: the same
% potential at points outside, to the accuracy of the far points above.
V = [0 0; 1 0; 1 1; 0 1; 0.5 0.5];
two = [1 2 3; 1 3 4];
four = [1 2 5; 2 3 5; 3 4 5; 4 1 5];
z = [2 0.5; -1 -1; 0.5 3; 4 -2];
S2 = domfield (V, two, [1; 1], z);
S4 = domfield (V, four, ones (4, 1), z);
expect_near (S4, S2, tol, "square as two and four triangles");
% Splitting the unit triangle at the midpoint of an edge.
Vs = [P; 0.5 0.5];
expect_near (domfield (Vs, [1 2 4; 1 4 3], [1 1], [2 3]), domfield (P, [1 2 3], 1, [2 3]), ...
             tol, "triangle split in two");
% Linear in f: each triangle adds its integral times f_j (rounding only).
f = [2.5; -0.75; 4; 1e-3];
Sf = domfield (V, four, f, z);
Sk = zeros (rows (z), 4);
for k = 1:4, Sk(:,k) = domfield (V, four(k,:), 1, z); end
expect_near (Sf, Sk * f, 1e-14, "linear in f");
expect_near (domfield (V, four, 3 * f, z), 3 * Sf, 1e-14, "scaling f");
% f may have any shape: it is read as nT values in column-major order.
expect_near (domfield (V, four, reshape (f, 2, 2), z), Sf, 0, "f as a 2x2 matrix");

% ---- far field: S ~ -(area/(2 pi)) log|x - centroid| ---------------------------------
% log|x - y| = log|x - c| + grad.(y - c) + (1/2) (y - c)' H (y - c) with the
% Hessian norm at most 1/|x - xi|^2; the linear term integrates to 0 about the
% centroid c, so |int log|x - y| dy - area log|x - c|| <= area rho^2 / (2 (|x - c| - rho)^2),
% rho the largest distance from c to a corner.
Ts = [0.02 0.01; 0.05 0.03; 0.01 0.06];
cen = mean (Ts);
area = abs ((Ts(2,1) - Ts(1,1)) * (Ts(3,2) - Ts(1,2)) - (Ts(3,1) - Ts(1,1)) * (Ts(2,2) - Ts(1,2))) / 2;
rho = max (sqrt (sum ((Ts - cen).^2, 2)));
z = [1 0; -3 4; 0.2 -0.5; 20 30];
dz = sqrt (sum ((z - cen).^2, 2));
bound = area * rho^2 ./ (2 * (dz - rho).^2) / (2*pi);
err = abs (domfield (Ts, [1 2 3], 1, z) - (-(area / (2*pi)) * log (dz)));
if (any (err > bound))
  error ("far field: error %s above the bound %s", mat2str (err', 3), mat2str (bound', 3));
end

% ---- degenerate triangles -----------------------------------------------------------
% A triangle without area (two corners equal, or all three on a line) adds
% exactly 0, also when all its corners coincide.
Vd = [0 0; 1 0; 2 0; 0 1];
if (any (domfield (Vd, [1 1 4; 1 1 1; 1 2 3], [1 1 1], [3 3; 0 0; 0.5 1]) != 0))
  error ("a triangle without area must add 0");
end
expect_near (domfield (Vd, [1 2 4; 2 2 4], [1 1], [3 3; -1 0]), domfield (Vd, [1 2 4], 1, [3 3; -1 0]), 0, ...
             "a degenerate triangle beside a proper one");
expect_near (domfield (Vd, [1 2 4; 1 2 3], [1 7], [3 3]), domfield (Vd, [1 2 4], 1, [3 3]), 0, ...
             "a flat triangle beside a proper one");

% ---- empty inputs ----------------------------------------------------------------
S = domfield (P, zeros (0, 3), [], [2 3; 0.2 0.2]);
if (! isequal (S, [0; 0])), error ("nT = 0 must give zeros"); end
S = domfield (P, [1 2 3], 1, zeros (0, 2));
if (! isequal (size (S), [0 1])), error ("nx = 0 must give a 0x1 result"); end
S = domfield (zeros (0, 2), zeros (0, 3), [], zeros (0, 2));
if (! isequal (size (S), [0 1])), error ("all empty must give a 0x1 result"); end

% ---- messages word for word -----------------------------------------------------------
out_msg = sprintf ("Invalid number of output arguments. Use\n  S = domfield(vertices,volumes,f,x)\n");
in_msg = "Invalid number of input arguments (%d). Use\n  S = domfield(vertices,volumes,f,x)\n";
expect_ans (@domfield, P, [1 2 3], 1, [2 3]);
expect_error (out_msg, 2, @domfield, P, [1 2 3], 1, [2 3]);
expect_error (out_msg, 2, @domfield);   % the output count is checked first
expect_error (sprintf (in_msg, 3), 1, @domfield, P, [1 2 3], 1);
expect_error (sprintf (in_msg, 5), 1, @domfield, P, [1 2 3], 1, [2 3], 0.5);
expect_error (sprintf (in_msg, 0), 1, @domfield);

printf ("test_domfield: all checks passed\n");
