function expect_error (expected, nout, fn, varargin)
  % EXPECT_ERROR  Calls fn(varargin{:}) with nout outputs and checks that it
  % fails with exactly the message `expected`. The host shows a module's
  % message as "<name>: <text>" and drops one trailing newline, so the
  % expected text is compared in that form. Ends in error() when the call
  % succeeds or the text differs.
  if (numel (expected) > 0 && expected(end) == "\n")
    expected = expected(1:end-1);
  end
  expected = [func2str(fn), ": ", expected];
  failed = false;
  try
    call_with_outputs (nout, fn, varargin{:});
  catch err
    failed = true;
    if (! strcmp (err.message, expected))
      error ("expect_error: %s failed with\n<<%s>>\ninstead of\n<<%s>>", func2str (fn), ...
             err.message, expected);
    end
  end
  if (! failed)
    error ("expect_error: %s did not fail; expected\n<<%s>>", func2str (fn), expected);
  end
end
