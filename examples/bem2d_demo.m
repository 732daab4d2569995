function bem2d_demo (outdir)
  % BEM2D_DEMO  Boundary element solutions of Laplace and Poisson problems on
  % the L-shaped domain Omega = (-1,1)^2 without [0,1]x[-1,0], with all nine
  % modules, on uniformly refined meshes (every element halved from one level
  % to the next).
  %
  %   bem2d_demo             writes its plots into the folder
  %                          bem2d_demo_output of the current folder
  %   bem2d_demo (outdir)    writes them into outdir
  %
  % Prints one convergence table per problem, a line per level as it goes,
  % and writes convergence.png, corner_flux.png, corner_solution.png and
  % corner_gradient.png into the output folder, which it creates if missing
  % (in Octave the plots are drawn by gnuplot when it is installed). The
  % session is left as it was found: the pager, the graphics toolkit and the
  % warnings it turns off are restored when the demo ends, also on an error.
  % The same file runs in MATLAB, where the plots are drawn by MATLAB's own
  % graphics.
  %
  % Conventions of the toolkit: G(x,y) = -(1/(2 pi)) log|x - y|, the boundary
  % runs counter-clockwise, so the element normal points out of Omega, and
  %   V phi(x) = int G phi ds_y                   (slpfield, slpmatrix)
  %   K g(x)   = int dG/dn_y g ds_y               (dlpfield, dlpmatrix; -1 inside for g = 1)
  %   K' phi(x) = int dG/dn_x phi ds_y            (tdlfield)
  %   W g(x)   = -d/dn_x int dG/dn_y g ds_y       (hypfield, hypmatrix)
  %   grad K g(x) off the boundary                (dlpgradfield)
  % For u harmonic in Omega with Cauchy data g = u, phi = du/dn on the boundary:
  %   u(x) = V phi(x) - K g(x) inside, and on the boundary (Calderon identities)
  %   V phi = (1/2 + K) g,   phi = (1/2 + K') phi + W g,   W g = (1/2 - K') phi.
  % In the Galerkin sense, with piecewise constants chi_i (one per element)
  % and hats psi_q (one per node): K(i,q) = <chi_i, K psi_q> (dlpmatrix), so
  % <psi_q, K' chi_i> = K(i,q) (the transpose of K is the matrix of K'), and
  % the mass matrix M(i,q) = <chi_i, psi_q> holds half of element i's length
  % at each of its two nodes.

  if (nargin < 1 || isempty (outdir))
    outdir = fullfile (pwd (), 'bem2d_demo_output');
  end
  if (is_octave ())
    % Each table line shows as soon as it is computed.
    pager = page_screen_output ();
    page_screen_output (false);
    restore_pager = onCleanup (@() page_screen_output (pager));
  end
  levels = 2 .^ (1:7);              % k: elements of length 1/k, 8k elements
  xin = [-0.5 0.5; 0.5 0.5; -0.5 -0.5; 0 0.5; -0.5 0];   % interior points

  % Exact solutions: a smooth one, and the corner singularity of Omega.
  smooth_u = @(x) exp (x(:,1)) .* sin (x(:,2));
  smooth_grad = @(x) [exp(x(:,1)) .* sin(x(:,2)), exp(x(:,1)) .* cos(x(:,2))];
  theta = @(x) mod (atan2 (x(:,2), x(:,1)), 2*pi);      % in [0, 3 pi/2] on Omega
  radius = @(x) sqrt (x(:,1).^2 + x(:,2).^2);
  corner_u = @(x) radius (x).^(2/3) .* sin (2/3 * theta (x));
  corner_grad = @(x) 2/3 * radius (x).^(-1/3) .* [-sin(theta (x) / 3), cos(theta (x) / 3)];

  % Meshes and their mass matrices; the Galerkin matrices are computed once
  % per level, where first needed.
  mesh = struct ('k', num2cell (levels));
  for i = 1:numel (levels)
    [mesh(i).c, mesh(i).e, mesh(i).corners] = lshape_boundary (levels(i));
    mesh(i).Q = boundary_quadrature (mesh(i).c, mesh(i).e, mesh(i).corners);
    A = mesh(i).c(mesh(i).e(:,1),:);
    B = mesh(i).c(mesh(i).e(:,2),:);
    mesh(i).L = sqrt (sum ((B - A).^2, 2));
    mesh(i).mid = (A + B) / 2;
    mesh(i).n = [B(:,2) - A(:,2), A(:,1) - B(:,1)] ./ mesh(i).L;
    nE = size (mesh(i).e, 1);
    mesh(i).M = sparse ([1:nE, 1:nE], [mesh(i).e(:,1); mesh(i).e(:,2)]', [mesh(i).L; mesh(i).L]' / 2, ...
                        nE, size (mesh(i).c, 1));
    mesh(i).V = [];
    mesh(i).K = [];
    mesh(i).W = [];
  end

  fprintf ('bem2d demo on the L-shaped domain (-1,1)^2 \\ [0,1]x[-1,0]: uniform meshes of 8k\n');
  fprintf ('elements of length h = 1/k, halved from level to level; rate = log2(error ratio).\n');
  % The dense solves (V \ b) run on the BLAS that the host links: Debian's
  % reference BLAS is an order of magnitude slower than OpenBLAS
  % (libopenblas0-pthread, which scripts/setup.sh installs).
  blas = version ('-blas');
  fprintf ('Dense solves run on: %s\n', blas);
  if (~isempty (strfind (lower (blas), 'reference')))
    fprintf ('(the reference BLAS: install OpenBLAS, libopenblas0-pthread, for fast solves)\n');
  end
  tstart = tic ();

  % ---------------------------------------------------------------------------
  % 1. Dirichlet problem, Symm's equation (slpmatrix, dlpmatrix, slpfield,
  %    dlpfield). Galerkin with piecewise constants: V phi_h = (M/2 + K) gh,
  %    that is b_j = int_{E_j} ((1/2) g_h + K g_h) ds with g_h continuous
  %    piecewise linear of nodal values gh; then u_h = V phi_h - K g_h at
  %    interior points.
  %    With g_h the nodal interpolant, u_h is the harmonic extension of g_h,
  %    whose error is O(h^2): the interpolation error has a non-zero mean on
  %    every element. With g_h the L2 projection of g that error is orthogonal
  %    to the hat functions, and the rate is that of the Galerkin method,
  %    h^3 on smooth boundaries and h^(2 + 2/3) here, limited by the r^(2/3)
  %    singularity of the dual problem at the re-entrant corner.
  % ---------------------------------------------------------------------------
  fprintf ('\n1. Dirichlet problem, Symm''s equation V phi = (1/2 + K) g, u = V phi - K g\n');
  fprintf ('   (slpmatrix, dlpmatrix with the mass matrix M: V phi = (M/2 + K) g; slpfield, dlpfield)\n');
  fprintf ('   a) u = exp(x) sin(y); max error of u_h at %d interior points, L2 error of phi_h\n', size (xin, 1));
  fprintf ('   u_h error with g_h the nodal interpolant (interpolant) or the L2 projection of g\n');
  table_row ('elements', 'h', {'interpolant', 'projection', 'phi L2'});
  err1 = nan (numel (levels), 3);
  for i = 1:numel (levels)
    m = mesh(i);
    if (isempty (m.V))
      mesh(i).V = slpmatrix (m.c, m.e);
      mesh(i).K = dlpmatrix (m.c, m.e);
      m = mesh(i);
    end
    Q = m.Q;
    nC = size (m.c, 1);
    for variant = 1:2
      if (variant == 1)
        gh = smooth_u (m.c);
      else
        gh = l2_projection (m, smooth_u (Q.x));
      end
      phi = symm_solve (m, gh);
      u = slpfield (m.c, m.e, phi, xin) - dlpfield (m.c, m.e, gh, xin);
      err1(i,variant) = max (abs (u - smooth_u (xin)));
      if (variant == 1)
        mesh(i).phi_smooth = phi;            % used again in part 2
        phi_exact = sum (smooth_grad (Q.x) .* Q.n, 2);
        err1(i,3) = sqrt (sum ((phi(Q.el) - phi_exact).^2 .* Q.ds));
      end
    end
    table_row (size (m.e, 1), sprintf ('1/%d', m.k), err1(i,:), previous_row (err1, i));
  end
  fprintf ('   (expected: 2 with the interpolant, whose error has a non-zero mean on every\n');
  fprintf ('   element; 3 with the projection on smooth boundaries, 2 + 2/3 here because of\n');
  fprintf ('   the re-entrant corner; 1 for phi_h in L2)\n');

  fprintf ('   b) u = r^(2/3) sin(2 theta/3), singular at the re-entrant corner (g_h interpolant)\n');
  table_row ('elements', 'h', {'u_h error'});
  err1b = nan (numel (levels), 1);
  for i = 1:numel (levels)
    m = mesh(i);
    gh = corner_u (m.c);
    phi = symm_solve (m, gh);
    mesh(i).phi_corner = phi;
    u = slpfield (m.c, m.e, phi, xin) - dlpfield (m.c, m.e, gh, xin);
    err1b(i) = max (abs (u - corner_u (xin)));
    table_row (size (m.e, 1), sprintf ('1/%d', m.k), err1b(i), previous_row (err1b, i));
  end
  fprintf ('   (phi ~ r^(-1/3) at the corner: the rate drops to about 4/3)\n');

  % ---------------------------------------------------------------------------
  % 2. Normal derivative on the boundary (tdlfield, hypfield), for the smooth
  %    solution of 1a: at the middle of every element at least 1/4 away from
  %    the corners, phi_h itself (piecewise constant, superconvergent at the
  %    middles: O(h^2)) against the second Calderon identity
  %    du/dn = (1/2 + K') phi_h + W g_h. W is of order one and g - g_h
  %    oscillates with amplitude h^2 on every element, so W g_h is only O(h).
  % ---------------------------------------------------------------------------
  fprintf ('\n2. Normal derivative at element middles away from the corners, u = exp(x) sin(y)\n');
  fprintf ('   (tdlfield, hypfield with the outward normals, data from 1a)\n');
  fprintf ('   max error of phi_h and of (1/2 + K'') phi_h + W g_h (Calderon)\n');
  table_row ('elements', 'h', {'phi_h', 'Calderon'});
  err2 = nan (numel (levels), 2);
  for i = 1:numel (levels)
    m = mesh(i);
    vertices6 = [0 0; 1 0; 1 1; -1 1; -1 -1; 0 -1];
    distance = min (sqrt ((m.mid(:,1) - vertices6(:,1)').^2 + (m.mid(:,2) - vertices6(:,2)').^2), [], 2);
    sel = find (distance >= 0.25);
    x = m.mid(sel,:);
    nx = m.n(sel,:);
    exact = sum (smooth_grad (x) .* nx, 2);
    phi = m.phi_smooth;
    calderon = 0.5 * phi(sel) + tdlfield (m.c, m.e, phi, x, nx) + hypfield (m.c, m.e, smooth_u (m.c), x, nx);
    err2(i,:) = [max(abs (phi(sel) - exact)), max(abs (calderon - exact))];
    table_row (size (m.e, 1), sprintf ('1/%d', m.k), err2(i,:), previous_row (err2, i));
  end
  fprintf ('   (expected: 2 for phi_h, superconvergent at the middles; 1 for the Calderon\n');
  fprintf ('   value, since W, of order one, sees the O(h^2) wiggles of g - g_h)\n');

  % ---------------------------------------------------------------------------
  % 3. Neumann problem, hypersingular equation (hypmatrix, tdlfield).
  %    Given phi = du/dn (phi_h: its mean on every element), find the
  %    continuous piecewise-linear u_h with (W + c c') u_h = b,
  %    b_p = int psi_p ((1/2) phi_h - K' phi_h) ds, c_p = int psi_p ds.
  %    The rank-one term fixes the constant that W does not see: since
  %    int phi = 0, u_h has mean zero, so it is compared with g - mean(g).
  %    Expected: L2 error O(h^2).
  % ---------------------------------------------------------------------------
  fprintf ('\n3. Neumann problem (W + c c'') u = (1/2 - K'') phi, u = exp(x) sin(y)\n');
  fprintf ('   (hypmatrix, tdlfield at the boundary quadrature points)\n');
  fprintf ('   L2 error of u_h against g - mean(g), and its largest error at the nodes\n');
  table_row ('elements', 'h', {'L2', 'nodes'});
  err3 = nan (numel (levels), 2);
  for i = 1:numel (levels)
    m = mesh(i);
    Q = m.Q;
    nC = size (m.c, 1);
    nE = size (m.e, 1);
    phi_exact = sum (smooth_grad (Q.x) .* Q.n, 2);
    phih = accumarray (Q.el, phi_exact .* Q.ds, [nE 1]) ./ m.L;
    mesh(i).W = hypmatrix (m.c, m.e);
    W = mesh(i).W;
    c = accumarray (m.e(:), [m.L; m.L] / 2, [nC 1]);
    f = 0.5 * phih(Q.el) - tdlfield (m.c, m.e, phih, Q.x, Q.n);
    b = accumarray (m.e(Q.el,1), f .* (1 - Q.s) .* Q.ds, [nC 1]) ...
        + accumarray (m.e(Q.el,2), f .* Q.s .* Q.ds, [nC 1]);
    uh = (W + c * c') \ b;
    g = smooth_u (Q.x);
    mean_g = sum (g .* Q.ds) / sum (m.L);
    uhx = uh(m.e(Q.el,1)) .* (1 - Q.s) + uh(m.e(Q.el,2)) .* Q.s;
    err3(i,:) = [sqrt(sum ((uhx - (g - mean_g)).^2 .* Q.ds)), max(abs (uh - (smooth_u (m.c) - mean_g)))];
    table_row (size (m.e, 1), sprintf ('1/%d', m.k), err3(i,:), previous_row (err3, i));
  end
  fprintf ('   (expected: 2 in L2 for continuous piecewise-linear u_h)\n');

  % ---------------------------------------------------------------------------
  % 4. Mixed problem: u = g on Gamma_D, du/dn = phi on Gamma_N, with Gamma_N
  %    the two edges at the re-entrant corner and Gamma_D the other four
  %    (slpmatrix, dlpmatrix, hypmatrix; slpfield, dlpfield, tdlfield and
  %    dlpgradfield for u and grad u inside). Unknown: phi_h on the Dirichlet
  %    elements D and u_h at the nodes F off Gamma_D; given: g_h at the nodes
  %    of Gamma_D (the nodal interpolant; gD below is g_h there and 0 at F)
  %    and phi_h on the Neumann elements N (the mean of du/dn on each).
  %    Symm's equation tested on D and the hypersingular equation tested
  %    with the hats of F, where the matrix of K' is the transpose of K
  %    (M(D,F) = 0: no node of F ends a Dirichlet element):
  %      [ V(D,D)   -K(D,F) ] [phi_D]   [ (M/2 + K)(D,:) gD - V(D,N) phi_N ]
  %      [ K(D,F)'   W(F,F) ] [u_F  ] = [ (M/2 - K)(N,F)' phi_N - W(F,:) gD ]
  %    Expected: O(h^2) for u_h and grad u_h inside (the interpolation error
  %    of g_h, as in 1a) and for u_h on Gamma_N in L2, O(h) for phi_h in L2.
  % ---------------------------------------------------------------------------
  fprintf ('\n4. Mixed problem, u = exp(x) sin(y) given on four edges, du/dn on the two at the\n');
  fprintf ('   re-entrant corner (slpmatrix, dlpmatrix, hypmatrix; u inside by slpfield and\n');
  fprintf ('   dlpfield, grad u by tdlfield and dlpgradfield)\n');
  fprintf ('   max errors of u_h and |grad u_h| at the interior points, L2 errors of phi_h on\n');
  fprintf ('   Gamma_D and of u_h on Gamma_N\n');
  table_row ('elements', 'h', {'u_h', 'grad u_h', 'phi_h D', 'u_h N'});
  err4 = nan (numel (levels), 4);
  for i = 1:numel (levels)
    m = mesh(i);
    Q = m.Q;
    nE = size (m.e, 1);
    neumann = (m.mid(:,2) == 0 & m.mid(:,1) > 0) | (m.mid(:,1) == 0 & m.mid(:,2) < 0);
    D = find (~neumann);
    N = find (neumann);
    dirichlet_node = false (size (m.c, 1), 1);
    dirichlet_node(m.e(D,:)) = true;
    F = find (~dirichlet_node);
    gD = smooth_u (m.c) .* dirichlet_node;
    phi_exact = sum (smooth_grad (Q.x) .* Q.n, 2);
    phih = accumarray (Q.el, phi_exact .* Q.ds, [nE 1]) ./ m.L;
    A = [m.V(D,D), -m.K(D,F); m.K(D,F)', m.W(F,F)];
    b = [(m.M(D,:) / 2 + m.K(D,:)) * gD - m.V(D,N) * phih(N);
         (m.M(N,F) / 2 - m.K(N,F))' * phih(N) - m.W(F,:) * gD];
    x = A \ b;
    phi = phih;
    phi(D) = x(1:numel (D));
    g = gD;
    g(F) = x(numel (D) + 1:end);
    u = slpfield (m.c, m.e, phi, xin) - dlpfield (m.c, m.e, g, xin);
    one = ones (size (xin, 1), 1);
    grad_u = [tdlfield(m.c, m.e, phi, xin, one * [1 0]), tdlfield(m.c, m.e, phi, xin, one * [0 1])] ...
             - dlpgradfield (m.c, m.e, g, xin);
    onD = ~neumann(Q.el);
    gx = g(m.e(Q.el,1)) .* (1 - Q.s) + g(m.e(Q.el,2)) .* Q.s;
    err4(i,:) = [max(abs (u - smooth_u (xin))), max(sqrt (sum ((grad_u - smooth_grad (xin)).^2, 2))), ...
                 sqrt(sum ((phi(Q.el(onD)) - phi_exact(onD)).^2 .* Q.ds(onD))), ...
                 sqrt(sum ((gx(~onD) - smooth_u (Q.x(~onD,:))).^2 .* Q.ds(~onD)))];
    table_row (size (m.e, 1), sprintf ('1/%d', m.k), err4(i,:), previous_row (err4, i));
  end
  fprintf ('   (expected: 2 for u_h and grad u_h inside, where the interpolation error of\n');
  fprintf ('   g_h on Gamma_D dominates as in 1a, and for the continuous piecewise-linear u_h\n');
  fprintf ('   on Gamma_N in L2; 1 for phi_h in L2)\n');

  % ---------------------------------------------------------------------------
  % 5. Poisson problem -Laplace u = 1 with u = -(x^2 + y^2)/4 on the boundary
  %    (domfield, then 1's Symm solver). u = N f + w with the Newton potential
  %    N f (domfield on the triangulation of Omega; f = 1 is exact there) and
  %    w harmonic with w = g - N f on the boundary. The nodes of the boundary
  %    mesh and the interior points are vertices of the triangulation, where
  %    domfield is exact to rounding; g_h - (N f)_h is the nodal interpolant,
  %    so the error is O(h^2) as in 1a.
  % ---------------------------------------------------------------------------
  fprintf ('\n5. Poisson problem -Laplace u = 1, u = -(x^2 + y^2)/4: u = N 1 + w, w by Symm''s equation\n');
  fprintf ('   (domfield on 6k^2 triangles, slpmatrix, dlpmatrix, slpfield, dlpfield)\n');
  table_row ('elements', 'triangles', {'u_h error'});
  poisson_u = @(x) -(x(:,1).^2 + x(:,2).^2) / 4;
  poisson_levels = 1:numel (levels) - 1;
  err5 = nan (numel (poisson_levels), 1);
  for i = poisson_levels
    m = mesh(i);
    nC = size (m.c, 1);
    [vertices, volumes] = lshape_triangulation (m.k);
    Nf = domfield (vertices, volumes, ones (size (volumes, 1), 1), [m.c; xin]);
    wh = poisson_u (m.c) - Nf(1:nC);
    phi = symm_solve (m, wh);
    u = Nf(nC+1:end) + slpfield (m.c, m.e, phi, xin) - dlpfield (m.c, m.e, wh, xin);
    err5(i) = max (abs (u - poisson_u (xin)));
    table_row (size (m.e, 1), sprintf ('%d', size (volumes, 1)), err5(i), previous_row (err5, i));
  end
  fprintf ('   (expected: 2, as in 1a with the interpolant; domfield is exact to rounding at\n');
  fprintf ('   triangle vertices, so the whole error is that of the boundary elements)\n');

  % ---------------------------------------------------------------------------
  % 6. Symm's equation for the singular solution of 1b on meshes graded
  %    toward the re-entrant corner (nodes at (i/k)^3 from it on its two
  %    edges), which recovers the rate 2 of the interpolant that uniform
  %    meshes lose to phi ~ r^(-1/3) (1b). Up to 4096 elements with the dense
  %    slpmatrix and dlpmatrix; beyond, where the dense V would need 8 GB
  %    and more, with the compressed hmatrix('slp') and hmatrix('dlp')
  %    (tol 1e-10; V \ b factorises it once), up to 131,072 elements.
  % ---------------------------------------------------------------------------
  fprintf ('\n6. Symm''s equation for u = r^(2/3) sin(2 theta/3) on meshes graded toward the\n');
  fprintf ('   re-entrant corner (g_h interpolant as in 1b): dense slpmatrix and dlpmatrix to\n');
  fprintf ('   4096 elements, then hmatrix(''slp'') and hmatrix(''dlp''), tol 1e-10\n');
  fprintf ('   %8s %9s | %11s  rate | %-7s %8s %9s\n', 'elements', 'h min', 'u_h error', ...
           'matrix', 'seconds', 'MB');
  graded_levels = 2 .^ (4:14);
  err6 = nan (numel (graded_levels), 1);
  have_hmatrix = true;
  for i = 1:numel (graded_levels)
    [c, e] = lshape_boundary (graded_levels(i), 3);
    nE = size (e, 1);
    nC = size (c, 1);
    L = sqrt (sum ((c(e(:,2),:) - c(e(:,1),:)).^2, 2));
    M = sparse ([1:nE, 1:nE], [e(:,1); e(:,2)]', [L; L]' / 2, nE, nC);
    gh = corner_u (c);
    t6 = tic ();
    if (nE <= 4096)
      kind = 'dense';
      V = slpmatrix (c, e);
      phi = V \ ((M / 2 + dlpmatrix (c, e)) * gh);
      megabytes = 8 * (nE^2 + nE * nC) / 1e6;
    elseif (have_hmatrix)
      kind = 'hmatrix';
      try
        V = hmatrix ('slp', c, e);
        K = hmatrix ('dlp', c, e);
      catch err
        fprintf ('   (no larger meshes: %s)\n', err.message);
        have_hmatrix = false;
        continue;
      end
      phi = V \ (M / 2 * gh + K * gh);
      megabytes = (V.bytes + K.bytes) / 1e6;
      clear K
    else
      continue;
    end
    seconds = toc (t6);
    clear V
    u = slpfield (c, e, phi, xin) - dlpfield (c, e, gh, xin);
    err6(i) = max (abs (u - corner_u (xin)));
    previous = previous_row (err6, i);
    fprintf ('   %8d %9.1e | %11.3e %5s | %-7s %8.2f %9.1f\n', nE, min (L), err6(i), ...
             rate_text (log2 (previous / err6(i))), kind, seconds, megabytes);
  end
  fprintf ('   (expected: 2 on the graded meshes, against 4/3 on the uniform ones of 1b; the\n');
  fprintf ('   compressed matrices hold a few per cent of the dense ones at 10^4 elements and\n');
  fprintf ('   fall below one per cent beyond)\n');

  fprintf ('\nAll tables computed in %.1f s.\n', toc (tstart));

  % ---------------------------------------------------------------------------
  % Plots: convergence, the flux at the re-entrant corner, and the singular
  % solution with its error on a grid.
  % ---------------------------------------------------------------------------
  try
    if (~exist (outdir, 'dir'))
      mkdir (outdir);
    end
    demo_plots (outdir, levels, err1, err1b, err2, err3, err4, err5, mesh, corner_u, corner_grad);
  catch err
    fprintf ('No plots written (%s).\n', err.message);
  end
end

%!demo
%! % Convergence tables on the L-shaped domain (a minute or two); the plots go to
%! % the folder bem2d_demo_output of the current folder.
%! bem2d_demo ()
