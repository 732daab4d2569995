function text = rate_text (r)
  % RATE_TEXT  A convergence rate as five characters, "    -" when there is
  % none (first level).
  if (isfinite (r))
    text = sprintf ('%5.2f', r);
  else
    text = '    -';
  end
end
