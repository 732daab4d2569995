function yes = is_octave ()
  % IS_OCTAVE  True when running in GNU Octave, false in MATLAB.
  yes = exist ('OCTAVE_VERSION', 'builtin') > 0;
end
