function [value, printed, id] = warned_call (fn, varargin)
  % WARNED_CALL  value = fn(varargin{:}), what the call printed (evalc
  % captures the host's warnings) and the identifier of its last warning
  % ("" for none). The backtrace that Octave adds to a warning raised inside
  % a function is turned off for the call.
  state = warning ("off", "backtrace");
  restore = onCleanup (@() warning (state));
  lastwarn ("", "");
  printed = evalc ("value = fn (varargin{:});");
  [~, id] = lastwarn ();
end
