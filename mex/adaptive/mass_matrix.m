function M = mass_matrix (coordinates, elements, pairing)
  % MASS_MATRIX  Sparse mass matrices of piecewise-constant functions (one
  % per element, chi_i = 1 on element i) and of the hat functions (one per
  % node, psi_p linear on every element, 1 at node p).
  %
  %   M = mass_matrix(coordinates, elements, pairing)
  %
  %   pairing
  %     'constants'        nE-by-nE, M(i,j) = int chi_i chi_j ds: the lengths
  %                        on the diagonal.
  %     'constants-hats'   nE-by-nC, M(i,q) = int_{E_i} psi_q ds: half of the
  %                        length of element i at each of its two nodes. This
  %                        is the matrix of Symm's equation V*phi = (M/2 + K)*gh
  %                        and of the hypersingular equation
  %                        W*gh = (M/2 - K)'*phi (K = dlpmatrix).
  %     'hats'             nC-by-nC, M(p,q) = int psi_p psi_q ds: L/3 on the
  %                        diagonal and L/6 off it for every element of
  %                        length L.
  %
  %   A node that no element uses has a zero row (and column). The sum of
  %   all entries is the length of the boundary in every pairing.
  %
  %   Errors: bem2d:mass_matrix:argumentClass, :tooFewColumns,
  %   :vertexNumber, :pairing (no such pairing).
  %
  %   Example
  %     c = [0 0; 1 0; 1 1; 0 1]; e = [1 2; 2 3; 3 4; 4 1];
  %     full (mass_matrix(c, e, 'constants-hats'))   % 0.5 at both ends of each element
  %
  %   See also element_lengths, dlpmatrix.

  elements = mesh_arguments ('mass_matrix', coordinates, elements);
  if (nargin < 3 || ~ischar (pairing))
    pairing = '';
  end
  nE = size (elements, 1);
  nC = size (coordinates, 1);
  h = element_lengths (coordinates, elements);
  i = (1:nE)';
  switch (pairing)
    case 'constants'
      M = sparse (i, i, h, nE, nE);
    case 'constants-hats'
      M = sparse ([i; i], elements(:), [h; h] / 2, nE, nC);
    case 'hats'
      a = elements(:,1);
      b = elements(:,2);
      M = sparse ([a; b; a; b], [a; b; b; a], [h / 3; h / 3; h / 6; h / 6], nC, nC);
    otherwise
      error ('bem2d:mass_matrix:pairing', ...
             'In mass_matrix, the pairing must be ''constants'', ''constants-hats'' or ''hats''.');
  end
end

%!test
%! % Closed square of side 2: integrals of products of known functions.
%! c = [0 0; 2 0; 2 2; 0 2]; e = [1 2; 2 3; 3 4; 4 1];
%! x = c(:,1);
%! Mh = mass_matrix (c, e, 'hats');
%! assert (ones (1, 4) * Mh * x, 8, 1e-14);          % int x ds = 0 + 4 + 4 + 0
%! assert (x' * Mh * x, 2*8/3 + 8, 1e-13);           % int x^2 ds over the sides
%! assert (full (sum (mass_matrix (c, e, 'constants-hats'), 2)), 2 * ones (4, 1));
%! assert (full (diag (mass_matrix (c, e, 'constants'))), 2 * ones (4, 1));
%!error <pairing must be> mass_matrix ([0 0; 1 0], [1 2], 'nodes')
