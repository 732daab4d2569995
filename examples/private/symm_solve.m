function phi = symm_solve (m, gh)
  % SYMM_SOLVE  Piecewise-constant Galerkin solution of Symm's equation
  % V phi = (1/2 + K) g_h on the mesh m (fields V = slpmatrix(c, e),
  % K = dlpmatrix(c, e) and the mass matrix M of hats against constants),
  % g_h the continuous piecewise-linear function with nodal values gh. Entry
  % j of the right-hand side, int_{E_j} ((1/2) g_h + K g_h) ds, is row j of
  % (M/2 + K) gh: dlpmatrix integrates K g_h along every element exactly.
  phi = m.V \ ((m.M / 2 + m.K) * gh);
end
