% Host tests of the class hmatrix: products and solves against the dense
% matrices, the handles (transposes, clearing, a thousand builds without
% growing memory), bad input, save, and a build without the engine.
1;

function kb = resident_kb ()
  % The resident memory of this process (Linux), in kB.
  fid = fopen ("/proc/self/statm");
  pages = fscanf (fid, "%d", 2);
  fclose (fid);
  kb = pages(2) * 4;
end

function check (ok, varargin)
  if (! ok)
    error (varargin{:});
  end
end

[c, e] = circle_mesh (1200, 0.45);
c(:,1) = c(:,1) .* (1 + 0.05 * sin (5 * (1:1200)'));   % elements of different lengths
tol = 1e-10;
try
  V = hmatrix ("slp", c, e, tol);
catch err
  % A build without hmat-oss says so, and that is all it can do.
  check (strcmp (err.identifier, "bem2d:hmatrix:notBuilt"), "unexpected: %s", err.message);
  printf ("test_hmatrix: this build has no compressed operators: %s\n", err.message);
  return;
end

% ---- products and solves ----------------------------------------------------------
% Every block is compressed to the relative tolerance tol: a product errs by a
% few tol against the dense one (10 tol in the 2-norm: the bound of the C++
% tests, here through the host's arrays and the class's operators).
Vd = slpmatrix (c, e); Kd = dlpmatrix (c, e); Wd = hypmatrix (c, e);
K = hmatrix ("dlp", c, int32 (e), tol); W = hmatrix ("hyp", c, e);
X = [cos((1:1200)'), sin(3 * (1:1200)')];
pairs = {V, Vd; K, Kd; W, Wd};
for k = 1:3
  [H, D] = pairs{k,:};
  check (isequal (size (H), size (D)), "size of %s", H.kind);
  check (norm (H * X - D * X) <= 10 * tol * norm (D * X), "%s * X", H.kind);
  check (norm (H' * X - D' * X) <= 10 * tol * norm (D' * X), "%s' * X", H.kind);
  check (norm (X' * H - X' * D) <= 10 * tol * norm (X' * D), "X' * %s", H.kind);
end
% Solves: the residual with the dense matrix within a few tol of b (b as a
% Galerkin load, entries with their element's size); W with sum(b) = 0 gives
% m'x = 0 as well.
L = sqrt (sum ((c(e(:,2),:) - c(e(:,1),:)).^2, 2));
b = L .* cos ((1:1200)');
x = V \ b;
check (norm (Vd * x - b) <= 10 * tol * norm (b), "V \\ b: residual %g", norm (Vd * x - b) / norm (b));
m = ([L; 0] + [0; L])(1:1200) / 2; m(1) += L(end) / 2;   % int psi_p
b = m .* sin ((1:1200)'); b -= mean (b);
x = W \ b;
check (norm (Wd * x - b) <= 10 * tol * norm (b), "W \\ b");
check (abs (m' * x) <= 1e-9 * sum (abs (m .* x)), "m'x = 0");
check (V.bytes < 0.5 * 8 * 1200^2, "V is compressed");
small = hmatrix ("slp", c(1:6:end,:), [(1:200)' [2:200 1]']);
check (norm (full (small) - slpmatrix (c(1:6:end,:), [(1:200)' [2:200 1]']), "fro") < 1e-9, "full");

% ---- handles -----------------------------------------------------------------------
% A transpose holds the matrix as the original does.
T = V'; clear V
check (norm (T * X - Vd * X) <= 10 * tol * norm (Vd * X), "the transpose outlives its original");
clear T
% A thousand builds and clears leave the memory flat (each build of 300
% elements holds about 1 MB while it lives). A sanitizer's allocator keeps
% freed memory back (AddressSanitizer's quarantine: 256 MB), so there the
% resident memory tells nothing; the C++ tests look for leaks under it.
[c3, e3] = circle_mesh (300, 0.45);
for k = 1:50, H = hmatrix ("hyp", c3, e3); clear H; end
before = resident_kb ();
for k = 1:1000, H = hmatrix ("hyp", c3, e3); y = H * ones (300, 1); clear H; end
if (isempty (regexp (getenv ("LD_PRELOAD"), "lib[at]san", "once")))
  check (resident_kb () - before < 20000, "memory grew by %d kB", resident_kb () - before);
else
  printf ("test_hmatrix: under a sanitizer's allocator; the resident memory is not checked\n");
end

% ---- bad input -----------------------------------------------------------------------
cases = {"bem2d:hmatrix:kind", {"xyz", c, e};
         "bem2d:hmatrix:tol", {"slp", c, e, 0};
         "bem2d:hmatrix:tol", {"slp", c, e, 1};
         "bem2d:hmatrix:tol", {"slp", c, e, NaN};
         "bem2d:hmatrix:vertexNumber", {"slp", c, [1 1201]};
         "bem2d:hmatrix:argumentClass", {"slp", single(c), e};
         "bem2d:hmatrix:notFinite", {"slp", [c(1:end-1,:); Inf 0], e};
         "bem2d:hmatrix:noLength", {"hyp", zeros(3, 2), [1 2; 2 3]}};
for k = 1:rows (cases)
  try
    hmatrix (cases{k,2}{:});
    error ("hmatrix (case %d) did not fail", k);
  catch err
    check (strcmp (err.identifier, cases{k,1}), "case %d: %s (%s)", k, err.identifier, err.message);
  end
end
try
  K \ b;
  error ("K \\ b did not fail");
catch err
  check (strcmp (err.identifier, "bem2d:hmatrix:noSolve"), "K \\ b: %s", err.message);
end
% A compressed matrix lives outside the session: saving it fails, and leaves
% it as it was.
file = [tempname() ".mat"];
try
  save ("-binary", file, "W");
  error ("save did not fail");
catch err
  check (isempty (strfind (err.message, "did not fail")), "%s", err.message);
end
check (norm (W * X - Wd * X) <= 10 * tol * norm (Wd * X), "W after save");
