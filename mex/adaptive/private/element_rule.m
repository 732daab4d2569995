function [x, w, el, s] = element_rule (coordinates, elements, which, graded)
  % ELEMENT_RULE  Quadrature points on the elements listed in which (all
  % when empty), one row per point:
  %   x   the point A + s (B - A) of element el(k) from A to B,
  %   w   its weight for ds (the weights of an element sum to its length),
  %   el  the element,   s  the parameter in (0,1).
  % graded false: the 8-point Gauss-Legendre rule, exact for polynomials of
  % degree 15, for integrands smooth on the element. graded true: 3-point
  % rules on the pieces [0, 0.1, 0.5, 0.9, 1], for integrands with a
  % logarithmic singularity at both ends (the derivative of a single layer,
  % the hypersingular operator of a continuous piecewise-linear function);
  % on (a log s + b log(1 - s) + c)^2 it errs by a few per cent.
  if (isempty (which))
    which = (1:size (elements, 1))';
  end
  if (graded)
    breaks = [0 0.1 0.5 0.9 1];
    [t, v] = gauss_rule (3);
  else
    breaks = [0 1];
    [t, v] = gauss_rule (8);
  end
  a = breaks(1:end-1);
  len = diff (breaks);
  s0 = reshape ((t + 1) / 2 * len + ones (numel (t), 1) * a, [], 1);
  w0 = reshape (v(:) / 2 * len, [], 1);
  q = numel (s0);
  which = which(:);
  el = reshape (ones (q, 1) * which', [], 1);
  s = repmat (s0, numel (which), 1);
  A = coordinates(elements(el,1),1:2);
  B = coordinates(elements(el,2),1:2);
  x = A + s .* (B - A);
  w = repmat (w0, numel (which), 1) .* sqrt (sum ((B - A).^2, 2));
end
