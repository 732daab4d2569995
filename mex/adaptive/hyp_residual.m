function eta2 = hyp_residual (coordinates, elements, gh, data)
  % HYP_RESIDUAL  Weighted residual error indicators of a continuous
  % piecewise-linear Galerkin solution of the hypersingular equation (or of
  % any equation W g = f).
  %
  %   eta2 = hyp_residual(coordinates, elements, gh, phi)
  %   eta2 = hyp_residual(coordinates, elements, gh, f)
  %
  %   For the Neumann problem, W g = (1/2 - K') phi solved as
  %   W*gh = (M/2 - K)'*phi with phi piecewise constant (one value per
  %   element; neumann_oscillation gives the element means of given data),
  %   the residual is
  %     r = (1/2 - K') phi - W g_h,
  %   and for W g = f with f given (a screen with g = 0 at its ends, ...) it is
  %   r = f - W g_h. The indicator of element i is
  %     eta2(i) = h_i * || r ||^2_{L2(E_i)},
  %   h_i the length of E_i, and eta = sqrt(sum(eta2)) estimates the energy
  %   error | g - g_h |_W. W g_h and K' phi come from hypfield and tdlfield at
  %   12 points per element, on a rule graded toward the ends, where W g_h has
  %   logarithmic singularities.
  %
  %   What it assumes and guarantees: reliability, | g - g_h |_W <= C eta,
  %   for the exact right-hand side on meshes whose neighbouring elements
  %   differ in length by a bounded factor (C depends on it; see bisect's
  %   'ratio'); efficiency up to terms of higher order for piecewise-smooth
  %   g. Where phi is the element mean of smooth data, the data error adds
  %   a term that neumann_oscillation bounds: mark by eta2 + osc2.
  %
  %   Arguments
  %     coordinates, elements  the mesh (1-based node numbers).
  %     gh    nC nodal values of g_h (on an open boundary, 0 at its ends).
  %     phi   nE values of the Neumann data, one per element, or
  %     f     a function handle f(x, n) that returns f (m-by-1) at points x
  %           (m-by-2) with the unit normals n (m-by-2) of their elements.
  %   Result
  %     eta2  nE-by-1, the squared indicators (their sum is eta^2), for
  %           dorfler.
  %
  %   Errors: bem2d:hyp_residual:argumentClass, :tooFewColumns,
  %   :vertexNumber, :tooFewEntries.
  %
  %   Example
  %     % W g = 1/2 on the screen [-1,1] (g = sqrt(1 - x^2)), uniform mesh.
  %     m = 32; c = [linspace(-1, 1, m + 1)' zeros(m + 1, 1)]; e = [(1:m)' (2:m + 1)'];
  %     W = hypmatrix(c, e); f = mass_matrix(c, e, 'constants-hats')' * ones(m, 1) / 2;
  %     gh = zeros(m + 1, 1); gh(2:m) = W(2:m,2:m) \ f(2:m);
  %     eta = sqrt(sum(hyp_residual(c, e, gh, @(x, n) 0.5 + 0*x(:,1))))
  %
  %   See also symm_residual, hyp_hh2, neumann_oscillation, dorfler, hypfield.

  elements = mesh_arguments ('hyp_residual', coordinates, elements);
  nE = size (elements, 1);
  nC = size (coordinates, 1);
  if (numel (gh) < nC)
    error ('bem2d:hyp_residual:tooFewEntries', ...
           'In hyp_residual, gh must have at least %d entries (it has %d).', nC, numel (gh));
  end
  gh = double (gh(1:nC));
  h = element_lengths (coordinates, elements);
  n = element_normals (coordinates, elements);
  [x, w, el] = element_rule (coordinates, elements, [], true);
  if (isa (data, 'function_handle'))
    f = data (x, n(el,:));
  else
    if (numel (data) < nE)
      error ('bem2d:hyp_residual:tooFewEntries', ...
             'In hyp_residual, phi must have at least %d entries (it has %d).', nE, numel (data));
    end
    phi = double (data(1:nE));
    phi = phi(:);
    f = phi(el) / 2 - tdlfield (coordinates, elements, phi, x, n(el,:));
  end
  r = f - hypfield (coordinates, elements, gh(:), x, n(el,:));
  eta2 = h .* accumarray (el, w .* r.^2, [nE 1]);
end

%!test
%! % A linear g on a closed curve: (1/2 - K') phi = W g for its exact flux, so
%! % with the flux per element the residual is only the data error, which
%! % vanishes where the flux is exact (the straight sides of a square).
%! c = [0 0; 1 0; 1 1; 0 1] / 2; e = [1 2; 2 3; 3 4; 4 1];
%! [c, e] = bisect (c, e, true (4, 1));
%! n = element_normals (c, e);
%! eta2 = hyp_residual (c, e, c(:,1), n(:,1));
%! assert (sum (eta2), 0, 1e-20);
%!error <gh must have at least> hyp_residual ([0 0; 1 0], [1 2], 1, 1)
