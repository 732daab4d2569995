function expect_ans (fn, varargin)
  % EXPECT_ANS  Calls fn(varargin{:}) without an output, as a statement at
  % the prompt does, and checks that the result went to ans, equal to that
  % of the call with one output.
  clear ans;
  fn (varargin{:});
  if (! exist ("ans", "var") || ! isequal (ans, fn (varargin{:})))
    error ("expect_ans: %s without an output must set ans to its result", func2str (fn));
  end
end
