% Input safety of all seven modules, from one table: every argument read as
% double data refuses other classes, every matrix whose columns 2 (or 3) are
% read refuses fewer columns, every vertex number must name a row of the
% matrix it indexes, every density must hold the entries read from it; each
% refusal is an error with its exact message, never a crash. Valid lists
% still work, fractional vertex numbers truncated toward zero. Checks that
% belong to one module (counts, shapes, eta) stay in its own test file.
1;

function m = module (fn, args, names, columns, index, target, at, density, needed)
  % fn(args{:}) is a valid call. names{k} is the name the messages give
  % args{k}; columns(k) the columns read from it (0: none). args{index} holds
  % vertex numbers in its first columns(index) columns, rows of args{target};
  % the rows of `at` are (row, column) places to put bad numbers. args{density}
  % must hold `needed` entries, exactly as many as given (density 0: none).
  m = struct ("fn", fn, "args", {args}, "names", {names}, "columns", columns, "index", index, ...
              "target", target, "at", at, "density", density, "needed", needed);
end

% A unit square running counter-clockwise. slpfield and tdlfield get three of
% its elements (nE = 3 < nC = 4 entries in the density); dlpfield reads gh at
% the largest vertex number used (4), below the five rows of its coordinates;
% domfield reads f once per triangle. hypfield's points lie on elements, so
% it warns about none.
sq = [0 0; 1 0; 1 1; 0 1];
sqe = [1 2; 2 3; 3 4; 4 1];
pts = [0.5 2; -1 0.3];
at2 = [3 2; 1 1; 2 1; 1 2];
modules = [
  module(@slpfield, {sq, sqe(1:3,:), [1; 2; 3], pts}, {"coordinates", "elements", "chi", "z"}, ...
         [2 2 0 2], 2, 1, at2, 3, 3)
  module(@dlpfield, {[sq; 9 9], sqe(1:3,:), [1; 2; 3; 4], pts}, {"coordinates", "elements", "gh", "x"}, ...
         [2 2 0 2], 2, 1, at2, 3, 4)
  module(@tdlfield, {sq, sqe(1:3,:), [1; 2; 3], pts, [1 0; 0.6 0.8]}, ...
         {"coordinates", "elements", "gh", "x", "n_x"}, [2 2 0 2 2], 2, 1, at2, 3, 3)
  module(@hypfield, {sq, sqe, [1; 2; 3; 4], [0.5 0; 1 0.25], [0 -1; 1 0]}, ...
         {"coordinates", "elements", "gh", "x", "n_x"}, [2 2 0 2 2], 2, 1, [4 2; 1 1; 2 1], 0, 0)
  module(@domfield, {[0 0; 1 0; 0 1; 1 1], [1 2 3; 2 4 3], [1; 2], pts}, {"vertices", "volumes", "f", "x"}, ...
         [2 3 0 2], 2, 1, [2 3; 1 1; 2 2; 1 3], 3, 2)
  module(@slpmatrix, {sq, sqe}, {"coordinates", "elements"}, [2 2], 2, 1, [4 2; 1 1; 2 1], 0, 0)
  module(@hypmatrix, {sq, sqe}, {"coordinates", "elements"}, [2 2], 2, 1, [4 2; 1 1; 2 1], 0, 0)
];

% Other classes of the same shape (shape matters where a module checks it
% before the classes, as hypfield does for gh).
wrong_class = {@single, @int32, @uint8, @logical, @(a) repmat ("a", size (a)), @(a) a + 1i, ...
               @sparse, @num2cell, @(a) repmat (struct ("v", 0), size (a))};
not_double = "In %s, %s must be a real, full (not sparse) double matrix.\n";
too_few_columns = "In %s, %s must have at least %d columns.\n";
bad_number = "In %s, %s(%d,%d) = %s is not a row number of %s (1 to %d).\n";
too_few_entries = "In %s, %s must have at least %d entries (it has %d).\n";

