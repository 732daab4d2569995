% Host tests of slpmatrix: closed-form entries, symmetry, the single layer of
% the circle, the serial and threaded paths, eta, messages and the order of its checks.
1;

% ---- entries of the unit square in closed form ------------------------------
c = [0 0; 1 0; 1 1; 0 1]; e = [1 2; 2 3; 3 4; 4 1];
V = slpmatrix (c, e);
if (! isequal (V, V.')), error ("V must be exactly symmetric"); end
% Each element with itself: L^2 (3/2 - log L) / (2 pi) with L = 1.
% Neighbours meeting at a right angle: int_0^1 int_0^1 log(s^2 + t^2) / 2
% = (log 2 - 3 + pi/2) / 2. Opposite sides at distance 1:
% int_0^1 (1 - u) log(1 + u^2) du = pi/2 - 3/2.
% Closed forms of size 0.2 in double: a few ulps.
expect_near (diag (V), 1.5 / (2*pi) * ones (4, 1), 1e-15, "diagonal");
corner = -(log (2) - 3 + pi/2) / (4*pi);
opposite = -(pi/2 - 1.5) / (2*pi);
expect_near (V, [1.5/(2*pi), corner, opposite, corner; corner, 1.5/(2*pi), corner, opposite;
                 opposite, corner, 1.5/(2*pi), corner; corner, opposite, corner, 1.5/(2*pi)], ...
             1e-15, "unit square");
% Orientation of the elements does not matter (rounding only).
expect_near (slpmatrix (c, fliplr (e)), V, 1e-15, "reversed elements");

% ---- the single layer of the circle ---------------------------------------------
% Density 1 on the circle of radius R gives -R log R on the circle, so row i
% of V sums to about -R log R L_i. The inscribed polygon differs by O(h^2):
% the error must stay below h^2 and drop by about 4 from 100 elements (serial)
% to 200 (threaded).
R = 2;
err = zeros (1, 2);
for level = 1:2
  n = 100 * 2^(level - 1);
  [cc, ee] = circle_mesh (n, R);
  V = slpmatrix (cc, ee);
  L = sqrt (sum ((cc(ee(:,2),:) - cc(ee(:,1),:)).^2, 2));
  err(level) = max (abs (V * ones (n, 1) ./ L + R * log (R)));
  if (err(level) > (2*pi*R/n)^2)
    error ("circle, n = %d: row sums off by %g", n, err(level));
  end
end
ratio = err(1) / err(2);
if (ratio < 3.5 || ratio > 4.5), error ("row sums: error ratio %g, expected about 4", ratio); end

% ---- serial (up to 199 elements) and threaded (from 200) paths ----------------
% An entry depends only on its two elements, so the leading 199 x 199 block
% is the same matrix whichever path filled it; the paths differ only in
% which element of a pair goes first (rounding).
n = 201;
t = 2 * pi * (0:n-1)' / n;
cw = (1 + 0.1 * sin (5 * (0:n-1)' + 1)) .* [cos(t), sin(t)];
ew = [(1:n)', [2:n, 1]'];
V199 = slpmatrix (cw, ew(1:199,:));
V200 = slpmatrix (cw, ew(1:200,:));
V201 = slpmatrix (cw, ew);
scale = max (abs (V201(:)));
expect_near (V200(1:199,1:199), V199, 1e-15 * scale, "199 serial against 200 threaded");
expect_near (V201(1:200,1:200), V200, 1e-15 * scale, "200 against 201 threaded");
if (! isequal (V200, V200.') || ! isequal (V201, V201.')), error ("threaded V must be exactly symmetric"); end
L = sqrt (sum ((cw(ew(:,2),:) - cw(ew(:,1),:)).^2, 2));
expect_near (diag (V201), L.^2 .* (1.5 - log (L)) / (2*pi), 1e-15, "threaded diagonal");

% ---- empty mesh ----------------------------------------------------------------
if (! isequal (size (slpmatrix (c, zeros (0, 2))), [0 0])), error ("nE = 0 must give 0x0"); end
if (! isequal (size (slpmatrix (zeros (0, 2), zeros (0, 2))), [0 0])), error ("empty mesh must give 0x0"); end

% ---- eta ------------------------------------------------------------------------
[cc, ee] = circle_mesh (64, 1);
V0 = slpmatrix (cc, ee, 0);            % closed form on every pair
Vh = slpmatrix (cc, ee);               % default 0.5
if (! isequal (slpmatrix (cc, ee, NaN), V0)), error ("NaN eta must give the closed form on every pair"); end
if (! isequal (slpmatrix (cc, ee, 1e300), V0)), error ("eta = 1e300 must give the closed form on every pair"); end
if (! isequal (slpmatrix (cc, ee, [1 2]), Vh) || ! isequal (slpmatrix (cc, ee, []), Vh))
  error ("eta that is not 1x1 must act as 0.5");
end
if (isequal (Vh, V0)), error ("eta = 0.5 must send separated pairs to the 16-point rule"); end
% Far pairs: 16-point rule and closed form agree to about 1e-12 relative.
expect_near (Vh, V0, 1e-10 * max (abs (V0(:))), "default eta against closed form");
eta_msg = "ETA is less than zero (ETA=%f).\nPlease choose a value that is greater than or equal to 0.\n";
expect_error (sprintf (eta_msg, -0.1), 1, @slpmatrix, cc, ee, -0.1);
% A very negative eta prints hundreds of digits: cut, never overrun.
try
  V = slpmatrix (cc, ee, -1e300);
  error ("eta = -1e300 was accepted");
catch err
  if (isempty (strfind (err.message, "ETA is less than zero (ETA=-1000000")) || numel (err.message) > 255 + numel ("slpmatrix: "))
    error ("eta = -1e300 gave <<%s>>", err.message);
  end
end

% ---- messages word for word --------------------------------------------------------
out_msg = "Invalid number of output arguments. Use either\n  V = slpmatrix(coordinates,elements)\nor\n  V = slpmatrix(coordinates,elements,eta)\n";
in_msg = "Invalid number of input arguments (%d). Use either\n  V = slpmatrix(coordinates, elements)\nor\n  V = slpmatrix(coordinates, elements, eta)\n";
expect_count_errors (@slpmatrix, out_msg, in_msg, {c, e});

% ---- input checks beyond test_bad_input.m -------------------------------------------
% Coordinates without rows: no vertex number is valid.
expect_error ("elements(1,1) = 1 is not a row number of coordinates (1 to 0).\n", ...
              1, @slpmatrix, zeros (0, 2), [1 1]);
% The module's own checks come first: a negative eta before a bad index.
expect_error (sprintf (eta_msg, -1), 1, @slpmatrix, c, [1 5], -1);

printf ("test_slpmatrix: all checks passed\n");
