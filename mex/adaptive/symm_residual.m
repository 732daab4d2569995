function eta2 = symm_residual (coordinates, elements, phi, data)
  % SYMM_RESIDUAL  Weighted residual error indicators of a piecewise-constant
  % Galerkin solution of Symm's equation (or of any equation V phi = f).
  %
  %   eta2 = symm_residual(coordinates, elements, phi, gh)
  %   eta2 = symm_residual(coordinates, elements, phi, df)
  %
  %   For the Dirichlet problem, V phi = (1/2 + K) g solved as
  %   V*phi = (M/2 + K)*gh with g_h the continuous piecewise-linear function of
  %   nodal values gh (closed boundary), the residual is
  %     r = (1/2 + K) g_h - V phi_h,
  %   and for V phi = f with f given (a screen, an open boundary, ...) it is
  %   r = f - V phi_h. The indicator of element i is
  %     eta2(i) = h_i * || dr/ds ||^2_{L2(E_i)},
  %   with h_i the length of E_i and s the arc length, and
  %   eta = sqrt(sum(eta2)) estimates || phi - phi_h ||_V, the energy norm.
  %   The derivative of the residual is evaluated with tdlfield:
  %     d/ds V phi_h = tdlfield along the tangent, plus, on the element itself,
  %                    phi_h(i) * log(|x - B| / |x - A|) / (2 pi) (x on [A B]),
  %     d/ds (1/2 + K) g_h = g_h'/2 - K'(g_h')  (g_h' the slope on each element:
  %                    the tangential derivative of the double layer is minus the
  %                    adjoint double layer of the derivative),
  %   at 12 points per element, on a rule graded toward the ends, where dr/ds
  %   has logarithmic singularities (see the note below).
  %
  %   What it assumes and guarantees: reliability, || phi - phi_h ||_V <= C eta,
  %   holds for the exact right-hand side on any mesh whose neighbouring
  %   elements differ in length by a bounded factor (C depends on that factor
  %   and on Gamma; see bisect's 'ratio'); efficiency, eta <= C' || phi - phi_h ||_V,
  %   holds for piecewise-smooth phi up to terms of higher order. With the
  %   interpolated data g_h in place of g, the data error adds
  %   || phi_g - phi_gh ||_V <= C || g - g_h ||_{H^{1/2}}, which
  %   dirichlet_oscillation bounds: mark by eta2 + osc2.
  %
  %   Arguments
  %     coordinates, elements  the mesh (1-based node numbers).
  %     phi   nE values, phi_h on each element.
  %     gh    nC nodal values of the Dirichlet data g_h, or
  %     df    a function handle df(x, t) that returns, for points x (m-by-2)
  %           and the unit tangents t (m-by-2) of their elements, the
  %           derivative of f along t (m-by-1): @(x, t) zeros(size(x, 1), 1)
  %           for a constant f.
  %   Result
  %     eta2  nE-by-1, the squared indicators (their sum is eta^2), for
  %           dorfler.
  %
  %   Note: the quadrature errs by a few per cent on the logarithmic terms of
  %   dr/ds at the ends of an element, a fixed factor of the estimate.
  %
  %   Errors: bem2d:symm_residual:argumentClass, :tooFewColumns,
  %   :vertexNumber, :tooFewEntries (phi or gh shorter than the mesh needs).
  %
  %   Example
  %     % The unit circle, scaled to radius 1/4, with u = x: phi_h from Symm's
  %     % equation and its residual indicators (small, O(h^2)).
  %     n = 32; t = 2*pi*(0:n-1)'/n; c = [cos(t) sin(t)]/4; e = [(1:n)' [2:n 1]'];
  %     gh = c(:,1);
  %     phi = slpmatrix(c, e) \ ((mass_matrix(c, e, 'constants-hats')/2 + dlpmatrix(c, e))*gh);
  %     eta = sqrt(sum(symm_residual(c, e, phi, gh)))
  %
  %   See also hyp_residual, symm_hh2, dirichlet_oscillation, dorfler, tdlfield.

  elements = mesh_arguments ('symm_residual', coordinates, elements);
  nE = size (elements, 1);
  if (numel (phi) < nE)
    error ('bem2d:symm_residual:tooFewEntries', ...
           'In symm_residual, phi must have at least %d entries (it has %d).', nE, numel (phi));
  end
  phi = double (phi(1:nE));
  phi = phi(:);
  h = element_lengths (coordinates, elements);
  [n, t] = element_normals (coordinates, elements);
  [x, w, el, s] = element_rule (coordinates, elements, [], true);
  dV = tdlfield (coordinates, elements, phi, x, t(el,:)) + phi(el) .* log ((1 - s) ./ s) / (2*pi);
  if (isa (data, 'function_handle'))
    df = data (x, t(el,:));
  else
    if (numel (data) < size (coordinates, 1))
      error ('bem2d:symm_residual:tooFewEntries', ...
             'In symm_residual, gh must have at least %d entries (it has %d).', ...
             size (coordinates, 1), numel (data));
    end
    gh = double (data(:));
    slope = (gh(elements(:,2)) - gh(elements(:,1))) ./ h;
    df = slope(el) / 2 - tdlfield (coordinates, elements, slope, x, n(el,:));
  end
  eta2 = h .* accumarray (el, w .* (df - dV).^2, [nE 1]);
end

%!test
%! % Constant data on a closed curve: phi_h = 0 is exact and so is every
%! % indicator; the residual of a wrong phi_h is not.
%! n = 16; t = 2*pi*(0:n-1)'/n; c = [cos(t) sin(t)]/4; e = [(1:n)' [2:n 1]'];
%! assert (symm_residual (c, e, zeros (n, 1), ones (n, 1)), zeros (n, 1), 1e-20);
%! assert (all (symm_residual (c, e, (1:n)', ones (n, 1)) > 0));
%!test
%! % V phi = f on a screen [-1,1]: the indicators of the uniform mesh decay
%! % like the energy error, h^(1/2) for phi ~ 1/sqrt(1 - x^2): the estimate
%! % drops by about sqrt(2) per refinement.
%! eta = zeros (1, 2);
%! for k = 1:2
%!   m = 32 * k; c = [linspace(-1, 1, m + 1)' zeros(m + 1, 1)]; e = [(1:m)' (2:m + 1)'];
%!   phi = slpmatrix (c, e) \ element_lengths (c, e);
%!   eta(k) = sqrt (sum (symm_residual (c, e, phi, @(x, t) zeros (size (x, 1), 1))));
%! end
%! assert (eta(1) / eta(2), sqrt (2), 0.1);
%!error <phi must have at least> symm_residual ([0 0; 1 0], [1 2], [], [0; 0])
