% Input safety of all nine modules, from one table: every argument read as
% data refuses other classes than double, vertex numbers other classes than
% double and the integer classes; every matrix whose columns 2 (or 3) are
% read refuses fewer columns, every vertex number must name a row of the
% matrix it indexes, every density must hold the entries read from it, eta
% must hold a number (a sparse 1-by-1 eta is read as that number); each
% refusal is an error with its exact message and identifier, never a crash.
% Valid lists still work, in every integer class and with fractional vertex
% numbers truncated toward zero. Checks that belong to one module (counts,
% shapes, eta's value) stay in its own test file.
1;

function m = module (fn, args, names, columns, index, target, at, density, needed, eta)
  % fn(args{:}) is a valid call. names{k} is the name the messages give
  % args{k}; columns(k) the columns read from it (0: none). args{index} holds
  % vertex numbers in its first columns(index) columns, rows of args{target};
  % the rows of `at` are (row, column) places to put bad numbers. args{density}
  % must hold `needed` entries, exactly as many as given (density 0: none).
  % eta: the module takes an optional eta after args.
  m = struct ("fn", fn, "args", {args}, "names", {names}, "columns", columns, "index", index, ...
              "target", target, "at", at, "density", density, "needed", needed, "eta", eta);
end

function e = class_error (name, arg, indices, cls)
  % Identifier and message for argument `arg` refused for its class cls, or
  % for being complex or sparse when cls is "".
  kind = "double";
  if (indices), kind = "double or integer"; end
  text = sprintf ("%s must be a real, full (not sparse) %s matrix.\n", arg, kind);
  if (any (strcmp (cls, {"cell", "struct"})))
    text = [text, sprintf("It is of class %s.\n", cls)];
  elseif (! isempty (cls))
    text = [text, sprintf("It is of class %s; double(%s) converts it.\n", cls, arg)];
  end
  e = {sprintf("bem2d:%s:argumentClass", name), text};
end

% A unit square running counter-clockwise. slpfield and tdlfield get three of
% its elements (nE = 3 < nC = 4 entries in the density); dlpfield and
% dlpgradfield read gh at the largest vertex number used (4), below the five
% rows of their coordinates; domfield reads f once per triangle. hypfield's
% points lie on elements and dlpgradfield's off them, so neither warns.
sq = [0 0; 1 0; 1 1; 0 1];
sqe = [1 2; 2 3; 3 4; 4 1];
pts = [0.5 2; -1 0.3];
at2 = [3 2; 1 1; 2 1; 1 2];
modules = [
  module(@slpfield, {sq, sqe(1:3,:), [1; 2; 3], pts}, {"coordinates", "elements", "chi", "z"}, ...
         [2 2 0 2], 2, 1, at2, 3, 3, true)
  module(@dlpfield, {[sq; 9 9], sqe(1:3,:), [1; 2; 3; 4], pts}, {"coordinates", "elements", "gh", "x"}, ...
         [2 2 0 2], 2, 1, at2, 3, 4, true)
  module(@dlpgradfield, {[sq; 9 9], sqe(1:3,:), [1; 2; 3; 4], pts}, {"coordinates", "elements", "gh", "x"}, ...
         [2 2 0 2], 2, 1, at2, 3, 4, true)
  module(@tdlfield, {sq, sqe(1:3,:), [1; 2; 3], pts, [1 0; 0.6 0.8]}, ...
         {"coordinates", "elements", "gh", "x", "n_x"}, [2 2 0 2 2], 2, 1, at2, 3, 3, true)
  module(@hypfield, {sq, sqe, [1; 2; 3; 4], [0.5 0; 1 0.25], [0 -1; 1 0]}, ...
         {"coordinates", "elements", "gh", "x", "n_x"}, [2 2 0 2 2], 2, 1, [4 2; 1 1; 2 1], 0, 0, true)
  module(@domfield, {[0 0; 1 0; 0 1; 1 1], [1 2 3; 2 4 3], [1; 2], pts}, {"vertices", "volumes", "f", "x"}, ...
         [2 3 0 2], 2, 1, [2 3; 1 1; 2 2; 1 3], 3, 2, false)
  module(@slpmatrix, {sq, sqe}, {"coordinates", "elements"}, [2 2], 2, 1, [4 2; 1 1; 2 1], 0, 0, true)
  module(@hypmatrix, {sq, sqe}, {"coordinates", "elements"}, [2 2], 2, 1, [4 2; 1 1; 2 1], 0, 0, true)
  module(@dlpmatrix, {sq, sqe}, {"coordinates", "elements"}, [2 2], 2, 1, [4 2; 1 1; 2 1], 0, 0, true)
];

% Other classes of the same shape (shape matters where a module checks it
% before the classes, as hypfield does for gh), with the class the message
% names ("": complex or sparse double). Vertex numbers accept the integer
% classes.
wrong_class = {@single, "single"; @int32, "int32"; @uint8, "uint8"; @logical, "logical";
               @(a) repmat("a", size (a)), "char"; @(a) a + 1i, ""; @sparse, ""; @num2cell, "cell";
               @(a) repmat(struct ("v", 0), size (a)), "struct"};
integer_classes = {"int8", "uint8", "int16", "uint16", "int32", "uint32", "int64", "uint64"};
too_few_columns = "%s must have at least %d columns.\n";
bad_number = "%s(%d,%d) = %s is not a row number of %s (1 to %d).\n";
too_few_entries = "%s must have at least %d entries (it has %d).\n";
eta_class = "ETA must be a number, not a %s.\n";

for m = modules'
  name = func2str (m.fn);
  args = m.args;
  n = numel (args);
  v0 = m.fn (args{:});

  columns_id = sprintf ("bem2d:%s:tooFewColumns", name);
  number_id = sprintf ("bem2d:%s:vertexNumber", name);

  % ---- wrong class of each argument; the first wrong one is reported ------------
  for k = 1:n
    indices = k == m.index;
    for w = 1:rows (wrong_class)
      [convert, cls] = wrong_class{w,:};
      if (indices && any (strcmp (cls, integer_classes))), continue; end
      a = args; a{k} = convert (a{k});
      expect_error (class_error (name, m.names{k}, indices, cls), 1, m.fn, a{:});
    end
    a = args;
    for j = k:n, a{j} = single (a{j}); end
    expect_error (class_error (name, m.names{k}, indices, "single"), 1, m.fn, a{:});
  end

  % ---- vertex numbers in every integer class, read in place or converted -----------
  for cls = integer_classes
    a = args; a{m.index} = cast (a{m.index}, cls{1});
    if (! isequal (m.fn (a{:}), v0))
      error ("%s: %s in class %s must give the result of double", name, m.names{m.index}, cls{1});
    end
  end
  a{m.index}(:, end + 1) = 0;
  if (! isequal (m.fn (a{:}), v0))
    error ("%s: a column of an integer %s after those read must be ignored", name, m.names{m.index});
  end

  % ---- one column too few ---------------------------------------------------------
  for k = find (m.columns > 0)
    a = args; a{k} = a{k}(:, 1:m.columns(k) - 1);
    expect_error ({columns_id, sprintf(too_few_columns, m.names{k}, m.columns(k))}, 1, m.fn, a{:});
  end

  % ---- vertex numbers -----------------------------------------------------------------
  % Integers are shown in full (a double up to 2^53, the 64-bit classes
  % beyond the reach of a double); other doubles as C's %g, which prints
  % non-finite values in lower case.
  rows_t = rows (args{m.target});
  index_name = m.names{m.index};
  target_name = m.names{m.target};
  % The integer classes hold the same numbers exactly.
  values = {0, "0", "double"; 0.5, "0.5", "double"; -0.5, "-0.5", "double"; -1, "-1", "double";
            NaN, "nan", "double"; Inf, "inf", "double"; -Inf, "-inf", "double";
            rows_t + 1, sprintf("%d", rows_t + 1), "double"; 2^40, "1099511627776", "double"; 2^60 + 0.5, "1.15292e+18", "double";
            -1, "-1", "int8"; 0, "0", "uint16"; rows_t + 1, sprintf("%d", rows_t + 1), "int32";
            2^40, "1099511627776", "int64"; intmax("int64"), "9223372036854775807", "int64";
            intmax("uint64"), "18446744073709551615", "uint64"};
  for v = 1:rows (values)
    p = m.at(mod (v - 1, rows (m.at)) + 1, :);
    a = args; a{m.index} = cast (a{m.index}, values{v,3});
    a{m.index}(p(1), p(2)) = values{v,1};
    expect_error ({number_id, sprintf(bad_number, index_name, p(1), p(2), values{v,2}, target_name, rows_t)}, ...
                  1, m.fn, a{:});
  end
  % The vertex numbers are checked after the class and columns of every
  % argument, and before the entries of the density.
  p = m.at(1,:);
  bad = args; bad{m.index}(p(1), p(2)) = 0;
  bad_msg = sprintf (bad_number, index_name, p(1), p(2), "0", target_name, rows_t);
  for k = 1:n
    a = bad; a{k} = single (a{k});
    expect_error (class_error (name, m.names{k}, k == m.index, "single"), 1, m.fn, a{:});
  end
  for k = find (m.columns > 0 & (1:n) != m.index)
    a = bad; a{k} = a{k}(:, 1:m.columns(k) - 1);
    expect_error ({columns_id, sprintf(too_few_columns, m.names{k}, m.columns(k))}, 1, m.fn, a{:});
  end
  if (m.density > 0)
    a = bad; a{m.density} = [];
    expect_error ({number_id, bad_msg}, 1, m.fn, a{:});
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
    entries_id = sprintf ("bem2d:%s:tooFewEntries", name);
    a = args; a{m.density} = a{m.density}(1:m.needed - 1);
    expect_error ({entries_id, sprintf(too_few_entries, density_name, m.needed, m.needed - 1)}, ...
                  1, m.fn, a{:});
    a{m.density} = [];
    expect_error ({entries_id, sprintf(too_few_entries, density_name, m.needed, 0)}, 1, m.fn, a{:});
  end

  % ---- a sparse 1-by-1 eta is its number -----------------------------------------------
  % eta = 0 takes the closed forms for every pair; 10 sends the field
  % modules' pairs to quadrature, 0.1 the far pairs of a matrix of a circle
  % to the series, and their bits differ: a number read wrongly shows. A
  % sparse 1-by-1 matrix without a stored entry is 0.
  if (m.eta)
    a = args; eta = 10;
    if (n == 2), [a{:}] = circle_mesh (40, 1); eta = 0.1; end
    closed = m.fn (a{:}, 0);
    routed = m.fn (a{:}, eta);
    if (isequal (routed, closed))
      error ("%s: eta = %g must take other routes than eta = 0 here", name, eta);
    end
    if (! isequal (m.fn (a{:}, sparse (eta)), routed)
        || ! isequal (m.fn (a{:}, sparse (0)), closed))
      error ("%s: a sparse 1-by-1 eta must be read as the number it holds", name);
    end
  end

  % ---- eta of a class that holds no number, whatever its shape ------------------------
  if (m.eta)
    etas = {{0.5}, "cell"; {}, "cell"; struct("v", 0.5), "struct"; @sin, "function_handle"};
    for k = 1:rows (etas)
      expect_error ({sprintf("bem2d:%s:etaClass", name), sprintf(eta_class, etas{k,2})}, ...
                    1, m.fn, args{:}, etas{k,1});
    end
  end
end

% ---- counts of 2^31 points and more ---------------------------------------------------
% tdlfield and hypfield compare the point counts of x and n_x before the
% classes, so a sparse x of 2^31 rows (no memory to speak of) reaches the
% message, which must print the count in full.
count_msg = "The number of evaluation points (%d)\nmust correspond to the number of normal vectors (%d).\n";
for fn = {@tdlfield, @hypfield}
  name = func2str (fn{1});
  expect_error ({sprintf("bem2d:%s:normalsCount", name), sprintf(count_msg, 2^31, 1)}, ...
                1, fn{1}, sq, sqe, [1; 2; 3; 4], sparse (2^31, 2), [0 1]);
end

printf ("test_bad_input: all checks passed\n");
