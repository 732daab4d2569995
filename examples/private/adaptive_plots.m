function adaptive_plots (outdir, runs, finals)
  % ADAPTIVE_PLOTS  The PNG files of bem2d_adaptive_demo, written into
  % outdir: adaptive_convergence.png (estimator and error against the
  % number of elements, adaptive in blue and uniform in red, one panel per
  % problem, with the expected slopes dotted) and
  % adaptive_mesh.png (the final adaptive mesh of Symm's equation on the
  % L-shape near its re-entrant corner, and its element lengths against the
  % distance from the corner). runs(k) holds the fields title, adaptive,
  % uniform (level structs of bem2d_adaptive) and rates ([adaptive uniform]);
  % finals(1) is the final mesh of runs(1). The toolkit and the warnings
  % turned off here are restored on return.
  restore = offscreen_graphics ();  % until return

  f = figure ('visible', 'off');
  for k = 1:numel (runs)
    subplot (2, 2, k);
    A = runs(k).adaptive;
    U = runs(k).uniform;
    NA = [A.elements];
    NU = [U.elements];
    loglog (NA, [A.error], 'b-', NA, [A.estimator], 'b--', NU, [U.error], 'r-', ...
            NU, [U.estimator], 'r--', 'linewidth', 1.2);
    hold on;
    % Reference slopes, a factor 3 below the last adaptive and uniform errors.
    p = runs(k).rates;
    loglog (NA, A(end).error / 3 * (NA / NA(end)).^(-p(1)), 'k:', ...
            NU, U(end).error / 3 * (NU / NU(end)).^(-p(2)), 'k:');
    text (NA(end), A(end).error / 3, sprintf (' N^{-%s}', rate_label (p(1))), 'fontsize', 8);
    text (NU(end), U(end).error / 3, sprintf (' N^{-%s}', rate_label (p(2))), 'fontsize', 8);
    hold off;
    grid on;
    axis ([1 3e4 -Inf Inf]);
    set (gca, 'fontsize', 7);
    if (k > 2)
      xlabel ('N (elements)');
    end
    ylabel ('error, estimator (dashed)');
    title (runs(k).title, 'fontsize', 8);
  end
  save_png (f, fullfile (outdir, 'adaptive_convergence.png'), 1600, 1200);

  % The final mesh of Symm's equation on the L-shape near the re-entrant
  % corner (0,0), in three windows from 2^-3 down to some 64 of its
  % smallest elements (in units of the window, with the number of nodes in
  % each), and the element lengths against the distance of their
  % midpoints from the corner. The elements are drawn as one line broken by
  % NaN (one graphics object, however many elements).
  m = finals(1);
  c = m.coordinates;
  e = m.elements;
  nE = size (e, 1);
  X = [c(e(:,1),1), c(e(:,2),1), nan(nE, 1)]';
  Y = [c(e(:,1),2), c(e(:,2),2), nan(nE, 1)]';
  f = figure ('visible', 'off');
  h = sqrt (sum ((c(e(:,2),:) - c(e(:,1),:)).^2, 2));
  % Windows from 2^-3 down to one some 64 smallest elements wide.
  deepest = min (-4, ceil (log2 (64 * min (h))));
  powers = round ([-3, (deepest - 3) / 2, deepest]);
  for k = 1:3
    subplot (2, 2, k);
    w = 2^powers(k);
    near = max (abs (c), [], 2) <= w;
    plot (X(:) / w, Y(:) / w, 'k-', c(near,1) / w, c(near,2) / w, 'b.', 'markersize', 6);
    axis ([-0.5 0.5 -0.5 0.5]);
    axis square;
    set (gca, 'fontsize', 7);
    title (sprintf ('width 2^{%d}: %d nodes', powers(k), sum (max (abs (c), [], 2) <= w / 2)), ...
           'fontsize', 8);
  end
  subplot (2, 2, 4);
  mid = (c(e(:,1),:) + c(e(:,2),:)) / 2;
  r = sqrt (sum (mid.^2, 2));
  loglog (r, h, 'b.', 'markersize', 4);
  hold on;
  loglog ([min(r), max(r)], 2 / nE * [1 1], 'r-');   % uniform: N elements on a boundary of length 2
  hold off;
  grid on;
  decades = floor (log10 (min (r))):0;
  set (gca, 'fontsize', 7, 'xtick', 10.^decades(mod (decades, 2) == 0));
  xlabel ('distance of its midpoint from the corner');
  ylabel ('element length');
  title (sprintf ('%d elements (red: uniform)', nE), 'fontsize', 8);
  save_png (f, fullfile (outdir, 'adaptive_mesh.png'), 1400, 1260);
end

function s = rate_label (p)
  % 3/2, 2/3 and 1/2 as fractions, anything else as a number.
  known = [3/2 2/3 1/2];
  labels = {'3/2', '2/3', '1/2'};
  i = find (abs (known - p) < 1e-12, 1);
  if (isempty (i))
    s = sprintf ('%.2f', p);
  else
    s = labels{i};
  end
end
