function readme_usage (readme)
  % README_USAGE  Runs the one ```octave block of the README verbatim, in the
  % current folder (the source folder, where the README's two commands leave
  % the modules in build/mex), and checks what its comments promise. Ends in
  % error() when the block fails or a promise does not hold.
  text = fileread (readme);
  blocks = regexp (text, '```octave\n(.*?)```', 'tokens');
  if (numel (blocks) != 1)
    error ("readme_usage: %s must have exactly one ```octave block, it has %d", readme, numel (blocks));
  end
  try
    v = run_block (blocks{1}{1});
  catch err
    error ("readme_usage: the usage block of %s fails: %s", readme, err.message);
  end
  % Its comments: K 1 = -L/2 at rounding level; u = x(:,1), du = 0.5 and
  % gradu = [1 0] to rounding (the Galerkin solution is exact for a linear
  % u; values of size 1 from sums of 128 terms: 1e-12); W*ones at rounding
  % level, Wg ~ cos(theta)/2 up to O(1/n), S printed as -0.1703, the
  % identifier of a bad vertex number.
  theta = atan2 (v.xb(:,2), v.xb(:,1));
  checks = {"norm(K*ones(n,1) + L/2) at rounding level", norm(v.K * ones(v.n, 1) + v.L / 2), 1e-14;
            "u = x(:,1)", max(abs(v.u - v.x(:,1))), 1e-12;
            "du = 0.5", max(abs(v.du - 0.5)), 1e-12;
            "gradu = [1 0]", max(max(abs(v.gradu - [1 0]))), 1e-12;
            "norm(W*ones(n,1)) at rounding level", norm(v.W * ones(v.n, 1)), 1e-12;
            "Wg ~ cos(theta)/2", max(abs(v.Wg - cos(theta) / 2)), 1 / v.n;
            "S = -0.1703", abs(v.S + 0.1703), 5e-5;
            "identifier bem2d:slpmatrix:vertexNumber", ! strcmp(v.id, "bem2d:slpmatrix:vertexNumber"), 0};
  for k = 1:rows (checks)
    [what, deviation, tol] = checks{k,:};
    if (! (deviation <= tol))
      error ("readme_usage: %s: off by %g (at most %g)", what, deviation, tol);
    end
  end
  printf ("readme_usage: the usage block of %s runs and keeps its %d promises\n", readme, rows (checks));
end

function v = run_block (code)
  % Runs the block in a workspace of its own (its output is not shown) and
  % returns the variables the checks read.
  evalc (code);
  v = struct ("K", K, "L", L, "u", u, "x", x, "du", du, "gradu", gradu, "W", W, "n", n, "Wg", Wg, ...
              "xb", A + (B - A) / 3, "S", S, "id", err.identifier);
end
