% Host tests of slpfield: values, closed forms, messages, eta, empty input and
% the order of its checks.
1;

% ---- printed values: one element from (-1,0) to (1,0), chi = 1 --------------
c = [-1 0; 1 0]; e = [1 2];
v = slpfield (c, e, 1, [0 1; 0 0]);
% -(2 (2 log 2 - 4 + pi)) / (8 pi) and 8 / (8 pi); closed forms of size 0.3
% computed in double: a few ulps.
expect_near (v, [-(2 * (2*log(2) - 4 + pi)) / (8*pi); 1/pi], 1e-15, "printed values");
% The same element seen from far away takes the 16-point rule; against the
% exact integral -(1/(2 pi)) int_{-1}^{1} log|(0,10) - (s,0)| ds:
exact_far = -(1/(2*pi)) * (log (101) - 2 + 20 * atan (1/10));
expect_near (slpfield (c, e, 1, [0 10]), exact_far, 1e-15, "far point");

% ---- constant density on a circle polygon against the circle's closed form ---
% On the circle of radius R the single layer of density 1 is -R log R inside
% (and on the circle) and -R log|x| outside. The inscribed polygon of n
% elements differs from the circle by O(1/n^2), so the error must drop by
% about 4 when n doubles and be below (2 pi R / n)^2 for these points.
R = 2;
x = [0 0; 0.5 -0.3; 1.2 0.9; 3 0; -2.5 2.5; 10 -7; R 0; 0 R; -R 0];
exact = -R * log (max (R, sqrt (sum (x.^2, 2))));
err = zeros (1, 2);
for level = 1:2
  n = 400 * 2^(level - 1);
  [cc, ee] = circle_mesh (n, R);
  u = slpfield (cc, ee, ones (n, 1), x);
  err(level) = max (abs (u - exact));
  if (err(level) > (2 * pi * R / n)^2)
    error ("circle, n = %d: error %g above (2 pi R/n)^2", n, err(level));
  end
end
ratio = err(1) / err(2);
if (ratio < 3.5 || ratio > 4.5)
  error ("circle: error ratio %g under refinement, expected about 4", ratio);
end

% ---- eta: absent, 0, large, NaN, not 1x1, negative -------------------------
[cc, ee] = circle_mesh (64, 1);
chi = cos (3 * (1:64)');
% The last point lies 1e-3 inside the middle of element 1.
z = [0.3 0.2; 1.5 0.1; 4 4; 1 0; (cos (pi/64) - 1e-3) * [cos(pi/64) sin(pi/64)]];
u0 = slpfield (cc, ee, chi, z, 0);       % closed form everywhere
uh = slpfield (cc, ee, chi, z);          % default 0.5
un = slpfield (cc, ee, chi, z, NaN);     % NaN: closed form everywhere
us = slpfield (cc, ee, chi, z, [1 2]);   % not 1x1: default 0.5
ue = slpfield (cc, ee, chi, z, []);      % empty: default 0.5
ub = slpfield (cc, ee, chi, z, 1e300);   % quadrature for every pair off the element
if (! isequal (un, u0)), error ("NaN eta must give the closed form on every pair"); end
if (! isequal (us, uh) || ! isequal (ue, uh)), error ("eta that is not 1x1 must act as 0.5"); end
% Quadrature and closed form differ only by the 16-point rule's error, tiny for
% the admissible pairs (element at least twice its length away).
expect_near (uh, u0, 1e-12, "default eta against closed form");
% With eta = 1e300 the 16-point rule also meets the element 1e-3 away from
% the last point, where it is visibly inaccurate; far points still agree.
expect_near (ub(1:3), u0(1:3), 1e-12, "eta = 1e300, points away from the boundary");
if (abs (ub(5) - u0(5)) < 1e-6), error ("eta = 1e300 must send near pairs to quadrature"); end
expect_error (sprintf ("ETA is less than zero (ETA=%f).\nPlease choose a value that is greater than or equal to 0.\n", -0.1), ...
              1, @slpfield, cc, ee, chi, z, -0.1);
% A very negative eta prints hundreds of digits: the message is cut, never overrun.
try
  w = slpfield (cc, ee, chi, z, -1e300);
  error ("eta = -1e300 was accepted");
catch err
  if (isempty (strfind (err.message, "ETA is less than zero (ETA=-1000000")) || numel (err.message) > 255 + numel ("slpfield: "))
    error ("eta = -1e300 gave <<%s>>", err.message);
  end
end

% ---- equality takes quadrature: L = 1, distance 0.25, eta = 4 -------------------
% The singularity lies at half the element's half-length, where the 16-point
% rule errs by about 1e-7: visible, so the branch taken can be told apart.
c1 = [0 0; 1 0]; e1 = [1 2]; zq = [0.5 0.25];
vc = slpfield (c1, e1, 1, zq, 0);
vq = slpfield (c1, e1, 1, zq, 4);
vb = slpfield (c1, e1, 1, zq, 4 - 1e-9);
if (! (abs (vq - vc) > 1e-10 && abs (vq - vc) < 1e-5))
  error ("length = eta * distance must take the 16-point rule (difference %g)", abs (vq - vc));
end
if (vb != vc), error ("length > eta * distance must take the closed form"); end
% Exact value of the closed form: -(1/(2 pi)) int_0^1 log|(0.5,0.25) - (t,0)| dt.
F = @(u) u .* log (u.^2 + 0.0625) / 2 - u + 0.25 * atan (u / 0.25);
expect_near (vc, -(F (0.5) - F (-0.5)) / (2*pi), 1e-15, "closed form of a near pair");

% ---- messages word for word ----------------------------------------------------
out_msg = "Invalid number of output arguments. Usage:\n  Vchi_z = slpfield(coordinates,elements,chi,z)\n";
in_msg = "Invalid number of input arguments. Usage:\n  Vchi_z = slpfield(coordinates,elements,x,z[,eta])\n";
expect_ans (@slpfield, c, e, 1, [0 1]);
expect_error (sprintf (out_msg), 2, @slpfield, c, e, 1, [0 1]);
expect_error (sprintf (out_msg), 2, @slpfield);  % output count is checked first
expect_error (sprintf (in_msg), 1, @slpfield, c, e, 1);
expect_error (sprintf (in_msg), 1, @slpfield, c, e, 1, [0 1], 0.5, 1);

% ---- empty inputs ------------------------------------------------------------
v = slpfield (c, zeros (0, 2), [], [0 1; 2 3]);
if (! isequal (v, [0; 0])), error ("nE = 0 must give zeros"); end
v = slpfield (c, e, 1, zeros (0, 2));
if (! isequal (size (v), [0 1])), error ("nz = 0 must give a 0x1 result"); end
v = slpfield (zeros (0, 2), zeros (0, 2), [], zeros (0, 2));
if (! isequal (size (v), [0 1])), error ("all empty must give a 0x1 result"); end

% ---- order: the module's own checks before the input checks (test_bad_input.m) --
% A negative eta is reported before a bad index.
expect_error (sprintf ("ETA is less than zero (ETA=%f).\nPlease choose a value that is greater than or equal to 0.\n", -1), ...
              1, @slpfield, c, [1 3], 1, [0 1], -1);

printf ("test_slpfield: all checks passed\n");