for m = modules'
  name = func2str (m.fn);
  args = m.args;
  n = numel (args);
  v0 = m.fn (args{:});

  % ---- wrong class of each argument; the first wrong one is reported ------------
  for k = 1:n
    for w = 1:numel (wrong_class)
      a = args; a{k} = wrong_class{w} (a{k});
      expect_error (sprintf (not_double, name, m.names{k}), 1, m.fn, a{:});
    end
    a = args;
    for j = k:n, a{j} = single (a{j}); end
    expect_error (sprintf (not_double, name, m.names{k}), 1, m.fn, a{:});
  end

  % ---- one column too few ---------------------------------------------------------
  for k = find (m.columns > 0)
    a = args; a{k} = a{k}(:, 1:m.columns(k) - 1);
    expect_error (sprintf (too_few_columns, name, m.names{k}, m.columns(k)), 1, m.fn, a{:});
  end

  % ---- vertex numbers -----------------------------------------------------------------
  % C's %g prints non-finite values in lower case and 2^40 with six digits.
  rows_t = rows (args{m.target});
  index_name = m.names{m.index};
  target_name = m.names{m.target};
  values = {0, "0"; 0.5, "0.5"; -0.5, "-0.5"; -1, "-1"; NaN, "nan"; Inf, "inf"; -Inf, "-inf"; ...
            rows_t + 1, sprintf("%d", rows_t + 1); 2^40, "1.09951e+12"};
  for v = 1:rows (values)
    p = m.at(mod (v - 1, rows (m.at)) + 1, :);
    a = args; a{m.index}(p(1), p(2)) = values{v,1};
    expect_error (sprintf (bad_number, name, index_name, p(1), p(2), values{v,2}, target_name, rows_t), ...
                  1, m.fn, a{:});
  end
  % The vertex numbers are checked after the class and columns of every
  % argument, and before the entries of the density.
  p = m.at(1,:);
  bad = args; bad{m.index}(p(1), p(2)) = 0;
  bad_msg = sprintf (bad_number, name, index_name, p(1), p(2), "0", target_name, rows_t);
  for k = 1:n
    a = bad; a{k} = single (a{k});
    expect_error (sprintf (not_double, name, m.names{k}), 1, m.fn, a{:});
  end
  for k = find (m.columns > 0 & (1:n) != m.index)
    a = bad; a{k} = a{k}(:, 1:m.columns(k) - 1);
    expect_error (sprintf (too_few_columns, name, m.names{k}, m.columns(k)), 1, m.fn, a{:});
  end
  if (m.density > 0)
    a = bad; a{m.density} = [];
    expect_error (bad_msg, 1, m.fn, a{:});
  end
  % Truncation toward zero: 2.7 names vertex 2, rows + 1 - 2^-20 the last row.
  for fraction = [0.7, 1 - 2^-20]
    a = args; a{m.index} += fraction;
    if (! isequal (m.fn (a{:}), v0))
      error ("%s: vertex numbers + %g must name the same vertices", name, fraction);
    end
  end
  % Columns after those read are not examined.
  a = args; a{m.index}(:, end + 1) = NaN;
  if (! isequal (m.fn (a{:}), v0))
    error ("%s: a column of %s after those read must be ignored", name, index_name);
  end

  % ---- too few entries in the density ------------------------------------------------
  if (m.density > 0)
    density_name = m.names{m.density};
    if (numel (args{m.density}) != m.needed)
      error ("%s: the table's %s must hold exactly %d entries", name, density_name, m.needed);
    end
    a = args; a{m.density} = a{m.density}(1:m.needed - 1);
    expect_error (sprintf (too_few_entries, name, density_name, m.needed, m.needed - 1), 1, m.fn, a{:});
    a{m.density} = [];
    expect_error (sprintf (too_few_entries, name, density_name, m.needed, 0), 1, m.fn, a{:});
  end
end

printf ("test_bad_input: all checks passed\n");
