function eta2 = hyp_hh2 (coordinates, elements, g_fine)
  % HYP_HH2  h - h/2 error indicators of a continuous piecewise-linear
  % solution of the hypersingular equation (or of any equation W g = f),
  % from the solution on the uniformly refined mesh.
  %
  %   eta2 = hyp_hh2(coordinates, elements, g_fine)
  %
  %   g_fine  nC + nE nodal values: the Galerkin solution on the mesh that
  %           bisect(coordinates, elements, true(nE,1)) returns, whose node
  %           nC + i is the midpoint of element i.
  %   eta2    nE-by-1, eta2(i) = h_i * || (g_fine - I g_fine)' ||^2_{L2(E_i)}
  %           = 4 (g_fine(nC + i) - (g_fine(A) + g_fine(B))/2)^2, with I the
  %           nodal interpolation on the coarse mesh, ' the derivative along
  %           the boundary and A, B the ends of element i.
  %
  %   eta = sqrt(sum(eta2)) is equivalent to | g_fine - g_h |_W (constants
  %   depending on the ratio of neighbouring element lengths): efficient
  %   always and reliable under the saturation assumption, as for symm_hh2.
  %   A constant added to g_fine changes nothing.
  %
  %   Errors: bem2d:hyp_hh2:argumentClass, :tooFewColumns, :vertexNumber,
  %   :tooFewEntries (g_fine has fewer than nC + nE values).
  %
  %   Example
  %     % W g = 1/2 on the screen [-1,1], g = 0 at its ends.
  %     m = 16; c = [linspace(-1, 1, m + 1)' zeros(m + 1, 1)]; e = [(1:m)' (2:m + 1)'];
  %     [c2, e2] = bisect(c, e, true(m, 1));
  %     W = hypmatrix(c2, e2); f = mass_matrix(c2, e2, 'constants-hats')' * ones(2*m, 1) / 2;
  %     inner = [2:m, m + 2:2*m + 1];          % every node but the ends 1 and m + 1
  %     g = zeros(2*m + 1, 1); g(inner) = W(inner,inner) \ f(inner);
  %     eta2 = hyp_hh2(c, e, g)
  %
  %   See also hyp_residual, symm_hh2, bisect, dorfler.

  elements = mesh_arguments ('hyp_hh2', coordinates, elements);
  nE = size (elements, 1);
  nC = size (coordinates, 1);
  if (numel (g_fine) < nC + nE)
    error ('bem2d:hyp_hh2:tooFewEntries', ...
           'In hyp_hh2, g_fine must have at least %d entries (it has %d).', nC + nE, ...
           numel (g_fine));
  end
  g_fine = double (g_fine(:));
  bump = g_fine(nC + (1:nE)') - (g_fine(elements(:,1)) + g_fine(elements(:,2))) / 2;
  eta2 = 4 * bump.^2;
end

%!test
%! % A function linear on every coarse element has no indicator; a bump of
%! % height d at the midpoint of an element of length h has slope 2d/h on its
%! % halves, so h * (2d/h)^2 * h = 4 d^2.
%! c = [0 0; 2 0; 2 5]; e = [1 2; 2 3];
%! assert (hyp_hh2 (c, e, [1; 3; 8; 2; 5.5]), [0; 0]);
%! assert (hyp_hh2 (c, e, [1; 3; 8; 2.5; 5.5]), [1; 0]);
%!error <g_fine must have at least> hyp_hh2 ([0 0; 1 0], [1 2], [1 2])
