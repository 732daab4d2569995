function expect_error (expected, nout, fn, varargin)
  % EXPECT_ERROR  Calls fn(varargin{:}) with nout outputs and checks that it
  % fails with exactly the message `expected`, or, when `expected` is a cell
  % {identifier, message}, with exactly that identifier and message. The host
  % shows a module's message as "<name>: <text>" and drops one trailing
  % newline, so the expected text is compared in that form. Ends in error()
  % when the call succeeds or the text or identifier differs.
  id = [];
  if (iscell (expected))
    [id, expected] = expected{:};
  end
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
    if (! isempty (id) && ! strcmp (err.identifier, id))
      error ("expect_error: %s failed with the identifier <<%s>> instead of <<%s>>", ...
             func2str (fn), err.identifier, id);
    end
  end
  if (! failed)
    error ("expect_error: %s did not fail; expected\n<<%s>>", func2str (fn), expected);
  end
end
