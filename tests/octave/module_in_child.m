function [status, errtext, values] = module_in_child (name, calls)
  % MODULE_IN_CHILD  Runs name(calls{k}{:}) for every k in a child
  % octave-cli whose standard error stream goes to a file (the modules write
  % their warnings there with C's fprintf, which evalc does not capture).
  % Before call k the child writes the marker line "call k". Returns the exit
  % status, the text of the error stream and the results.
  octave = getenv ("BEM2D_OCTAVE_CLI");
  if (isempty (octave)), octave = "octave-cli"; end
  mexdir = getenv ("BEM2D_MEX_DIR");
  if (isempty (mexdir)), mexdir = fileparts (which (name)); end
  base = tempname ();
  infile = [base "_in.mat"]; outfile = [base "_out.mat"];
  errfile = [base "_err.txt"]; script = [base "_child.m"];
  save ("-binary", infile, "calls");
  fid = fopen (script, "w");
  fprintf (fid, "addpath ('%s');\nload ('%s');\nvalues = cell (size (calls));\n", mexdir, infile);
  fprintf (fid, "for k = 1:numel (calls)\n  fprintf (stderr, 'call %%d\\n', k); fflush (stderr);\n");
  fprintf (fid, "  values{k} = %s (calls{k}{:});\nend\nsave ('-binary', '%s', 'values');\n", name, outfile);
  fclose (fid);
  % A sanitizer runtime preloaded into this process must not reach the shell
  % of system() (a preloaded /bin/sh can crash); it is handed to the child
  % octave-cli alone, which needs it to load modules built with the sanitizer.
  preload = getenv ("LD_PRELOAD");
  prefix = "";
  if (! isempty (preload))
    prefix = sprintf ("env LD_PRELOAD='%s' ", preload);
    unsetenv ("LD_PRELOAD");
  end
  unwind_protect
    status = system (sprintf ("%s'%s' --no-history --no-init-file --no-window-system --quiet '%s' 2>'%s'", ...
                              prefix, octave, script, errfile));
  unwind_protect_cleanup
    if (! isempty (preload)), setenv ("LD_PRELOAD", preload); end
  end_unwind_protect
  errtext = fileread (errfile);
  values = {};
  if (status == 0)
    s = load (outfile);
    values = s.values;
  end
  for f = {infile, outfile, errfile, script}
    if (exist (f{1}, "file")), delete (f{1}); end
  end
end
