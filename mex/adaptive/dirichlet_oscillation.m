function osc2 = dirichlet_oscillation (coordinates, elements, dg)
  % DIRICHLET_OSCILLATION  Oscillation of Dirichlet data on every element:
  % the part of g that its nodal interpolant g_h does not resolve.
  %
  %   osc2 = dirichlet_oscillation(coordinates, elements, dg)
  %
  %   dg    a function handle dg(x, t): for points x (m-by-2) and the unit
  %         tangents t (m-by-2) of their elements, the derivative of g along
  %         t (m-by-1), e.g. @(x, t) sum(gradu(x) .* t, 2).
  %   osc2  nE-by-1, osc2(i) = h_i * || (g - g_h)' ||^2_{L2(E_i)}
  %         = h_i * || g' - mean_i(g') ||^2_{L2(E_i)}, since g_h' is the mean
  %         of g' on every element (8-point Gauss-Legendre rule: g is assumed
  %         smooth inside each element; kinks at nodes are fine).
  %
  %   sqrt(sum(osc2)) bounds || g - g_h ||_{H^{1/2}} up to a constant that
  %   depends on the ratio of neighbouring element lengths, hence the error
  %   in phi that the interpolated data cause; it is of higher order than
  %   the Galerkin error for data with a square-integrable second derivative
  %   on every element. Add it to the indicators of symm_residual or
  %   symm_hh2 before marking.
  %
  %   Errors: bem2d:dirichlet_oscillation:argumentClass, :tooFewColumns,
  %   :vertexNumber, :handle (dg is not a function handle).
  %
  %   Example
  %     % g = x^2 on the unit square: g'' = 2 on two sides, so there
  %     % osc2 = h * int (2 (s - h/2))^2 ds = h^4/3 per element; 0 elsewhere.
  %     c = [0 0; 1 0; 1 1; 0 1]; e = [1 2; 2 3; 3 4; 4 1];
  %     osc2 = dirichlet_oscillation(c, e, @(x, t) 2 * x(:,1) .* t(:,1))   % [1/3 0 1/3 0]'
  %
  %   See also neumann_oscillation, symm_residual, dorfler.

  elements = mesh_arguments ('dirichlet_oscillation', coordinates, elements);
  if (~isa (dg, 'function_handle'))
    error ('bem2d:dirichlet_oscillation:handle', ...
           'In dirichlet_oscillation, dg must be a function handle dg(x, t).');
  end
  nE = size (elements, 1);
  h = element_lengths (coordinates, elements);
  [~, t] = element_normals (coordinates, elements);
  [x, w, el] = element_rule (coordinates, elements, [], false);
  d = dg (x, t(el,:));
  mean_d = accumarray (el, w .* d, [nE 1]) ./ h;
  osc2 = h .* accumarray (el, w .* (d - mean_d(el)).^2, [nE 1]);
end

%!test
%! c = [0 0; 1 0; 1 1; 0 1]; e = [1 2; 2 3; 3 4; 4 1];
%! assert (dirichlet_oscillation (c, e, @(x, t) 2 * x(:,1) .* t(:,1)), [1; 0; 1; 0] / 3, 1e-15);
%! [c, e] = bisect (c, e, true (4, 1));          % h^4: 16 times smaller
%! assert (sum (dirichlet_oscillation (c, e, @(x, t) 2 * x(:,1) .* t(:,1))), 4 / 3 / 16, 1e-15);
%!error <dg must be a function handle> dirichlet_oscillation ([0 0; 1 0], [1 2], 1)
