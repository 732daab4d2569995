function table_row (first, second, errors, previous)
  % TABLE_ROW  Prints one line of a convergence table: the number of
  % elements, a second column (text), and for every error its value and the
  % rate log2(previous/error) against the level before (none when previous
  % is NaN). With errors given as a cell of column titles it prints the
  % header instead.
  if (iscell (errors))
    line = sprintf ('   %8s %9s |', first, second);
    for i = 1:numel (errors)
      line = [line, sprintf(' %11s  rate |', errors{i})];
    end
  else
    line = sprintf ('   %8d %9s |', first, second);
    for i = 1:numel (errors)
      line = [line, sprintf(' %11.3e %5s |', errors(i), rate_text (log2 (previous(i) / errors(i))))];
    end
  end
  fprintf ('%s\n', line(1:end-2));
end
