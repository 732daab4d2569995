function restore = offscreen_graphics ()
  % OFFSCREEN_GRAPHICS  Lets Octave draw figures without a display: gnuplot
  % as the toolkit where it is installed, its warnings off. Returns the
  % cleanup objects that restore both; hold them for as long as the figures
  % are drawn (MATLAB needs nothing: an empty cell).
  restore = {};
  if (is_octave ())
    warnings = [warning('off', 'Octave:gnuplot-graphics'), warning('off', 'print:nogs')];
    restore{end+1} = onCleanup (@() warning (warnings));
    if (any (strcmp (available_graphics_toolkits (), 'gnuplot')))
      toolkit = graphics_toolkit ();
      graphics_toolkit ('gnuplot');
      restore{end+1} = onCleanup (@() graphics_toolkit (toolkit));
    end
  end
end
