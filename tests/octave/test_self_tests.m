% The self-tests in the help file NAME.m of every module (the %! blocks that
% `test NAME` and `pkg test bem2d` run), here beside the modules of the build
% tree, so that they also run under the sanitizers. Each module must have a
% few and pass all of them.
1;

names = {"slpmatrix", "hypmatrix", "dlpmatrix", "slpfield", "dlpfield", "tdlfield", "hypfield", ...
         "domfield", "dlpgradfield"};
for k = 1:numel (names)
  [passed, total] = test (names{k}, "quiet", stdout);
  if (total < 3 || passed != total)
    error ("test_self_tests: %s passes %d of its %d self-tests (at least 3 expected)", ...
           names{k}, passed, total);
  end
end
printf ("test_self_tests: the self-tests of %s pass\n", strjoin (names, ", "));
