function call_with_outputs (nout, fn, varargin)
  % CALL_WITH_OUTPUTS  Calls fn(varargin{:}) with nout outputs and drops them.
  % With nout = 0 the call asks for none (a module sees nlhs = 0); otherwise
  % it assigns all nout, since a call inside try that assigns nothing asks
  % for none either.
  if (nout == 0)
    fn (varargin{:});
  else
    out = cell (1, nout);
    [out{1:nout}] = fn (varargin{:});
  end
end
