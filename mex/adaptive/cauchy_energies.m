function [energy_V, energy_W, pairing, double_layer] = cauchy_energies (vertices, g, phi)
  % CAUCHY_ENERGIES  Energies of the Cauchy data of a harmonic function on a
  % polygon, by quadrature: the reference values from which the exact
  % Galerkin errors of a known solution follow.
  %
  %   [energy_V, energy_W] = cauchy_energies(vertices, g, phi)
  %   [energy_V, energy_W, pairing, double_layer] = cauchy_energies(...)
  %
  %   For u harmonic inside the polygon with Dirichlet data g = u and
  %   Neumann data phi = du/dn (outward normal) on its boundary Gamma,
  %     pairing      = <phi, g> = int_Gamma phi g ds  (= int |grad u|^2 inside),
  %     double_layer = <phi, K g> = int_Gamma phi(x) int_Gamma dG/dn_y(x,y) g(y) ds_y ds_x,
  %     energy_V     = <V phi, phi> = <phi, (1/2 + K) g> = pairing/2 + double_layer,
  %     energy_W     = <W g, g> = <(1/2 - K') phi, g> = pairing/2 - double_layer,
  %   from Symm's equation V phi = (1/2 + K) g and the hypersingular equation
  %   W g = (1/2 - K') phi. With the Galerkin solution phi_h of the exact
  %   right-hand side, || phi - phi_h ||_V^2 = energy_V - <V phi_h, phi_h>
  %   (Galerkin orthogonality), likewise for W.
  %
  %   Arguments
  %     vertices  m-by-2, the corners of the polygon, counter-clockwise.
  %     g         function handle g(x): u at the points x (k-by-2), k-by-1.
  %     phi       function handle phi(x, n): du/dn at the points x with the
  %               unit outward normals n (k-by-2) of their sides, k-by-1.
  %
  %   How: on every side a composite 16-point Gauss-Legendre rule on pieces
  %   graded geometrically (ratio 1/4, 40 pieces) toward both corners, so
  %   that data behaving like r^a (a > -1, here down to r^(-1/3)) at a corner
  %   are integrated to rounding; the double layer side by side (it vanishes
  %   on a side against itself), the kernel of two sides that meet at a
  %   corner formed from the distances to that corner, so that points
  %   1e-24 apart near it are not lost to the rounding of their
  %   coordinates. The error is at the level of rounding (about 1e-15
  %   relative) for data smooth on each side up to r^a at the corners and
  %   for corners whose angle is not close to 0 or 2 pi (right angles and
  %   re-entrant right angles are the cases checked). It takes about a second
  %   per pair of sides on which phi and g do not vanish.
  %
  %   Errors: bem2d:cauchy_energies:vertices (not an m-by-2 real matrix,
  %   m >= 3), :handle (g or phi is not a function handle).
  %
  %   Example
  %     % u = x^2 - y^2 on the square (0,1/2)^2: the energies add up to
  %     % int |grad u|^2 = 4 int (x^2 + y^2) = 1/6.
  %     gradu = @(x) [2*x(:,1), -2*x(:,2)];
  %     [eV, eW] = cauchy_energies([0 0; 1 0; 1 1; 0 1]/2, @(x) x(:,1).^2 - x(:,2).^2, ...
  %                                @(x, n) sum(gradu(x) .* n, 2));
  %     eV + eW          % 1/6
  %
  %   See also bem2d_adaptive, slpmatrix, hypmatrix, dlpmatrix.

  if (~isnumeric (vertices) || ~isreal (vertices) || size (vertices, 2) ~= 2 ...
      || size (vertices, 1) < 3)
    error ('bem2d:cauchy_energies:vertices', ...
           'In cauchy_energies, vertices must be a real m-by-2 matrix with m >= 3.');
  end
  if (~isa (g, 'function_handle') || ~isa (phi, 'function_handle'))
    error ('bem2d:cauchy_energies:handle', ...
           'In cauchy_energies, g and phi must be function handles g(x) and phi(x, n).');
  end
  vertices = double (vertices);
  m = size (vertices, 1);

  % Distances from the nearer end of a side, as fractions of its length:
  % 16-point rules on [r^k, r^(k-1)]/2, k = 1 ... 40, and on [0, r^40]/2.
  ratio = 0.25;
  pieces = 40;
  [t, w] = gauss_rule (16);
  lo = [ratio.^(1:pieces), 0] / 2;
  hi = [ratio.^(0:pieces-1), ratio^pieces] / 2;
  frac = reshape ((t + 1) / 2 * (hi - lo) + ones (16, 1) * lo, [], 1);
  wfrac = reshape (w / 2 * (hi - lo), [], 1);

  side = struct ('x', {}, 'near', {}, 'atA', {}, 'len', {}, 'w', {}, 'n', {}, 'tau', {}, ...
                 'phi', {}, 'g', {});
  for k = 1:m
    A = vertices(k,:);
    B = vertices(mod (k, m) + 1,:);
    len = norm (B - A);
    tau = (B - A) / len;
    d = frac * len;                            % distance from the nearer end
    side(k).tau = tau;
    side(k).len = len;
    side(k).n = [tau(2), -tau(1)];
    side(k).x = [A + d * tau; B - d * tau];
    side(k).near = [d; d];                     % distance to that end
    side(k).w = [wfrac; wfrac] * len;
    side(k).atA = [true(size (d)); false(size (d))];
    side(k).phi = phi (side(k).x, ones (2 * numel (d), 1) * side(k).n);
    side(k).g = g (side(k).x);
  end

  pairing = 0;
  for k = 1:m
    pairing = pairing + sum (side(k).w .* side(k).phi .* side(k).g);
  end

  % <phi, K g>: kernel dG/dn_y(x,y) = ((x - y).n_y) / (2 pi |x - y|^2), zero
  % for x and y on one side. For sides i (x) and j (y) that meet at corner
  % c, x - y = a tau_a - b tau_b with a, b the distances from c along unit
  % directions tau_a, tau_b pointing away from c.
  double_layer = 0;
  for i = 1:m
    fx = side(i).w .* side(i).phi;
    if (~any (fx))
      continue;
    end
    for j = 1:m
      gy = side(j).w .* side(j).g;
      if (i == j || ~any (gy))
        continue;
      end
      if (j == mod (i, m) + 1 || i == mod (j, m) + 1)
        if (j == mod (i, m) + 1)               % c ends side i and starts side j
          a = distance_from (side(i), false);
          b = distance_from (side(j), true);
          ta = -side(i).tau;
          tb = side(j).tau;
        else                                   % c starts side i and ends side j
          a = distance_from (side(i), true);
          b = distance_from (side(j), false);
          ta = side(i).tau;
          tb = -side(j).tau;
        end
        dx = a * ta(1) - b' * tb(1);
        dy = a * ta(2) - b' * tb(2);
      else
        dx = side(i).x(:,1) - side(j).x(:,1)';
        dy = side(i).x(:,2) - side(j).x(:,2)';
      end
      kernel = (dx * side(j).n(1) + dy * side(j).n(2)) ./ (dx.^2 + dy.^2) / (2*pi);
      double_layer = double_layer + fx' * kernel * gy;
    end
  end
  energy_V = pairing / 2 + double_layer;
  energy_W = pairing / 2 - double_layer;
end

function d = distance_from (s, fromA)
  % Distance of every point of side s from its first end (fromA true) or
  % from its second: exact for the points near that end, where it matters.
  if (fromA)
    d = s.near;
    d(~s.atA) = s.len - s.near(~s.atA);
  else
    d = s.near;
    d(s.atA) = s.len - s.near(s.atA);
  end
end

%!test
%! % u = x^2 - y^2 and v = 2xy are harmonic conjugates: du/dn = dv/ds, and
%! % since W = -d/ds V d/ds, ||du/dn||_V^2 = |v|_W^2 and conversely. The two
%! % sides of each identity are different integrals; the Dirichlet energy
%! % int |grad u|^2 = 4 int (x^2 + y^2) = 1/6 on (0,1/2)^2 is that of both.
%! square = [0 0; 1 0; 1 1; 0 1] / 2;
%! [uV, uW, uP] = cauchy_energies (square, @(x) x(:,1).^2 - x(:,2).^2, ...
%!                                 @(x, n) 2 * sum ([x(:,1), -x(:,2)] .* n, 2));
%! [vV, vW, vP] = cauchy_energies (square, @(x) 2 * x(:,1) .* x(:,2), ...
%!                                 @(x, n) 2 * sum ([x(:,2), x(:,1)] .* n, 2));
%! assert ([uP, vP], [1 1] / 6, 1e-15);
%! assert ([uV, uW], [vW, vV], 1e-15);
%! assert (uV > 0 && uW > 0 && abs (uV - uW) > 0.01);
%!error <vertices must be> cauchy_energies ([0 0; 1 0], @(x) x, @(x, n) x)
