function [t, w] = gauss_rule (q)
  % GAUSS_RULE  Nodes t (ascending) and weights w of the q-point
  % Gauss-Legendre rule on [-1,1], columns, from the eigenvalues of the
  % Jacobi matrix.
  b = (1:q-1) ./ sqrt (4 * (1:q-1).^2 - 1);
  [Q, D] = eig (diag (b, 1) + diag (b, -1));
  [t, i] = sort (diag (D));
  w = 2 * Q(1,i)'.^2;
end
