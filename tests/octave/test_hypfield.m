% Host tests of hypfield: the finite-part term, the operator on a circle, eta,
% its two warnings, messages, empty input.
1;

function v = far_element_reference (x, nx, A, B, gA, gB)
  % The integral over the straight element A->B of the integrand
  % -(1/(2 pi)) [(n_x.n_y)/|x-y|^2 - 2 ((x-y).n_y)((x-y).n_x)/|x-y|^4] g(y),
  % with g linear from gA to gB and n_y the tangent turned clockwise, by
  % adaptive quadrature (the element does not contain x).
  len = norm (B - A);
  ny = [B(2) - A(2), A(1) - B(1)] / len;
  r_of = @(t) x - (A + t(:) * (B - A));
  q_of = @(t) sum (r_of (t).^2, 2);
  integrand = @(t) -(1/(2*pi)) * ((nx * ny') ./ q_of (t) - 2 * (r_of (t) * ny') .* (r_of (t) * nx') ./ q_of (t).^2) ...
                   .* (gA + t(:) * (gB - gA)) * len;
  v = integral (@(t) reshape (integrand (t), size (t)), 0, 1, "AbsTol", 1e-15, "RelTol", 1e-14);
end

% Tolerances.
% Closed forms of size 1 to 10 evaluated in double, against formulas or an
% adaptive quadrature good to about 1e-15: a few hundred ulps.
tol_closed = 1e-13;

% ---- the on-element (finite-part) term on one flat element ---------------------
% For x = A + xi (B - A)/|B - A| on the element of length ell and g linear with
% slope g_t = (gB - gA)/ell, the Hadamard finite part of the integral of
% 1/(xi - t)^2 is -1/xi - 1/(ell - xi) and the principal value of 1/(t - xi)
% is log((ell - xi)/xi), so
%   W g(x) = -(1/(2 pi)) [g(xi) (-1/xi - 1/(ell - xi)) + g_t log((ell - xi)/xi)],
% independent of the normal at x.
A = [0.3 -0.2]; B = [1.9 1.0]; ell = norm (B - A); gA = 1.5; gB = -0.7;
c = [A; B]; e = [1 2]; g = [gA; gB];
xi = ell * [0.5; 0.1; 0.77; 0.999];
x = A + xi * (B - A) / ell;
nrm = [B(2) - A(2), A(1) - B(1)] / ell;
gxi = gA + xi / ell * (gB - gA);
exact = -(1/(2*pi)) * (gxi .* (-1 ./ xi - 1 ./ (ell - xi)) + (gB - gA) / ell * log ((ell - xi) ./ xi));
% The parameter s of x carries a rounding error of about 1e-16, which the
% factor 1/(1 - s^2) amplifies by 1/(1 - |s|), 1e3 at xi = 0.999 ell: compare
% relative to the exact value with 1e-12.
ratio = hypfield (c, e, g, x, repmat (nrm, 4, 1)) ./ exact;
expect_near (ratio, ones (4, 1), 1e-12, "finite part");
ratio = hypfield (c, e, g, x, repmat (-3 * nrm, 4, 1)) ./ exact;
expect_near (ratio, ones (4, 1), 1e-12, "finite part, normal scaled and reversed");
% Every element that the point lies on takes the finite-part term of its own
% segment and vertex values: a duplicate doubles the value, reversed or not
% (the same segment carries the same g).
for e2 = {[1 2; 1 2], [1 2; 2 1]}
  ratio = hypfield (c, e2{1}, g, x, repmat (nrm, 4, 1)) ./ exact;
  expect_near (ratio, 2 * ones (4, 1), 1e-12, "element given twice");
end

% ---- a second element, in closed form or by quadrature ---------------------------
% g vanishes at the host's vertices, so the finite-part term is 0 and the result
% is the integral over the other element alone.
c = [0 -1; 0 1; 0.25 -0.5; 0.25 0.5; 3 0.5; 2.5 1.4];
e = [1 2; 3 4; 5 6];
g = [0; 0; 1; 2; -0.5; 0.8];
x = [0 0]; nx = [-1 0.3];
near = far_element_reference (x, nx, c(3,:), c(4,:), g(3), g(4));
far = far_element_reference (x, nx, c(5,:), c(6,:), g(5), g(6));
% Element 3 lies more than twice its length away: the default eta = 0.5 takes
% the 16-point rule, whose error there is far below rounding (the poles of the
% rational integrand lie about 5 half-lengths from the element: a Bernstein
% ellipse of parameter about 10, error of order 10^-32). Element 2 is at
% distance 0.25 with length 1: closed form.
expect_near (hypfield (c, e, g, x, nx), near + far, tol_closed, "default eta");
expect_near (hypfield (c, e, g, x, nx, 0), near + far, tol_closed, "eta = 0: closed form");
% length = eta * distance (1 = 4 * 0.25, both exact) takes the 16-point rule,
% which errs visibly (about 1e-5) on element 2; just below, the closed form.
ce = [c(1:4,:)]; ee = e(1:2,:); ge = g(1:4);
wq = hypfield (ce, ee, ge, x, nx, 4);
wc = hypfield (ce, ee, ge, x, nx, 4 - 1e-9);
expect_near (wc, near, tol_closed, "length > eta * distance: closed form");
if (! (abs (wq - near) > 1e-7 && abs (wq - near) < 1e-3))
  error ("length = eta * distance must take the 16-point rule (difference %g)", abs (wq - near));
end
% eta = NaN fails the comparison: the 16-point rule for every element off the point.
if (! isequal (hypfield (ce, ee, ge, x, nx, NaN), wq) || ! isequal (hypfield (ce, ee, ge, x, nx, 1e300), wq))
  error ("eta = NaN and eta = 1e300 must take the 16-point rule on element 2");
end

% Elements on the line of the host element (the neighbour and one further on),
% in closed form with eta = 0: there (x - y).n_y = 0 and the closed form takes
% its on-the-line branch.
c = [0 0; 1 0; 2.5 0; 4 0; 4.5 0];
e = [1 2; 2 3; 4 5];
g = [0; 0; 1.3; -0.4; 2];
x = [0.5 0]; nx = [0.3 -1];
ref = far_element_reference (x, nx, c(2,:), c(3,:), g(2), g(3)) + ...
      far_element_reference (x, nx, c(4,:), c(5,:), g(4), g(5));
expect_near (hypfield (c, e, g, x, nx, 0), ref, tol_closed, "collinear elements, closed form");

% ---- W on a circle: cos(m theta) is an eigenfunction with eigenvalue m/2 ----------
% On the unit circle W cos(m theta) = (m/2) cos(m theta). On the inscribed
% polygon with g interpolated at the vertices and x at the element midpoints
% (normal the outward element normal), W acts like a derivative on the
% interpolation error O(m^2 h^2), so the error is O(m^2 h), h = 2 pi / n. Observed:
% about 0.12 m^2 h, halving with h; checked below m^2 h / 4 with a ratio near 2.
for m = [1 3]
  err = zeros (1, 2);
  for level = 1:2
    n = 128 * level;
    [cc, ee] = circle_mesh (n, 1);
    gg = cos (m * atan2 (cc(:,2), cc(:,1)));
    mid = (cc(ee(:,1),:) + cc(ee(:,2),:)) / 2;
    d = cc(ee(:,2),:) - cc(ee(:,1),:);
    nn = [d(:,2), -d(:,1)] ./ sqrt (sum (d.^2, 2));
    w = hypfield (cc, ee, gg, mid, nn);
    err(level) = max (abs (w - m / 2 * cos (m * atan2 (mid(:,2), mid(:,1)))));
    h = 2 * pi / n;
    if (err(level) > m^2 * h / 4)
      error ("circle, m = %d, n = %d: error %g above m^2 h / 4 = %g", m, n, err(level), m^2 * h / 4);
    end
  end
  if (err(1) / err(2) < 1.8 || err(1) / err(2) > 2.2)
    error ("circle, m = %d: error ratio %g under refinement, expected about 2", m, err(1) / err(2));
  end
end

% ---- W applied to a constant ------------------------------------------------------
% The double layer of 1 is constant inside a closed polygon, so W 1 = 0 at points
% inside elements: the finite-part term 2/(pi len (1 - s^2)) of the host element
% cancels the closed forms of its neighbours. The terms are of size
% 2/(pi len (1 - s^2)), up to 67 here; 1e-13 of the largest is some 500 ulps.
% With normals 3 n_y the other elements scale by 3 and the finite part does not,
% so the result is -2 times the finite-part term.
n = 64;
[cc, ee] = circle_mesh (n, 1);
k = [1; 2; 17; 40; 64];
s = [0; -0.5; 0.3; 0.9; -0.95];
A = cc(ee(k,1),:); B = cc(ee(k,2),:);
x = A + (1 + s) / 2 .* (B - A);
len = sqrt (sum ((B - A).^2, 2));
nn = [B(:,2) - A(:,2), A(:,1) - B(:,1)] ./ len;
fp = 2 ./ (pi * len .* (1 - s.^2));
expect_near (hypfield (cc, ee, ones (n, 1), x, nn), zeros (5, 1), 1e-13 * max (fp), "W 1 = 0");
expect_near (hypfield (cc, ee, ones (n, 1), x, 3 * nn), -2 * fp, 1e-13 * max (fp), ...
             "W 1 with normals 3 n");
% The result is linear in gh: W (1 + 2 cos theta) = 0 + 2 (1/2 cos theta) up to
% the discretisation, and exactly 2 W cos theta up to rounding.
gc = cos (atan2 (cc(:,2), cc(:,1)));
expect_near (hypfield (cc, ee, 1 + 2 * gc, x, nn), 2 * hypfield (cc, ee, gc, x, nn), ...
             1e-13 * max (fp), "linear in gh");

% ---- eta: absent, empty, first entry of a matrix, NaN, negative ---------------------
gg = cos (2 * atan2 (cc(:,2), cc(:,1)));
x = [x; (cc(1,:) + cc(2,:)) / 2];
nn = [nn; 0.3 0.8];
w5 = hypfield (cc, ee, gg, x, nn);
w0 = hypfield (cc, ee, gg, x, nn, 0);
if (! isequal (hypfield (cc, ee, gg, x, nn, 0.5), w5)), error ("five arguments must mean eta = 0.5"); end
if (! isequal (hypfield (cc, ee, gg, x, nn, []), w5)), error ("an empty eta must mean 0.5"); end
% eta is the entry (1,1) of the sixth argument, whatever its shape.
if (! isequal (hypfield (cc, ee, gg, x, nn, [0 7; 1 1]), w0)), error ("eta = [0 7; 1 1] must act as 0"); end
if (! isequal (hypfield (cc, ee, gg, x, nn, sparse (2, 2)), w0)), error ("eta = sparse zeros must act as 0"); end
% Of a sparse matrix too the entry (1,1) counts, not the first one stored.
if (! isequal (hypfield (cc, ee, gg, x, nn, sparse ([0 0; 0 -1])), w0)), error ("eta = sparse([0 0; 0 -1]) must act as 0"); end
if (isequal (w0, w5)), error ("eta = 0 and 0.5 must take different branches somewhere"); end
% Both branches compute the same integrals; the admissible pairs (element at
% least twice its length away) agree to rounding.
expect_near (w5, w0, 1e-13 * max (fp), "eta = 0.5 against eta = 0");
wn = hypfield (cc, ee, gg, x, nn, NaN);
if (! isequal (wn, hypfield (cc, ee, gg, x, nn, 1e300))), error ("NaN eta must take the 16-point rule"); end
eta_msg = "ETA is less than zero (ETA=%f).\nPlease choose a value that is greater than or equal to 0.\n";
expect_error (sprintf (eta_msg, -0.1), 1, @hypfield, cc, ee, gg, x, nn, -0.1);
expect_error (sprintf (eta_msg, -2), 1, @hypfield, cc, ee, gg, x, nn, [-2 5]);
% The number of outputs is not checked.
expect_error (sprintf (eta_msg, -1), 0, @hypfield, cc, ee, gg, x, nn, -1);

% ---- messages word for word and their order ----------------------------------------
c = [0 0; 1 0; 1 1; 0 1]; e = [1 2; 2 3; 3 4; 4 1]; g = [1; 2; 3; 4];
x = [0.5 0]; nx = [0 -1];
in_msg = sprintf ("Invalid number of arguments: Usage\nWphi_x=hypfield(coordinates,elements,gh,x,n_x[,eta])\n");
gh_msg = "The third parameter (gh) has to be an nCx1 matrix, where nC denotes the number of vertices, i.e. the number of rows of the first argument.";
nx_msg = "The number of evaluation points (%d)\nmust correspond to the number of normal vectors (%d).\n";
expect_error (in_msg, 1, @hypfield, c, e, g, x);
expect_error (in_msg, 1, @hypfield, c, e, g, x, nx, 0.5, 1);
expect_error (in_msg, 0, @hypfield);
expect_error (gh_msg, 1, @hypfield, c, e, g', x, nx);
expect_error (gh_msg, 1, @hypfield, c, e, [g g], x, nx);
expect_error (gh_msg, 1, @hypfield, c, e, g(1:3), x, nx);
expect_error (gh_msg, 1, @hypfield, c, e, [], x, nx);
expect_error (sprintf (nx_msg, 1, 2), 1, @hypfield, c, e, g, x, [nx; nx]);
expect_error (sprintf (nx_msg, 3, 0), 1, @hypfield, c, e, g, [x; x; x], zeros (0, 2));
% Order: eta, then gh, then the normals, then the input checks (test_bad_input.m).
expect_error (sprintf (eta_msg, -1), 1, @hypfield, c, e, g', x, [nx; nx], -1);
expect_error (gh_msg, 1, @hypfield, c, e, g', x, [nx; nx]);
expect_error (sprintf (nx_msg, 1, 2), 1, @hypfield, single (c), e, g, x, [nx; nx]);

% ---- empty inputs ---------------------------------------------------------------
w = hypfield (c, e, g, zeros (0, 2), zeros (0, 2));
if (! isequal (size (w), [0 1])), error ("nx = 0 must give a 0x1 result"); end
w = hypfield (zeros (0, 2), zeros (0, 2), zeros (0, 1), zeros (0, 2), zeros (0, 2));
if (! isequal (size (w), [0 1])), error ("all empty must give a 0x1 result"); end

% ---- warnings of the host --------------------------------------------------------------
% The unit square, counter-clockwise. Each kind is one warning per call under
% its identifier: the first point of the kind with its row counted from 1,
% and the count when there are more; warning ("off", id) silences it.
%  1. points on edges (no warning), 1e-3 off the boundary (rows 2 and 3), and
%     2e-12 from a vertex along an edge (beyond the 1e-12 of the end-point test);
%  2. no elements: every point is NaN and warned about;
%  3. points off the boundary and points on the vertices (0,0) and (1,0):
%     both kinds, each with its count; the end-point warning is the last;
%  4. nx = 0: no output at all.
not_close = "warning: hypfield: The evaluation point (%g,%g) is not even close to an element! The %d-th entry of the return vector is set to NaN!\n";
not_close_count = "%d evaluation points in all are not even close to an element; their entries are NaN.\n";
end_point = "warning: hypfield: The evaluation point (%g,%g) is too close to the end point of an element. The %d-th value of the return vector is probably wrong!\n";
end_point_count = "%d evaluation points in all are too close to the end point of an element.\n";
off_id = "bem2d:hypfield:offBoundary"; vertex_id = "bem2d:hypfield:nearVertex";
x1 = [0.5 0; 0.5 1e-3; 0.25 -0.5; 1 0.75; 2e-12 0];
n1 = [0 -1; 0 -1; 0 -1; 1 0; 0 -1];
x3 = [0.5 0; 0 0; 3 3; 1 0; 4 4; 5 5];
cases = {{c, e, g, x1, n1}, [sprintf(not_close, 0.5, 1e-3, 2), sprintf(not_close_count, 2)], off_id;
         {c, zeros(0, 2), g, [0.5 0; 3 4], [0 -1; 1 0]}, [sprintf(not_close, 0.5, 0, 1), sprintf(not_close_count, 2)], off_id;
         {c, e, g, x3, ones(6, 2), 0}, [sprintf(not_close, 3, 3, 3), sprintf(not_close_count, 3), ...
                                      sprintf(end_point, 0, 0, 2), sprintf(end_point_count, 2)], vertex_id;
         {c, e, g, zeros(0, 2), zeros(0, 2)}, "", ""};
values = cell (rows (cases), 1);
for k = 1:rows (cases)
  [values{k}, printed, got] = warned_call (@hypfield, cases{k,1}{:});
  if (! strcmp (printed, cases{k,2}) || ! strcmp (got, cases{k,3}))
    error ("case %d printed\n<<%s>> (identifier <<%s>>), expected\n<<%s>> (<<%s>>)", k, printed, ...
           got, cases{k,2}, cases{k,3});
  end
end
state = warning ("off", off_id);
[~, printed] = warned_call (@hypfield, cases{3,1}{:});
warning (state);
if (! strcmp (printed, [sprintf(end_point, 0, 0, 2), sprintf(end_point_count, 2)]))
  error ("warning ('off', %s) must silence that kind alone: <<%s>>", off_id, printed);
end
v = values{1};
% (The entry 2e-12 from the vertex is whatever the formulas give there: the
% closed form of the neighbour meets its line at rounding level and yields NaN.)
if (! all (isnan (v(2:3))) || ! all (isfinite (v([1 4]))))
  error ("points off the boundary must give NaN, the others finite values: %s", mat2str (v));
end
expect_near (v([1 4]), hypfield (c, e, g, x1([1 4],:), n1([1 4],:)), 0, "values next to warned points");
if (! all (isnan (values{2}))), error ("no elements must give NaN: %s", mat2str (values{2})); end
v = values{3};
if (any (isfinite (v([2 4]))) || ! all (isnan (v([3 5 6]))) || ! isfinite (v(1)))
  error ("points at a vertex must give non-finite entries, those off the boundary NaN: %s", mat2str (v));
end
if (! isequal (size (values{4}), [0 1])), error ("nx = 0 must give a 0x1 result"); end

printf ("test_hypfield: all checks passed\n");
