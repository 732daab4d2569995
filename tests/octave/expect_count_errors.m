function expect_count_errors (fn, out_msg, in_msg, args)
  % EXPECT_COUNT_ERRORS  Checks word for word what module fn says to a wrong
  % number of arguments: out_msg for two outputs (with the valid inputs args,
  % and with none: the output count is checked first), in_msg for args
  % without its last entry, for no inputs, and for args with eta and one
  % more. in_msg is a format that may show the number of inputs (%d). No
  % output is no error: the result goes to ans.
  expect_error (sprintf (out_msg), 2, fn, args{:});
  expect_error (sprintf (out_msg), 2, fn);
  expect_ans (fn, args{:});
  for wrong = {args(1:end-1), {}, [args, {0.5, 1}]}
    expect_error (sprintf (in_msg, numel (wrong{1})), 1, fn, wrong{1}{:});
  end
end
