function eta2 = symm_hh2 (coordinates, elements, phi_fine)
  % SYMM_HH2  h - h/2 error indicators of a piecewise-constant solution of
  % Symm's equation (or of any equation V phi = f), from the solution on the
  % uniformly refined mesh.
  %
  %   eta2 = symm_hh2(coordinates, elements, phi_fine)
  %
  %   phi_fine  2*nE values: the Galerkin solution on the mesh that
  %             bisect(coordinates, elements, true(nE,1)) returns, on which
  %             the halves of element i are elements 2i-1 and 2i.
  %   eta2      nE-by-1, eta2(i) = h_i * || phi_fine - Pi phi_fine ||^2_{L2(E_i)}
  %             = h_i^2 (a_i - b_i)^2 / 4, with a_i, b_i the values on the
  %             halves of E_i, Pi the mean on every element of the coarse
  %             mesh and h_i the length of E_i.
  %
  %   eta = sqrt(sum(eta2)) is equivalent to || phi_fine - phi_h ||_V (the
  %   constants depend on the ratio of neighbouring element lengths), which
  %   is efficient, <= 2 || phi - phi_h ||_V, always, and reliable,
  %   || phi - phi_h ||_V <= eta / sqrt(1 - q^2), under the saturation
  %   assumption || phi - phi_fine ||_V <= q || phi - phi_h ||_V with q < 1,
  %   which holds on all but pre-asymptotic meshes. It costs a solve on 2nE
  %   elements; symm_residual needs none.
  %
  %   Errors: bem2d:symm_hh2:argumentClass, :tooFewColumns, :vertexNumber,
  %   :tooFewEntries (phi_fine has fewer than 2*nE values).
  %
  %   Example
  %     % V phi = 1 on the screen [-1,1]: the indicators are largest at its ends.
  %     m = 16; c = [linspace(-1, 1, m + 1)' zeros(m + 1, 1)]; e = [(1:m)' (2:m + 1)'];
  %     [c2, e2] = bisect(c, e, true(m, 1));
  %     eta2 = symm_hh2(c, e, slpmatrix(c2, e2) \ element_lengths(c2, e2))
  %
  %   See also symm_residual, hyp_hh2, bisect, dorfler.

  elements = mesh_arguments ('symm_hh2', coordinates, elements);
  nE = size (elements, 1);
  if (numel (phi_fine) < 2 * nE)
    error ('bem2d:symm_hh2:tooFewEntries', ...
           'In symm_hh2, phi_fine must have at least %d entries (it has %d).', 2 * nE, ...
           numel (phi_fine));
  end
  phi_fine = double (phi_fine(:));
  h = element_lengths (coordinates, elements);
  eta2 = h.^2 .* (phi_fine(1:2:2*nE) - phi_fine(2:2:2*nE)).^2 / 4;
end

%!test
%! % Against the definition: h_i times the squared L2 distance of the fine
%! % function from its mean on E_i, on unequal elements.
%! c = [0 0; 3 0; 3 1]; e = [1 2; 2 3];
%! phi_fine = [1; 2; 5; -1];
%! % Element 1 (h = 3): values 1, 2 about the mean 3/2, each half 1.5 long.
%! % Element 2 (h = 1): values 5, -1 about the mean 2, each half 0.5 long.
%! expected = [3 * (1.5 * 0.25 + 1.5 * 0.25); 1 * (0.5 * 9 + 0.5 * 9)];
%! assert (symm_hh2 (c, e, phi_fine), expected, 1e-14);
%!error <phi_fine must have at least> symm_hh2 ([0 0; 1 0], [1 2], 1)
