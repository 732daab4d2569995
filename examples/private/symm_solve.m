function phi = symm_solve (m, gh)
  % SYMM_SOLVE  Piecewise-constant Galerkin solution of Symm's equation
  % V phi = (1/2 + K) g_h on the mesh m (fields c, e, V = slpmatrix(c, e) and
  % the quadrature Q of BOUNDARY_QUADRATURE), g_h the continuous
  % piecewise-linear function with nodal values gh. Entry j of the right-hand
  % side is int_{E_j} ((1/2) g_h + K g_h) ds; K g_h at the quadrature points
  % comes from dlpfield, which adds no jump term on the boundary, so it is the
  % boundary operator K there.
  Q = m.Q;
  gx = gh(m.e(Q.el,1)) .* (1 - Q.s) + gh(m.e(Q.el,2)) .* Q.s;
  b = accumarray (Q.el, (0.5 * gx + dlpfield (m.c, m.e, gh, Q.x)) .* Q.ds, [size(m.e, 1) 1]);
  phi = m.V \ b;
end
