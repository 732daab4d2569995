function [osc2, phih] = neumann_oscillation (coordinates, elements, phi)
  % NEUMANN_OSCILLATION  Oscillation of Neumann data on every element, and
  % their element means: the piecewise-constant data of the hypersingular
  % equation.
  %
  %   [osc2, phih] = neumann_oscillation(coordinates, elements, phi)
  %
  %   phi   a function handle phi(x, n): for points x (m-by-2) and the unit
  %         normals n (m-by-2) of their elements, the data (m-by-1), e.g.
  %         @(x, n) sum(gradu(x) .* n, 2).
  %   osc2  nE-by-1, osc2(i) = h_i * || phi - phih(i) ||^2_{L2(E_i)}.
  %   phih  nE-by-1, the mean of phi on every element (its L2 projection
  %         onto the piecewise constants).
  %   Both by the 8-point Gauss-Legendre rule: phi is assumed smooth inside
  %   each element (jumps at nodes are fine).
  %
  %   sqrt(sum(osc2)) bounds || phi - phih ||_{H^{-1/2}} up to a constant,
  %   hence the error in g that the projected data cause; it is of higher
  %   order than the Galerkin error for data with a square-integrable
  %   derivative on every element. Add it to the indicators of hyp_residual
  %   or hyp_hh2 before marking.
  %
  %   Errors: bem2d:neumann_oscillation:argumentClass, :tooFewColumns,
  %   :vertexNumber, :handle (phi is not a function handle).
  %
  %   Example
  %     % phi = x on the unit square: linear on the sides y = 0 and y = 1,
  %     % where osc2 = h * int (s - 1/2)^2 ds = 1/12.
  %     c = [0 0; 1 0; 1 1; 0 1]; e = [1 2; 2 3; 3 4; 4 1];
  %     [osc2, phih] = neumann_oscillation(c, e, @(x, n) x(:,1))   % phih = [1/2 1 1/2 0]'
  %
  %   See also dirichlet_oscillation, hyp_residual, dorfler.

  elements = mesh_arguments ('neumann_oscillation', coordinates, elements);
  if (~isa (phi, 'function_handle'))
    error ('bem2d:neumann_oscillation:handle', ...
           'In neumann_oscillation, phi must be a function handle phi(x, n).');
  end
  nE = size (elements, 1);
  h = element_lengths (coordinates, elements);
  n = element_normals (coordinates, elements);
  [x, w, el] = element_rule (coordinates, elements, [], false);
  f = phi (x, n(el,:));
  phih = accumarray (el, w .* f, [nE 1]) ./ h;
  osc2 = h .* accumarray (el, w .* (f - phih(el)).^2, [nE 1]);
end

%!test
%! c = [0 0; 1 0; 1 1; 0 1]; e = [1 2; 2 3; 3 4; 4 1];
%! [osc2, phih] = neumann_oscillation (c, e, @(x, n) x(:,1));
%! assert (osc2, [1; 0; 1; 0] / 12, 1e-15);
%! assert (phih, [1/2; 1; 1/2; 0], 1e-15);
%!error <phi must be a function handle> neumann_oscillation ([0 0; 1 0], [1 2], 1)
