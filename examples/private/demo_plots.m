function demo_plots (outdir, levels, err1, err1b, err2, err3, err4, err5, mesh, corner_u, corner_grad)
  % DEMO_PLOTS  The PNG files of the demo, written into outdir:
  % convergence.png, corner_flux.png, corner_solution.png and
  % corner_gradient.png. Octave draws
  % them without a display through gnuplot when it is installed; the
  % toolkit and the warnings turned off here are restored on return.
  if (is_octave ())
    warnings = [warning('off', 'Octave:gnuplot-graphics'), warning('off', 'print:nogs')];
    restore_warnings = onCleanup (@() warning (warnings));
    if (any (strcmp (available_graphics_toolkits (), 'gnuplot')))
      toolkit = graphics_toolkit ();
      graphics_toolkit ('gnuplot');
      restore_toolkit = onCleanup (@() graphics_toolkit (toolkit));
    end
  end
  h = 1 ./ levels(:);

  % Each curve is labelled at its finest mesh by its table (the legend of
  % the gnuplot toolkit cannot hold this many entries), nudged up or down
  % where two curves end close together (1a interpolant and 4 mixed nearly
  % coincide).
  curves = {err1(:,1), '1a interpolant', 1.3; err1(:,2), '1a L2 projection', 1; ...
            err1b, '1b corner', 0.7; err2(:,1), '2 phi_h', 1.5; err2(:,2), '2 Calderon', 1; ...
            err3(:,1), '3 Neumann', 1; err4(:,1), '4 mixed', 0.45; err5, '5 Poisson', 1};   % data, label, nudge
  markers = {'o-', 's-', 'd-', '^-', 'v-', 'x-', '+-', '*-'};
  f = figure ('visible', 'off');
  for i = 1:size (curves, 1)
    e = curves{i,1};
    loglog (h(1:numel (e)), e, markers{i}, 'linewidth', 1.5);
    hold on;
    text (h(numel (e)) / 1.15, e(end) * curves{i,3}, curves{i,2}, ...
          'horizontalalignment', 'right', 'fontsize', 7);
  end
  reference = {2, 0.005, 'h^2'; 8/3, 0.002, 'h^{8/3}'; 4/3, 0.3, 'h^{4/3}'};
  for i = 1:size (reference, 1)
    [p, c, label] = reference{i,:};
    loglog (h, c * h.^p, 'k--');
    text (h(1), c * h(1)^p, ['  ' label], 'fontsize', 7);
  end
  hold off;
  grid on;
  axis ([1e-3 1 1e-9 1]);
  set (gca, 'fontsize', 7);
  xlabel ('h (element length)');
  ylabel ('error (tables 1 to 5 of the demo)');
  title ('observed convergence on the L-shaped domain');
  save_png (f, fullfile (outdir, 'convergence.png'), 1000, 650);

  % Flux phi_h of the corner solution on the two edges at the re-entrant
  % corner, against the exact -(2/3) r^(-1/3): t = x on the edge y = 0,
  % t = y on the edge x = 0.
  m = mesh(min (4, numel (mesh)));
  A = m.c(m.e(:,1),:);
  B = m.c(m.e(:,2),:);
  on_x = A(:,2) == 0 & B(:,2) == 0 & A(:,1) >= 0 & B(:,1) >= 0;
  on_y = A(:,1) == 0 & B(:,1) == 0 & A(:,2) <= 0 & B(:,2) <= 0;
  ta = [A(on_y,2); A(on_x,1)];
  tb = [B(on_y,2); B(on_x,1)];
  v = [m.phi_corner(on_y); m.phi_corner(on_x)];
  t = linspace (-1, 1, 801)';
  t(t == 0) = [];
  x = [(t < 0) .* 0 + (t > 0) .* t, (t < 0) .* t];
  n = [(t < 0), -(t > 0)];
  f = figure ('visible', 'off');
  plot ([ta tb]', [v v]', 'b-', 'linewidth', 2, t, sum (corner_grad (x) .* n, 2), 'r-');
  grid on;
  axis ([-1 1 -3 0]);
  set (gca, 'fontsize', 7);
  xlabel ('t: point (0,t) for t < 0, (t,0) for t > 0 (re-entrant corner at t = 0)');
  ylabel ('du/dn');
  title (sprintf ('corner solution: phi_h (blue, %d elements), exact du/dn (red)', size (m.e, 1)));
  save_png (f, fullfile (outdir, 'corner_flux.png'), 900, 550);

  % The computed corner solution on a grid inside the domain, and its error.
  m = mesh(end);
  step = 1 / 40;
  g = -1 + step / 2 : step : 1 - step / 2;
  [X, Y] = meshgrid (g);
  inside = ~(X > 0 & Y < 0);
  x = [X(inside), Y(inside)];
  uh = slpfield (m.c, m.e, m.phi_corner, x) - dlpfield (m.c, m.e, corner_u (m.c), x);
  U = nan (size (X));
  E = nan (size (X));
  U(inside) = uh;
  E(inside) = log10 (abs (uh - corner_u (x)) + 1e-16);
  two_panels (g, U, sprintf ('u_h = V phi_h - K g_h, %d elements', size (m.e, 1)), ...
              E, 'log10 |u_h - u|', fullfile (outdir, 'corner_solution.png'));

  % The flux |grad u_h| of the same solution on the same grid, from
  % grad u_h = grad V phi_h - grad K g_h: tdlfield in the directions (1,0) and
  % (0,1) and dlpgradfield. It grows like (2/3) r^(-1/3) toward the re-entrant
  % corner.
  one = ones (size (x, 1), 1);
  grad_uh = [tdlfield(m.c, m.e, m.phi_corner, x, one * [1 0]), tdlfield(m.c, m.e, m.phi_corner, x, one * [0 1])] ...
            - dlpgradfield (m.c, m.e, corner_u (m.c), x);
  U(inside) = sqrt (sum (grad_uh.^2, 2));
  E(inside) = log10 (sqrt (sum ((grad_uh - corner_grad (x)).^2, 2)) + 1e-16);
  two_panels (g, U, sprintf ('|grad u_h|, %d elements', size (m.e, 1)), ...
              E, 'log10 |grad u_h - grad u|', fullfile (outdir, 'corner_gradient.png'));
end

function two_panels (g, left, left_title, right, right_title, file)
  % Images of left and right on the grid g x g of the L-shape, side by side,
  % written to file.
  f = figure ('visible', 'off');
  subplot (1, 2, 1);
  show_on_lshape (g, left);
  title (left_title);
  subplot (1, 2, 2);
  show_on_lshape (g, right);
  title (right_title);
  save_png (f, file, 1100, 450);
end

function show_on_lshape (g, Z)
  % Image of Z on the grid g x g; the square cut out of the domain (NaN in Z)
  % is covered in white.
  imagesc (g, g, Z);
  axis xy;
  axis equal;
  axis ([-1 1 -1 1]);
  set (colorbar (), 'fontsize', 7);
  set (gca, 'fontsize', 7);
  range = [min(Z(:)), max(Z(:))];             % min and max skip NaN
  patch ([0 1 1 0], [0 0 -1 -1], 'w', 'edgecolor', 'none');
  caxis (range);
end
