% `help NAME` for all nine modules of the build tree: the comments-only NAME.m
% beside NAME.mex gives the help, which shows the call forms, the errors the
% module really reports with their identifiers (provoked here and looked up in
% the help text), and an example that runs.
1;

function text = squeeze_space (text)
  % Line breaks and indentation of the help layout do not count, and the
  % counts that a message shows, such as "(3)", are written "(N)", "(nx)" or
  % "(m)" in the help: both become "(#)".
  text = strtrim (regexprep (text, '\s+', ' '));
  text = regexprep (text, '\((\d+|N|nx|m)\)', '(#)');
end

function [message, id] = provoked_error (what, nout, fn, varargin)
  % The text of the error that fn(varargin{:}) with nout outputs reports,
  % without the "<name>: " that the host puts in front, and its identifier,
  % which must be bem2d:<name>:<what>.
  message = "";
  id = "";
  try
    call_with_outputs (nout, fn, varargin{:});
  catch err
    message = err.message;
    id = err.identifier;
  end
  prefix = [func2str(fn) ": "];
  if (! strncmp (message, prefix, numel (prefix)))
    error ("%s: expected an error, got <<%s>>", func2str (fn), message);
  end
  message = message(numel (prefix)+1:end);
  if (! strcmp (id, sprintf ("bem2d:%s:%s", func2str (fn), what)))
    error ("%s: <<%s>> has the identifier <<%s>>, expected bem2d:%s:%s", func2str (fn), ...
           message, id, func2str (fn), what);
  end
end

function run_example (name, text)
  % The lines between "Example" and "See also" are Octave code.
  first = strfind (text, "\n   Example\n");
  last = strfind (text, "\n   See also");
  if (isempty (first) || isempty (last))
    error ("help %s has no Example section", name);
  end
  code = text(first(1) + numel ("\n   Example\n"):last(1));
  try
    evalc (code);
  catch err
    error ("help %s: the example fails: %s\n%s", name, err.message, code);
  end
end

