function demo_plots (outdir, levels, err1, err1b, err2, err3, err4, err5, mesh, corner_u, corner_grad)
  % DEMO_PLOTS  The PNG files of the demo, written into outdir:
  % convergence.png, corner_flux.png, corner_solution.png and
  % corner_gradient.png. Octave draws
  % them without a display through gnuplot when it is installed; the
  % toolkit and the warnings turned off here are restored on return.
  restore = offscreen_graphics ();  % until return
  h = 1 ./ levels(:);

  % Two panels, one per norm: the errors at interior points and nodes (max)
  % on the left, the boundary errors in L2 on the right; each curve named by
  % its table, with the reference slopes dashed.
  max_curves = {err1(:,1), '1a u_h, g_h interpolant'; err1(:,2), '1a u_h, g_h L2 projection'; ...
                err1b, '1b u_h, corner solution'; err2(:,1), '2 phi_h at middles'; ...
                err2(:,2), '2 du/dn by Calderon'; err4(:,1), '4 mixed, u_h'; ...
                err4(:,2), '4 mixed, grad u_h'; err5, '5 Poisson, u_h'};
  l2_curves = {err1(:,3), '1a phi_h'; err3(:,1), '3 Neumann, u_h'; err4(:,3), '4 mixed, phi_h on Gamma_D'; ...
               err4(:,4), '4 mixed, u_h on Gamma_N'};
  f = figure ('visible', 'off');
  subplot ('position', [0.08 0.12 0.40 0.78]);
  error_panel (h, max_curves, {2, 0.005, 'h^2'; 4/3, 0.3, 'h^{4/3}'}, ...
               'largest error at interior points or nodes');
  subplot ('position', [0.58 0.12 0.40 0.78]);
  error_panel (h, l2_curves, {1, 0.3, 'h'; 2, 0.005, 'h^2'}, 'L2 error on the boundary');
  save_png (f, fullfile (outdir, 'convergence.png'), 1400, 720);

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
  exact = plot (t, sum (corner_grad (x) .* n, 2), 'r-');
  hold on;
  pieces = plot ([ta tb]', [v v]', 'b-', 'linewidth', 2);
  hold off;
  grid on;
  axis ([-1 1 -3 0]);
  set (gca, 'fontsize', 8);
  xlabel ('t: point (0,t) for t < 0, (t,0) for t > 0 (re-entrant corner at t = 0)');
  ylabel ('du/dn');
  legend ([pieces(1), exact], {sprintf('phi_h, %d elements', size (m.e, 1)), 'exact du/dn'}, ...
          'location', 'southeast');
  title ('corner solution: the flux next to the re-entrant corner');
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
  two_panels (g, U, sprintf ('u_h = V phi_h - K g_h, %d elements', size (m.e, 1)), 'u_h', ...
              E, 'error of u_h', 'log10 |u_h - u|', fullfile (outdir, 'corner_solution.png'));

  % The flux |grad u_h| of the same solution on the same grid, from
  % grad u_h = grad V phi_h - grad K g_h: tdlfield in the directions (1,0) and
  % (0,1) and dlpgradfield. It grows like (2/3) r^(-1/3) toward the re-entrant
  % corner.
  one = ones (size (x, 1), 1);
  grad_uh = [tdlfield(m.c, m.e, m.phi_corner, x, one * [1 0]), tdlfield(m.c, m.e, m.phi_corner, x, one * [0 1])] ...
            - dlpgradfield (m.c, m.e, corner_u (m.c), x);
  % The singularity sets the scale of |grad u_h|: on a linear colour scale
  % all but the corner would be one colour, so both panels are logarithmic.
  U(inside) = log10 (sqrt (sum (grad_uh.^2, 2)));
  E(inside) = log10 (sqrt (sum ((grad_uh - corner_grad (x)).^2, 2)) + 1e-16);
  two_panels (g, U, sprintf ('|grad u_h|, %d elements', size (m.e, 1)), 'log10 |grad u_h|', ...
              E, 'error of grad u_h', 'log10 |grad u_h - grad u|', ...
              fullfile (outdir, 'corner_gradient.png'));
end

function error_panel (h, curves, slopes, panel_title)
  % Errors against h on log-log axes, one curve per row of curves (data,
  % name), each named at its finest mesh (the legend of the gnuplot toolkit
  % cannot hold this many entries): the names are moved apart vertically,
  % at least half a decade, so that none overlaps another, in the colour of
  % their curves. The rows
  % of slopes (power, constant, label) are dashed reference lines c h^p.
  markers = {'o-', 's-', 'd-', '^-', 'v-', 'x-', '+-', '*-'};
  ends = zeros (size (curves, 1), 2);
  colours = cell (size (curves, 1), 1);
  for i = 1:size (curves, 1)
    e = curves{i,1};
    line = loglog (h(1:numel (e)), e, markers{i}, 'linewidth', 1.5);
    colours{i} = get (line, 'color');
    hold on;
    ends(i,:) = [h(numel (e)), log10(e(end))];
  end
  [~, order] = sort (ends(:,2));
  for k = 2:numel (order)
    ends(order(k),2) = max (ends(order(k),2), ends(order(k-1),2) + 1/2);
  end
  for i = 1:size (curves, 1)
    text (ends(i,1) / 1.2, 10^ends(i,2), curves{i,2}, 'horizontalalignment', 'right', ...
          'fontsize', 6, 'color', colours{i});
  end
  for i = 1:size (slopes, 1)
    [p, c, label] = slopes{i,:};
    loglog (h, c * h.^p, 'k--');
    text (h(1), c * h(1)^p, ['  ' label], 'fontsize', 6);
  end
  hold off;
  grid on;
  axis ([1e-6 1 1e-9 10]);
  set (gca, 'fontsize', 6);
  xlabel ('h (element length)');
  ylabel ('error');
  title (panel_title);
end

function two_panels (g, left, left_title, left_label, right, right_title, right_label, file)
  % Images of left and right on the grid g x g of the L-shape, side by side,
  % each with its colour bar labelled, written to file.
  f = figure ('visible', 'off');
  % Placed by hand: the colour bar's label of the left panel needs the room
  % that subplot gives to the right panel's axis labels.
  subplot ('position', [0.09 0.11 0.29 0.815]);
  show_on_lshape (g, left, left_label);
  title (left_title);
  subplot ('position', [0.59 0.11 0.29 0.815]);
  show_on_lshape (g, right, right_label);
  title (right_title);
  save_png (f, file, 1200, 460);
end

function show_on_lshape (g, Z, label)
  % Image of Z on the grid g x g, with axis labels and a colour bar named
  % label; the square cut out of the domain (NaN in Z) is covered in white.
  imagesc (g, g, Z);
  axis xy;
  axis equal;
  axis ([-1 1 -1 1]);
  xlabel ('x');
  ylabel ('y');
  bar = colorbar ();
  set (bar, 'fontsize', 6);
  ylabel (bar, label, 'fontsize', 6);
  set (gca, 'fontsize', 6);
  range = [min(Z(:)), max(Z(:))];             % min and max skip NaN
  patch ([0 1 1 0], [0 0 -1 -1], 'w', 'edgecolor', 'none');
  caxis (range);
end
