% bem2d demo: the single-layer potential of a density on a circle polygon,
% evaluated with slpfield at a few points and printed beside the exact value.
%
% For the density 1 on the circle of radius R the single-layer potential is
% -R log R inside the circle (and on it) and -R log|x| outside. The inscribed
% polygon of n elements approximates the circle, so the computed values
% approach the exact ones as O(1/n^2).

R = 2;
x = [0 0; 1 0.5; R 0; 3 1; 10 -10];
exact = -R * log (max (R, sqrt (sum (x.^2, 2))));
printf ("Single-layer potential of density 1 on a circle of radius %g\n", R);
printf ("%8s | %-14s | %-22s | %-22s | %s\n", "elements", "point", "slpfield", "exact", "error");
for n = [16 64 256 1024]
  t = 2 * pi * (0:n-1)' / n;
  coordinates = R * [cos(t), sin(t)];
  elements = [(1:n)', [2:n, 1]'];
  u = slpfield (coordinates, elements, ones (n, 1), x);
  for i = 1:rows (x)
    printf ("%8d | (%5.2f,%6.2f) | %22.15f | %22.15f | %.2e\n", n, x(i,1), x(i,2), u(i), exact(i), abs (u(i) - exact(i)));
  end
end
