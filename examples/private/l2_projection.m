function gh = l2_projection (m, gx)
  % L2_PROJECTION  Nodal values of the L2 projection onto continuous
  % piecewise-linear functions of the boundary function whose values at the
  % quadrature points m.Q.x are gx: solves M gh = r with the mass matrix
  % M(p,q) = int psi_p psi_q ds (L/3 on the diagonal, L/6 off it, per
  % element) and r_p = int psi_p g ds.
  Q = m.Q;
  e = m.e;
  nC = size (m.c, 1);
  M = sparse ([e(:,1); e(:,2); e(:,1); e(:,2)], [e(:,1); e(:,2); e(:,2); e(:,1)], ...
              [m.L / 3; m.L / 3; m.L / 6; m.L / 6], nC, nC);
  r = accumarray (e(Q.el,1), gx .* (1 - Q.s) .* Q.ds, [nC 1]) ...
      + accumarray (e(Q.el,2), gx .* Q.s .* Q.ds, [nC 1]);
  gh = M \ r;
end
