function post_install (desc)
  % POST_INSTALL  Called by pkg install. The help texts NAME.m must lie beside
  % NAME.mex: in the package's main directory they would come first on the
  % path and shadow the modules. pkg install has copied them there from inst/
  % and the modules into the architecture directory, so move them over.
  mexfiles = glob (fullfile (desc.archprefix, "*", "*.mex"));
  if (isempty (mexfiles))
    error ("bem2d: no module was built");
  end
  archdir = fileparts (mexfiles{1});
  for k = 1:numel (mexfiles)
    [~, name] = fileparts (mexfiles{k});
    helpfile = fullfile (desc.dir, [name ".m"]);
    if (exist (helpfile, "file"))
      [ok, msg] = movefile (helpfile, archdir);
      if (! ok)
        error ("bem2d: could not move %s to %s: %s", helpfile, archdir, msg);
      end
    end
  end
end
