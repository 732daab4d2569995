function expect_near (actual, expected, tol, what)
  % EXPECT_NEAR  Ends in error() unless actual and expected have the same size
  % and every entry differs by at most tol (NaN only where expected is NaN).
  if (! isequal (size (actual), size (expected)))
    error ("%s: size %s, expected %s", what, mat2str (size (actual)), mat2str (size (expected)));
  end
  both_nan = isnan (actual) & isnan (expected);
  err = abs (actual - expected);
  err(both_nan) = 0;
  if (any (isnan (err(:))) || any (err(:) > tol))
    [worst, k] = max (err(:));
    error ("%s: entry %d is %.17g, expected %.17g (difference %g > %g)", what, k, ...
           actual(k), expected(k), worst, tol);
  end
end
