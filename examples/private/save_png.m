function save_png (f, file, width, height)
  % SAVE_PNG  Writes figure f as a PNG of width x height pixels and closes
  % it (gnuplot's cairo terminal in Octave, print at 100 dpi otherwise).
  if (is_octave () && strcmp (get (f, '__graphics_toolkit__'), 'gnuplot'))
    print (f, '-dpngcairo', sprintf ('-S%d,%d', width, height), file);
  else
    set (f, 'PaperUnits', 'inches', 'PaperPosition', [0 0 width height] / 100);
    print (f, '-dpng', '-r100', file);
  end
  close (f);
  fprintf ('wrote %s\n', file);
end
