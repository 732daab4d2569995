function check_package (tarball, modules)
  % CHECK_PACKAGE  Installs the bem2d package from `tarball` with pkg into a
  % temporary prefix (own package lists, so nothing outside it is touched),
  % loads it, and checks every module of the cell array `modules` (all seven
  % must be there): it comes from the package, `help` shows its call form,
  % and one call on a small mesh gives a finite result of the right size,
  % with a value known in closed form where there is a cheap one. Then, as an
  % installed user would: `pkg test bem2d` and `test NAME` run and pass the
  % self-tests of every module, and `demo bem2d_demo` runs the shipped demo,
  % which writes its plots into a folder of its own. Ends in error() on any
  % failure.
  all_modules = {"slpmatrix", "hypmatrix", "dlpmatrix", "slpfield", "dlpfield", "tdlfield", ...
                 "hypfield", "domfield", "dlpgradfield"};
  missing = setdiff (all_modules, modules);
  if (! isempty (missing))
    error ("check_package: the build has no module %s", strjoin (missing, ", "));
  end
  root = tempname ();
  mkdir (root);
  cleanup = onCleanup (@() remove_tree (root));
  pkg ("prefix", fullfile (root, "share"), fullfile (root, "arch"));
  pkg ("local_list", fullfile (root, "local_packages"));
  pkg ("global_list", fullfile (root, "global_packages"));
  pkg ("install", "-local", tarball);
  pkg ("load", "bem2d");

  % Unit square, counter-clockwise, 4 elements per side; a triangulation of it.
  m = 4;
  s = (0:m-1)' / m;
  coordinates = [s, 0*s; 1+0*s, s; 1-s, 1+0*s; 0*s, 1-s];
  nC = rows (coordinates);
  elements = [(1:nC)', [2:nC, 1]'];
  nE = nC;
  mid = (coordinates(elements(:,1),:) + coordinates(elements(:,2),:)) / 2;
  tangent = coordinates(elements(:,2),:) - coordinates(elements(:,1),:);
  normal = [tangent(:,2), -tangent(:,1)] ./ sqrt (sum (tangent.^2, 2));
  inside = [0.3 0.4; 0.7 0.55];

  for k = 1:numel (modules)
    name = modules{k};
    where = which (name);
    if (isempty (strfind (where, root)) || ! strcmp (where(end-3:end), ".mex"))
      error ("check_package: %s is taken from <<%s>>, not from the package", name, where);
    end
    text = evalc (sprintf ("help %s", name));
    if (isempty (strfind (text, [" = " name "(coordinates"])) && isempty (strfind (text, [" = " name "(vertices"])))
      error ("check_package: help %s does not show the call form:\n%s", name, text);
    end
    switch (name)
      case "slpmatrix"
        r = slpmatrix (coordinates, elements);
        expect_finite (r, [nE nE], name);
        % Diagonal: L^2 (3/2 - log L) / (2 pi), L = 1/4; entries of size 0.01.
        if (max (abs (diag (r) - (3/2 - log (1/m)) / (2*pi*m^2))) > 1e-15)
          error ("check_package: slpmatrix diagonal differs from its closed form");
        end
      case "hypmatrix"
        r = hypmatrix (coordinates, elements);
        expect_finite (r, [nC nC], name);
        % The constants are its kernel; entries are O(1), so rounding level.
        if (norm (r * ones (nC, 1), Inf) > 1e-13)
          error ("check_package: hypmatrix * ones is not zero");
        end
      case "slpfield"
        r = slpfield (coordinates, elements, ones (nE, 1), inside);
        expect_finite (r, [2 1], name);
      case "dlpfield"
        r = dlpfield (coordinates, elements, ones (nC, 1), inside);
        expect_finite (r, [2 1], name);
        % The double layer of 1 is -1 inside. Near pairs are closed forms and
        % far ones (at least twice the element length away) 16-point rules,
        % both exact to rounding here; 1e-13 is a hundred times that.
        if (max (abs (r + 1)) > 1e-13)
          error ("check_package: dlpfield of 1 inside is not -1");
        end
      case "tdlfield"
        r = tdlfield (coordinates, elements, ones (nE, 1), inside, [1 0; 0 1]);
        expect_finite (r, [2 1], name);
      case "hypfield"
        % W maps the constants to zero: the finite part on the element of
        % the point (terms of size 1/h = 4) cancels the other elements'
        % contributions; 1e-12 allows for the rounding of that cancellation.
        r = hypfield (coordinates, elements, ones (nC, 1), mid, normal);
        expect_finite (r, [nE 1], name);
        if (max (abs (r)) > 1e-12)
          error ("check_package: hypfield of 1 is not zero");
        end
      case "domfield"
        r = domfield ([0 0; 1 0; 1 1; 0 1], [1 2 3; 1 3 4], [1; 1], inside);
        expect_finite (r, [2 1], name);
        % Integral of log|x - y| over the triangle (0,0), (1,0), (0,1) seen
        % from (2,3): 0.574217522841 (12 digits), times -1/(2 pi).
        r = domfield ([0 0; 1 0; 0 1], [1 2 3], 1, [2 3]);
        if (abs (r + 0.574217522841 / (2*pi)) > 1e-12)
          error ("check_package: domfield differs from the known triangle integral");
        end
      case "dlpmatrix"
        % Each row sums to minus half the length of its element, 1/4 here.
        r = dlpmatrix (coordinates, elements);
        expect_finite (r, [nE nC], name);
        if (max (abs (sum (r, 2) + 1/(2*m))) > 1e-14)
          error ("check_package: dlpmatrix row sums differ from -|E_i|/2");
        end
      case "dlpgradfield"
        % The double layer of 1 is -1 inside: its gradient vanishes.
        r = dlpgradfield (coordinates, elements, ones (nC, 1), inside);
        expect_finite (r, [2 2], name);
        if (max (abs (r(:))) > 1e-13)
          error ("check_package: dlpgradfield of 1 is not zero inside");
        end
      otherwise
        error ("check_package: no check for module %s", name);
    end
  end

  text = evalc ("help bem2d");
  if (isempty (strfind (text, "Boundary element kernels")) || isempty (strfind (text, "dlpgradfield")))
    error ("check_package: help bem2d does not give the overview:\n%s", text);
  end

  % pkg test and demo write into the current folder (a log, the plots).
  here = pwd ();
  unwind_protect
    cd (root);
    report = evalc ('pkg ("test", "bem2d")');
    passed = str2double (regexp (report, 'PASS\s+(\d+)', 'tokens', 'once'));
    failed = str2double (regexp (report, 'FAIL\s+(\d+)', 'tokens', 'once'));
    if (! isequal (failed, 0) || ! (passed >= 3 * numel (modules)))
      error ("check_package: pkg test bem2d does not pass the self-tests:\n%s", report);
    end
    for k = 1:numel (modules)
      [passed, total] = test (modules{k}, "quiet");
      if (total < 3 || passed != total)
        error ("check_package: test %s passes %d of %d", modules{k}, passed, total);
      end
    end
    report = evalc ('demo ("bem2d_demo")');
    if (isempty (strfind (report, "5. Poisson problem")) || ! isempty (strfind (report, "failed")))
      error ("check_package: demo bem2d_demo does not run:\n%s", report);
    end
    for png = {"convergence.png", "corner_flux.png", "corner_solution.png", "corner_gradient.png"}
      if (! exist (fullfile (root, "bem2d_demo_output", png{1}), "file"))
        error ("check_package: the demo wrote no bem2d_demo_output/%s:\n%s", png{1}, report);
      end
    end
  unwind_protect_cleanup
    cd (here);
  end_unwind_protect

  pkg ("unload", "bem2d");
  printf ("check_package: %d modules installed from %s and checked, their self-tests and the demo run\n", ...
          numel (modules), tarball);
end

function expect_finite (r, sz, name)
  if (! isequal (size (r), sz) || ! all (isfinite (r(:))))
    error ("check_package: %s gave a %s result, expected %s and finite", name, ...
           mat2str (size (r)), mat2str (sz));
  end
end

function remove_tree (root)
  confirm_recursive_rmdir (false, "local");
  [~] = rmdir (root, "s");
end
