function p = previous_row (errors, i)
  % PREVIOUS_ROW  Row i-1 of a table of errors, or NaN for the first level.
  if (i > 1)
    p = errors(i-1,:);
  else
    p = nan (1, size (errors, 2));
  end
end
