% HMATRIX  Compressed Galerkin matrices V, K and W for large meshes.
%
%   H = hmatrix(kind, coordinates, elements)
%   H = hmatrix(kind, coordinates, elements, tol)
%   H = hmatrix(..., 'eta', eta, 'progress', true)
%
%   Builds the Galerkin matrix of kind 'slp' (V = slpmatrix, nE-by-nE),
%   'dlp' (K = dlpmatrix, nE-by-nC) or 'hyp' (W = hypmatrix, nC-by-nC) of the
%   boundary mesh as a hierarchical matrix: blocks of elements (or nodes) far
%   from each other are stored as low-rank products, compressed to the
%   relative tolerance tol (default 1e-10), every entry taken exactly from the
%   dense module (its tiles). A million elements fit in about 3 GB, where the
%   dense V would need 8 TB. The engine is hmat-oss (GPL-2.0-or-later), in a
%   build that has it.
%
%   H behaves like the matrix it stands for:
%     y = H * x        x a vector or a matrix of columns; also H' * x, x' * H
%     x = H \ b        V and W only; factorises at the first solve and keeps
%                      the factor (Cholesky for V on a mesh of diameter below
%                      1 and for W, LDL' for V otherwise)
%     size(H), size(H, dim)
%     H.bytes          the memory it holds, its factor included once made
%     full(H)          the dense matrix it stands for (up to 2^27 entries)
%
%   Arguments
%     kind         'slp', 'dlp' or 'hyp'.
%     coordinates, elements  the boundary mesh, as for slpmatrix (elements of
%                  double or any integer class, 1-based).
%     tol          relative tolerance of every stored block, 0 < tol < 1. A
%                  product errs by a small multiple of tol against |A|*|x|,
%                  row by row, and the residual of a solve with the exact
%                  matrix is within a few tol of b (for a right-hand side whose
%                  entries scale with their element's length, as Galerkin
%                  loads do).
%     'eta'        the eta of the dense module for the entries (default 0.5;
%                  every entry is exact either way).
%     'progress'   true: show the progress of long builds and factorisations.
%
%   What is stored
%     The matrix is scaled by the lengths (1/L_i for the rows of elements,
%     sqrt(m_p) or 1/m_p for those of nodes, m_p the integral of the hat
%     psi_p), so that the rows of tiny elements of a mesh graded toward a
%     corner are as exact as the others. W is stored stabilised, as
%     W + m*m', which is positive definite on a closed boundary: H \ b then
%     solves W x = b with m'*x = 0 when b is orthogonal to the constants
%     (sum(b) = 0), as for the Neumann problem. A zero-length element (a node
%     no element uses) has a zero row and column in H; H \ b gives x = b
%     there.
%
%   Threads and Ctrl-C
%     The build spreads sub-blocks of the matrix over every hardware thread
%     (or BEM2D_NUM_THREADS); the result does not depend on their number.
%     Products, factorisation and solve run on one thread. Ctrl-C stops a
%     build or a factorisation within milliseconds; an interrupted build makes
%     no matrix, an interrupted factorisation leaves H as it was.
%
%   Memory and saving
%     The matrix lives outside Octave: it is freed when the last variable that
%     refers to it (H and its transposes) is cleared, on clear all and when
%     Octave ends. It cannot be saved: save the mesh and tol instead and build
%     it again (MATLAB reports bem2d:hmatrix:save; Octave itself refuses to
%     save such an object).
%
%   Errors (each with its identifier, err.identifier in a catch block):
%     bem2d:hmatrix:kind         kind is not 'slp', 'dlp' or 'hyp'
%       hmatrix: kind must be 'slp', 'dlp' or 'hyp'.
%     bem2d:hmatrix:tol          tol not between 0 and 1
%       hmatrix: tol must lie between 0 and 1 (tol=T).
%     bem2d:hmatrix:notFinite, bem2d:hmatrix:noLength, bem2d:hmatrix:coincident
%       a node of an element that is not finite, no element of positive
%       length, more than 32 elements (or nodes) on one another
%     bem2d:hmatrix:noSolve      K \ b (K is not square)
%     bem2d:hmatrix:engine       the engine failed (the message says how)
%     bem2d:hmatrix:notBuilt     a build of bem2d without hmat-oss
%     bem2d:hmatrix:handle       the matrix of an object that was cleared
%     bem2d:hmatrix:size         x or b of a wrong number of rows
%     and the checks of the mesh as in slpmatrix (bem2d:hmatrix:argumentClass,
%     tooFewColumns, tooManyRows, vertexNumber).
%
%   Example
%     % Symm's equation on a circle of radius 0.45 with 4000 elements.
%     n = 4000; t = 2*pi*(0:n-1)'/n;
%     coordinates = 0.45*[cos(t) sin(t)];
%     elements = [(1:n)' [2:n 1]'];
%     V = hmatrix('slp', coordinates, elements);
%     L = 2*0.45*sin(pi/n);
%     phi = V \ (L*ones(n, 1));        % the density of the constant 1
%     [size(V), V.bytes / (8*n^2)]     % a few per cent of the dense matrix
%
%   See also SLPMATRIX, DLPMATRIX, HYPMATRIX.

classdef hmatrix < handle
  properties (SetAccess = private)
    kind = '';         % 'slp', 'dlp' or 'hyp'
    tol = 0;           % the tolerance of its blocks
  end
  properties (Dependent)
    bytes              % the memory it holds
  end
  properties (Access = private)
    id = uint64(0);    % the engine room's number of the matrix
    transposed = false;
    rows = 0;
    cols = 0;
  end

  methods
    function H = hmatrix(kind, coordinates, elements, varargin)
      if (nargin == 0)
        return;  % an empty handle, which view() fills in
      end
      if (nargin < 3)
        error('bem2d:hmatrix:nargin', ...
              'Invalid number of input arguments. Usage:\n  H = hmatrix(kind,coordinates,elements[,tol])');
      end
      tol = 1e-10;
      eta = 0.5;
      progress = false;
      rest = varargin;
      if (~isempty(rest) && ~ischar(rest{1}))
        tol = rest{1};
        rest = rest(2:end);
      end
      for k = 1:2:numel(rest)
        if (k == numel(rest) || ~ischar(rest{k}))
          error('bem2d:hmatrix:option', 'hmatrix: options come as name-value pairs.');
        end
        switch (lower(rest{k}))
          case 'eta'
            eta = rest{k + 1};
          case 'progress'
            progress = logical(rest{k + 1});
          otherwise
            error('bem2d:hmatrix:option', 'hmatrix: %s is no option (eta, progress).', rest{k});
        end
      end
      if (~ischar(kind) || ~any(strcmp(kind, {'slp', 'dlp', 'hyp'})))
        error('bem2d:hmatrix:kind', 'hmatrix: kind must be ''slp'', ''dlp'' or ''hyp''.');
      end
      if (~isnumeric(tol) || ~isreal(tol) || ~isscalar(tol))
        error('bem2d:hmatrix:tol', 'hmatrix: tol must be a real number.');
      end
      H.id = hmatrix.engine('build', kind, coordinates, elements, double(tol), double(eta), ...
                            double(progress));
      hmatrix.engine('retain', H.id);
      H.kind = kind;
      H.tol = double(tol);
      [H.rows, H.cols] = hmatrix.engine('info', H.id);
    end

    function delete(H)
      if (H.id ~= 0)
        bem2d_hmatrix('release', H.id);
      end
    end

    function b = get.bytes(H)
      [~, ~, b] = hmatrix.engine('info', H.id);
    end

    function varargout = size(H, dim)
      s = [H.rows, H.cols];
      if (H.transposed)
        s = fliplr(s);
      end
      if (nargin > 1)
        varargout = {s(dim)};
      elseif (nargout <= 1)
        varargout = {s};
      else
        varargout = num2cell(s);
      end
    end

    function T = ctranspose(H)
      T = hmatrix.view(H, ~H.transposed);
    end

    function T = transpose(H)
      T = hmatrix.view(H, ~H.transposed);
    end

    function y = mtimes(a, b)
      if (isa(a, 'hmatrix') && isnumeric(b))
        y = hmatrix.engine('apply', a.id, double(a.transposed), full(double(b)));
      elseif (isnumeric(a) && isa(b, 'hmatrix'))
        % x' * H = (H' * x)'
        y = hmatrix.engine('apply', b.id, double(~b.transposed), full(double(a))')';
      else
        error('bem2d:hmatrix:mtimes', 'hmatrix: H * x takes a numeric x.');
      end
    end

    function x = mldivide(H, b)
      if (~isnumeric(b))
        error('bem2d:hmatrix:mldivide', 'hmatrix: H \\ b takes a numeric b.');
      end
      x = hmatrix.engine('solve', H.id, full(double(b)), 0);
    end

    function A = full(H)
      s = size(H);
      most = 2^27;
      if (prod(s) > most)
        error('bem2d:hmatrix:tooLarge', ...
              'hmatrix: the matrix has %d entries, more than a dense copy may have (%d).', ...
              prod(s), most);
      end
      A = zeros(s);
      step = 256;
      for j = 1:step:s(2)
        k = j:min(s(2), j + step - 1);
        E = zeros(s(2), numel(k));
        E(sub2ind(size(E), k, 1:numel(k))) = 1;
        A(:, k) = H * E;
      end
    end

    function disp(H)
      s = size(H);
      names = struct('slp', 'V', 'dlp', 'K', 'hyp', 'W');
      t = '';
      if (H.transposed)
        t = '''';
      end
      fprintf('  hmatrix %s%s (%s), %d-by-%d, tol %g, %.1f MB\n', names.(H.kind), t, H.kind, ...
             s(1), s(2), H.tol, H.bytes / 1e6);
    end

    function s = saveobj(H)
      error('bem2d:hmatrix:save', ['hmatrix: a compressed matrix lives outside the ' ...
            'session and cannot be saved: save its mesh and tol and build it again.']);
    end
  end

  methods (Static, Access = private)
    function varargout = engine(varargin)
      % The engine room's errors without its name in front, as the class's own.
      try
        [varargout{1:max(nargout, 1)}] = bem2d_hmatrix(varargin{:});
      catch err
        error(err.identifier, '%s', regexprep(err.message, '^bem2d_hmatrix: ', 'hmatrix: '));
      end
    end

    function T = view(H, transposed)
      % Another handle on the same matrix, transposed or not; it holds the
      % matrix as H does.
      T = hmatrix();
      T.id = H.id;
      T.kind = H.kind;
      T.tol = H.tol;
      T.rows = H.rows;
      T.cols = H.cols;
      T.transposed = transposed;
      hmatrix.engine('retain', T.id);
    end
  end
end