% For every module: its call forms, and calls that provoke each message it
% reports at the host boundary (other than for unreadable input), with the
% last part of the identifier each must carry.
c = [0 0; 1 0]; e = [1 2];
cases = {
  "slpmatrix", {"V = slpmatrix(coordinates, elements)", "V = slpmatrix(coordinates, elements, eta)"}, ...
    {{"nargout", 2, @slpmatrix, c, e}, {"nargin", 1, @slpmatrix, c}, {"etaNegative", 1, @slpmatrix, c, e, -0.1}, ...
     {"etaClass", 1, @slpmatrix, c, e, {1}}};
  "hypmatrix", {"W = hypmatrix(coordinates, elements)", "W = hypmatrix(coordinates, elements, eta)"}, ...
    {{"nargout", 2, @hypmatrix, c, e}, {"nargin", 1, @hypmatrix, c}, {"etaClass", 1, @hypmatrix, c, e, {1}}};
  "dlpmatrix", {"K = dlpmatrix(coordinates, elements)", "K = dlpmatrix(coordinates, elements, eta)"}, ...
    {{"nargout", 2, @dlpmatrix, c, e}, {"nargin", 1, @dlpmatrix, c}, {"etaNegative", 1, @dlpmatrix, c, e, -0.1}, ...
     {"etaClass", 1, @dlpmatrix, c, e, {1}}};
  "slpfield", {"Vchi_z = slpfield(coordinates, elements, chi, z)", "Vchi_z = slpfield(coordinates, elements, chi, z, eta)"}, ...
    {{"nargout", 2, @slpfield, c, e, 1, [0 1]}, {"nargin", 1, @slpfield, c, e, 1}, ...
     {"etaNegative", 1, @slpfield, c, e, 1, [0 1], -0.1}, {"etaClass", 1, @slpfield, c, e, 1, [0 1], {1}}};
  "dlpfield", {"gx = dlpfield(coordinates, elements, gh, x)", "gx = dlpfield(coordinates, elements, gh, x, eta)"}, ...
    {{"nargout", 2, @dlpfield, c, e, [1 1], [0 1]}, {"nargin", 1, @dlpfield, c, e, [1 1]}, ...
     {"etaNegative", 1, @dlpfield, c, e, [1 1], [0 1], -0.1}, {"etaClass", 1, @dlpfield, c, e, [1 1], [0 1], {1}}};
  "dlpgradfield", {"G = dlpgradfield(coordinates, elements, gh, x)", "G = dlpgradfield(coordinates, elements, gh, x, eta)"}, ...
    {{"nargout", 2, @dlpgradfield, c, e, [1 1], [0 1]}, {"nargin", 1, @dlpgradfield, c, e, [1 1]}, ...
     {"etaNegative", 1, @dlpgradfield, c, e, [1 1], [0 1], -0.1}, {"etaClass", 1, @dlpgradfield, c, e, [1 1], [0 1], {1}}};
  "tdlfield", {"Vphi_x = tdlfield(coordinates, elements, gh, x, n_x)", "Vphi_x = tdlfield(coordinates, elements, gh, x, n_x, eta)"}, ...
    {{"nargin", 1, @tdlfield, c, e, 1, [0 1]}, {"etaNegative", 1, @tdlfield, c, e, 1, [0 1], [0 1], -0.1}, ...
     {"etaClass", 1, @tdlfield, c, e, 1, [0 1], [0 1], {1}}, {"normalsCount", 1, @tdlfield, c, e, 1, [0 1], [0 1; 1 0]}};
  "hypfield", {"Wphi_x = hypfield(coordinates, elements, gh, x, n_x)", "Wphi_x = hypfield(coordinates, elements, gh, x, n_x, eta)"}, ...
    {{"nargin", 1, @hypfield, c, e, [1; 1], [0.5 0]}, {"etaNegative", 1, @hypfield, c, e, [1; 1], [0.5 0], [0 1], -0.1}, ...
     {"etaClass", 1, @hypfield, c, e, [1; 1], [0.5 0], [0 1], {1}}, {"ghShape", 1, @hypfield, c, e, [1 1], [0.5 0], [0 1]}, ...
     {"normalsCount", 1, @hypfield, c, e, [1; 1], [0.5 0], [0 1; 1 0]}};
  "domfield", {"S = domfield(vertices, volumes, f, x)"}, ...
    {{"nargout", 2, @domfield, c, [1 2 2], 1, [0 1]}, {"nargin", 1, @domfield, c, [1 2 2], 1}};
};
% The identifiers of the checks of unreadable input (test_bad_input.m
% provokes them), which every help lists too.
input_ids = {"argumentClass", "tooFewColumns", "tooManyRows", "vertexNumber", "outOfMemory"};

checked = {};
for k = 1:rows (cases)
  [name, forms, calls] = cases{k, :};
  if (exist (name) != 3)
    error ("test_help: module %s is not on the path", name);
  end
  text = evalc (sprintf ("help %s", name));
  where = sprintf ("'%s' is a function from the file ", name);
  if (isempty (strfind (text, where)) || isempty (strfind (text, [name ".mex"])))
    error ("help %s does not come from the file beside %s.mex:\n%s", name, name, text);
  end
  for f = forms
    if (isempty (strfind (text, f{1})))
      error ("help %s does not show the call form <<%s>>", name, f{1});
    end
  end
  flat = squeeze_space (text);
  for call = calls
    [message, id] = provoked_error (call{1}{:});
    message = squeeze_space (message);
    if (isempty (strfind (flat, message)))
      error ("help %s does not show the message <<%s>>", name, message);
    end
    if (isempty (strfind (text, id)))
      error ("help %s does not list the identifier %s", name, id);
    end
  end
  for what = input_ids
    if (isempty (strfind (text, sprintf ("bem2d:%s:%s", name, what{1}))))
      error ("help %s does not list the identifier bem2d:%s:%s", name, name, what{1});
    end
  end
  if (isempty (strfind (flat, "must be a real, full (not sparse) double matrix"))
      || isempty (strfind (flat, "must be a real, full (not sparse) double or integer matrix")))
    error ("help %s does not describe the input checks", name);
  end
  run_example (name, text);
  checked{end+1} = name;
end
% `help bem2d`: the overview names every module.
text = evalc ("help bem2d");
missing = checked(cellfun (@(name) isempty (strfind (text, [" " name " "])), checked));
if (! isempty (missing))
  error ("help bem2d does not name %s:\n%s", strjoin (missing, ", "), text);
end
printf ("test_help: help of %s and of bem2d checked\n", strjoin (checked, ", "));
