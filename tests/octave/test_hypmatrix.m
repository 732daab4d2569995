% Host tests of hypmatrix: symmetry, W * ones = 0, W against slpmatrix, the
% energy of cos(m theta) on the circle, one and two workers, unused nodes,
% eta, messages.
1;

% W is the single layer of arc-length derivatives: with S(e, p) = -1 at the
% start node of element e and +1 at its end node, Lambda = diag(lengths),
%   W = S' Lambda^-1 V Lambda^-1 S,   V = slpmatrix(coordinates, elements).
function W = from_slpmatrix (c, e, eta)
  nC = rows (c); nE = rows (e);
  S = sparse ([1:nE, 1:nE], [e(:,1); e(:,2)]', [-ones(1, nE), ones(1, nE)], nE, nC);
  L = sqrt (sum ((c(e(:,2),:) - c(e(:,1),:)).^2, 2));
  D = diag (1 ./ L);
  W = full (S' * (D * slpmatrix (c, e, eta) * D) * S);
end

% Every x is added to one entry of a vector and subtracted from another, so
% W is symmetric and W * ones = 0 up to the rounding of n additions of
% entries of size max|W|.
function check_structure (W, what)
  n = rows (W);
  tol = 4 * n * eps * max (abs (W(:)));
  expect_near (W, W.', tol, [what, ": symmetry"]);
  expect_near (W * ones (n, 1), zeros (n, 1), tol, [what, ": W * ones"]);
end

% ---- one worker (up to 199 elements) and two (from 200) ------------------------
% A wobbly circle of 201 vertices; the first 199, 200 and 201 elements (the
% shorter meshes leave vertices unused). W against slpmatrix: the same pair
% integral in other argument orders, so rounding only.
n = 201;
t = 2 * pi * (0:n-1)' / n;
cw = (1 + 0.1 * sin (5 * (0:n-1)' + 1)) .* [cos(t), sin(t)];
ew = [(1:n)', [2:n, 1]'];
for nE = [199 200 201]
  W = hypmatrix (cw, ew(1:nE,:));
  what = sprintf ("%d elements", nE);
  check_structure (W, what);
  expect_near (W, from_slpmatrix (cw, ew(1:nE,:), 0.5), 1e-13 * max (abs (W(:))), what);
end
% The 199 and 200 element meshes leave vertex 201 unused: zero row and column.
W = hypmatrix (cw, ew(1:199,:));
if (any (W(201,:)) || any (W(:,201))), error ("an unused vertex must have a zero row and column"); end
if (! all (diag (W(1:200,1:200)) > 0)), error ("used vertices must have a positive diagonal"); end

% ---- the energy of cos(m theta) on the unit circle --------------------------------
% W cos(m theta) = (m/2) cos(m theta), so g' W g -> m pi / 2 for g = cos(m theta)
% at the vertices, with relative error below (m h)^2 that drops by about 4
% when n doubles (100 elements: one worker, 200: two).
for m = 1:4
  err = zeros (1, 2);
  for level = 1:2
    n = 100 * 2^(level - 1);
    [cc, ee] = circle_mesh (n, 1);
    g = cos (m * 2 * pi * (0:n-1)' / n);
    err(level) = abs (g' * hypmatrix (cc, ee) * g - m * pi / 2) / (m * pi / 2);
    if (err(level) > (m * 2 * pi / n)^2)
      error ("energy of cos(%d theta), n = %d: relative error %g", m, n, err(level));
    end
  end
  if (err(1) / err(2) < 3.5 || err(1) / err(2) > 4.5)
    error ("energy of cos(%d theta): error ratio %g, expected about 4", m, err(1) / err(2));
  end
end

% ---- empty mesh: nC x nC zeros ---------------------------------------------------
if (! isequal (hypmatrix (cw(1:3,:), zeros (0, 2)), zeros (3))), error ("nE = 0 must give nC x nC zeros"); end
if (! isequal (size (hypmatrix (zeros (0, 2), zeros (0, 2))), [0 0])), error ("empty mesh must give 0x0"); end

% ---- eta: not validated -------------------------------------------------------------
[cc, ee] = circle_mesh (64, 1);
W0 = hypmatrix (cc, ee, 0);
Wh = hypmatrix (cc, ee);
if (! isequal (hypmatrix (cc, ee, NaN), W0)), error ("NaN eta must give the closed form on every pair"); end
if (! isequal (hypmatrix (cc, ee, [1 2]), Wh) || ! isequal (hypmatrix (cc, ee, []), Wh))
  error ("eta that is not 1x1 must act as 0.5");
end
expect_near (Wh, W0, 1e-12 * max (abs (W0(:))), "default eta against closed form");
% A negative eta is accepted and sends every pair, the element with itself
% included, to the quadrature route, whose panels are refined toward the
% ends: the same matrix to rounding, the structure intact.
Wn = hypmatrix (cc, ee, -1);
expect_near (Wn, W0, 1e-12 * max (abs (W0(:))), "negative eta against closed form");
check_structure (Wn, "negative eta");

% ---- messages word for word (no trailing newline; " \n" inside) -----------------
out_msg = "At most one left-hand side argument is expected.\nUse either W = hypmatrix(coordinates, elements) or \nW = hypmatrix(coordinates, elements, eta).";
in_msg = "Either two or three right-hand side arguments are expected.\nUse either W = hypmatrix(coordinates, elements) or \nW = hypmatrix(coordinates, elements, eta).";
c = [0 0; 1 0; 1 1; 0 1]; e = [1 2; 2 3; 3 4; 4 1];
expect_ans (@hypmatrix, c, e);
expect_error (sprintf (out_msg), 2, @hypmatrix, c, e);
expect_error (sprintf (out_msg), 2, @hypmatrix);  % output count is checked first
expect_error (sprintf (in_msg), 1, @hypmatrix, c);
expect_error (sprintf (in_msg), 1, @hypmatrix);
expect_error (sprintf (in_msg), 1, @hypmatrix, c, e, 0.5, 1);

% ---- eta is not checked, so a negative eta does not hide a bad index ---------------
idx_msg = "elements(1,2) = 5 is not a row number of coordinates (1 to 4).\n";
expect_error (idx_msg, 1, @hypmatrix, c, [1 5], -1);

printf ("test_hypmatrix: all checks passed\n");
