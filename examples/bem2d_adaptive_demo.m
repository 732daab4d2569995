function runs = bem2d_adaptive_demo (outdir, elements)
  % BEM2D_ADAPTIVE_DEMO  Adaptive boundary elements against uniform
  % refinement, with the toolkit's refinement, marking and estimators, on
  % the L-shaped domain and on a slit, where the solutions are singular.
  %
  %   bem2d_adaptive_demo                 all four problems, adaptive runs to
  %                                       10000 elements on the L-shape and 5000
  %                                       on the slit; plots into the folder
  %                                       bem2d_adaptive_demo_output
  %   bem2d_adaptive_demo (outdir)        plots into outdir
  %   bem2d_adaptive_demo (outdir, N)     adaptive runs to N elements on the
  %                                       L-shape, N/2 on the slit (the uniform
  %                                       ones to the first level beyond a
  %                                       quarter of that)
  %   runs = bem2d_adaptive_demo (...)    also returns the levels of every run
  %
  % Every level solves, estimates (symm_residual or hyp_residual, plus the
  % data oscillation), marks with dorfler (theta = 0.5) and refines with
  % bisect (neighbours within the factor 2), starting from 8 elements; the
  % energy error is exact (see bem2d_adaptive). For each problem it prints
  % the adaptive and the uniform table (N, estimator, oscillation, error,
  % estimator/error, the rate -d log(error) / d log(N) from the level before)
  % and the fitted rates, and writes
  % adaptive_convergence.png and adaptive_mesh.png into the output folder.
  % About four minutes on two cores, nearly all of it in the dense
  % assembly and solves of the last levels (V and K take 800 MB each at
  % 10000 elements). The slit stops earlier: its elements at the tips
  % (+-1, 0) reach 1e-12 at 5000 elements, where the doubles near 1 are
  % only 1e-4 of an element length apart.
  %
  % Expected rates in N, the number of elements (error ~ N^(-rate)):
  %   adaptive meshes: 3/2 in every problem, the rate of smooth solutions
  %     (piecewise constants in H^(-1/2) and hats in H^(1/2) approximate to
  %     h^(3/2)), which the graded meshes recover;
  %   uniform meshes: 2/3 on the L-shape, since phi ~ r^(-1/3) and
  %     g ~ r^(2/3) at the re-entrant corner (interior angle 3 pi/2: u ~ r^(2/3))
  %     lie only in H^(-1/2 + 2/3 - eps) and H^(1/2 + 2/3 - eps); 1/2 on the
  %     slit (interior angle 2 pi: phi ~ d^(-1/2), g ~ d^(1/2) at the tips).
  % The L-shape's two solutions are harmonic conjugates, and
  % W = -d/ds V d/ds in two dimensions: the derivative of the hypersingular
  % solution is minus the flux of Symm's, so their tables nearly coincide,
  % from two different sets of kernels.

  if (nargin < 1 || isempty (outdir))
    outdir = fullfile (pwd (), 'bem2d_adaptive_demo_output');
  end
  if (nargin < 2 || isempty (elements))
    elements = 10000;
  end
  if (is_octave ())
    pager = page_screen_output ();
    page_screen_output (false);
    restore_pager = onCleanup (@() page_screen_output (pager));
  end
  tstart = tic ();
  % problem, geometry, share of the elements, title of the table, of the plot
  cases = {'symm', 'lshape', 1, 'Symm''s equation on the L-shape, u = r^(2/3) sin(2 theta/3)', ...
           'Symm, L-shape'; ...
           'hyp', 'lshape', 1, 'hypersingular equation on the L-shape, u = r^(2/3) cos(2 theta/3)', ...
           'hypersingular, L-shape'; ...
           'symm', 'slit', 1/2, 'V phi = 1 on the slit [-1,1], phi = (2/log 2)/sqrt(1 - x^2)', ...
           'V \phi = 1, slit'; ...
           'hyp', 'slit', 1/2, 'W g = 1/2 on the slit [-1,1], g = sqrt(1 - x^2)', ...
           'W g = 1/2, slit'};
  fprintf ('bem2d adaptive demo: solve, estimate, mark (theta = 0.5), refine, from 8 elements.\n');
  fprintf ('rate = -log(error ratio) / log(N ratio) against the level before.\n');
  runs = struct ('title', {}, 'adaptive', {}, 'uniform', {}, 'rates', {});
  for k = 1:size (cases, 1)
    [problem, geometry, share, name, plot_title] = cases{k,:};
    fprintf ('\n%d. %s\n', k, name);
    [A, final] = bem2d_adaptive (problem, 'geometry', geometry, 'elements', share * elements);
    if (k == 1)
      finals = final;
    end
    fprintf ('   adaptive\n');
    print_table (A);
    U = bem2d_adaptive (problem, 'geometry', geometry, 'refinement', 'uniform', ...
                        'elements', share * elements / 4);
    fprintf ('   uniform\n');
    print_table (U);
    if (strcmp (geometry, 'lshape'))
      expected = [3/2, 2/3];
    else
      expected = [3/2, 1/2];
    end
    % Adaptive errors alternate between faster and slower levels (the
    % elements at the singularity are split every few levels), so their
    % rate is fitted over the last two decades of N; uniform ones are
    % regular, and their last three levels suffice.
    first = find ([A.elements] >= A(end).elements / 100, 1);
    a = fitted_rate (A, numel (A) - first + 1);
    u = fitted_rate (U, 3);
    fprintf (['   fitted rates (error, estimator): adaptive %.2f, %.2f from %d elements on,' ...
              ' uniform %.2f, %.2f over the last 3 levels; expected %s and %s\n'], a, ...
             A(first).elements, u, strtrim (rats (expected(1))), strtrim (rats (expected(2))));
    runs(k).title = plot_title;
    runs(k).adaptive = A;
    runs(k).uniform = U;
    runs(k).rates = expected;
  end
  fprintf ('\nAll runs computed in %.0f s.\n', toc (tstart));
  try
    if (~exist (outdir, 'dir'))
      mkdir (outdir);
    end
    adaptive_plots (outdir, runs, finals);
  catch err
    fprintf ('No plots written (%s).\n', err.message);
  end
end

function print_table (L)
  fprintf ('   %8s %11s %11s %11s %8s %6s\n', 'N', 'estimator', 'oscillation', 'error', 'est/err', ...
           'rate');
  for i = 1:numel (L)
    rate = NaN;
    if (i > 1)
      rate = -log (L(i).error / L(i-1).error) / log (L(i).elements / L(i-1).elements);
    end
    fprintf ('   %8d %11.3e %11.3e %11.3e %8.2f %6s\n', L(i).elements, L(i).estimator, ...
             L(i).oscillation, L(i).error, L(i).estimator / L(i).error, rate_text (rate));
  end
end

function r = fitted_rate (L, k)
  % Least-squares slopes of log(error) and log(estimator) against log(N)
  % over the last k levels, with the sign that makes decay positive.
  i = max (1, numel (L) - k + 1):numel (L);
  x = log ([L(i).elements]');
  X = [x, ones(size (x))];
  c = X \ log ([[L(i).error]', [L(i).estimator]']);
  r = -c(1,:);
end

%!demo
%! % Adaptive against uniform refinement on the L-shape and a slit, up to
%! % 2000 elements (about 30 s; the default 10000 takes about four minutes).
%! bem2d_adaptive_demo ([], 2000);
