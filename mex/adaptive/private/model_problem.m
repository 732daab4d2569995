function P = model_problem (problem, geometry, solution)
  % MODEL_PROBLEM  The known solutions of bem2d_adaptive: the initial mesh
  % (8 elements of equal length), the data and the exact energy.
  %
  % 'lshape': the L-shaped domain (-1/4,1/4)^2 without [0,1/4]x[-1/4,0]
  % (diameter 0.71 < 1, so V is positive definite), closed boundary, and
  % for the solution 'corner' u = r^(2/3) sin(2 theta/3) ('symm': g = u
  % vanishes on the two sides at the re-entrant corner, phi = du/dn ~ r^(-1/3)
  % there) or u = r^(2/3) cos(2 theta/3) ('hyp': phi vanishes on those
  % sides, g ~ r^(2/3) there), theta in [0, 3 pi/2] inside; the two are
  % harmonic conjugates. For the solution 'smooth', u = 16 x y ('symm': g
  % is linear on every side, so its interpolant is exact) or
  % u = 8 (x^2 - y^2) ('hyp': phi is constant on every side, so its element
  % means are exact): smooth solutions without data error. The energies
  % come from cauchy_energies.
  % 'slit': the screen [-1,1] x {0} (logarithmic capacity 1/2), open
  % boundary, with closed forms from int_{-1}^{1} log|x - y| T_n(y) / sqrt(1 - y^2) dy
  % = -pi log 2 (n = 0), -(pi/n) T_n(x) (n >= 1):
  %   'symm': V phi = 1,   phi = (2/log 2) / sqrt(1 - x^2), ||phi||_V^2 = 2 pi / log 2;
  %   'hyp':  W g = 1/2,  g = sqrt(1 - x^2),              |g|_W^2 = pi/4.
  %
  % Fields: coordinates, elements, closed, corners (node numbers of the
  % corners of the polygon, which bisect keeps), g, dg, phi (handles of the
  % data as the estimators take them), energy, rate_adaptive, rate_uniform
  % (expected rates of the energy error in the number of elements N).
  persistent energies
  if (isempty (energies))
    energies = struct ('corner', [], 'smooth_symm', [], 'smooth_hyp', []);
  end
  P.problem = problem;
  P.geometry = geometry;
  switch (geometry)
    case 'lshape'
      v = [0 0; 1 0; 1 1; -1 1; -1 -1; 0 -1] / 4;
      P.coordinates = [v(1:3,:); (v(3,:) + v(4,:)) / 2; v(4,:); (v(4,:) + v(5,:)) / 2; v(5:6,:)];
      P.elements = [(1:8)', [2:8, 1]'];
      P.closed = true;
      P.corners = [1 2 3 5 7 8];
      theta = @(x) mod (atan2 (x(:,2), x(:,1)), 2*pi);
      r = @(x) sqrt (x(:,1).^2 + x(:,2).^2);
      % The corner solution r^(2/3) sin(2 theta/3) and its gradient.
      gsin = @(x) r (x).^(2/3) .* sin (2/3 * theta (x));
      gradsin = @(x) 2/3 * r (x).^(-1/3) .* [-sin(theta (x) / 3), cos(theta (x) / 3)];
      if (strcmp (solution, 'smooth') && strcmp (problem, 'symm'))
        P.g = @(x) 16 * x(:,1) .* x(:,2);
        gradu = @(x) 16 * [x(:,2), x(:,1)];
        key = 'smooth_symm';
      elseif (strcmp (solution, 'smooth'))
        P.g = @(x) 8 * (x(:,1).^2 - x(:,2).^2);
        gradu = @(x) 16 * [x(:,1), -x(:,2)];
        key = 'smooth_hyp';
      elseif (strcmp (problem, 'symm'))
        P.g = gsin;
        gradu = gradsin;
        key = 'corner';
      else
        P.g = @(x) r (x).^(2/3) .* cos (2/3 * theta (x));
        gradu = @(x) 2/3 * r (x).^(-1/3) .* [cos(theta (x) / 3), sin(theta (x) / 3)];
        key = 'corner';
      end
      P.dg = @(x, t) sum (gradu (x) .* t, 2);
      P.phi = @(x, n) sum (gradu (x) .* n, 2);
      % The energy of the conjugate r^(2/3) cos(2 theta/3) in W is that of
      % r^(2/3) sin(2 theta/3) in V (W = -d/ds V d/ds, and the tangential
      % derivative of one is the normal derivative of the other), and
      % conversely: one quadrature serves both corner problems.
      if (isempty (energies.(key)))
        if (strcmp (key, 'corner'))
          [eV, eW] = cauchy_energies (v, gsin, @(x, n) sum (gradsin (x) .* n, 2));
          eW = eV;
        else
          [eV, eW] = cauchy_energies (v, P.g, P.phi);
        end
        energies.(key) = [eV, eW];
      end
      P.energy = energies.(key)(1 + strcmp (problem, 'hyp'));
      % phi ~ r^(-1/3), g ~ r^(2/3): both lie in the energy space with
      % 2/3 - epsilon to spare beyond H^(-1/2) (resp. H^(1/2)), the rate of
      % uniform meshes in h = 1/N; graded meshes recover the rate of smooth
      % solutions, h^(3/2) (piecewise constants in H^(-1/2), hats in H^(1/2)).
      P.rate_adaptive = 3/2;
      P.rate_uniform = 2/3;
      if (strcmp (solution, 'smooth'))
        P.rate_uniform = 3/2;
      end
    case 'slit'
      P.coordinates = [linspace(-1, 1, 9)', zeros(9, 1)];
      P.elements = [(1:8)', (2:9)'];
      P.closed = false;
      P.corners = [1 9];
      if (strcmp (problem, 'symm'))
        P.f = 1;
        P.energy = 2 * pi / log (2);
      else
        P.f = 1/2;
        P.energy = pi / 4;
      end
      % phi ~ d^(-1/2), g ~ d^(1/2) at the tips (d the distance): uniform
      % meshes reach h^(1/2) only.
      P.rate_adaptive = 3/2;
      P.rate_uniform = 1/2;
  end
end
