"""The adaptive loop in both hosts on the same inputs (0-based in Python,
1-based in Octave): refinement and marking give the same numbers exactly,
the estimators and energies to the rounding of their quadrature rules, and
bem2d_adaptive the same levels; bad input raises; the docstrings' examples
run."""
import doctest

import numpy as np
import pytest

import bem2d
import bem2d.adaptive
from support import octave


def lshape_mesh():
    """The L-shape of the model problem, refined at random three times."""
    rng = np.random.default_rng(3)
    c = np.array([[0.0, 0], [1, 0], [1, 1], [-1, 1], [-1, -1], [0, -1]]) / 4
    e = np.column_stack([np.arange(6), (np.arange(6) + 1) % 6])
    for _ in range(3):
        c, e, _ = bem2d.bisect(c, e, rng.random(len(e)) < 0.5, ratio=2)
    return c, e


def test_both_hosts_refine_mark_and_estimate_alike():
    c, e = lshape_mesh()
    nE, nC = len(e), len(c)
    rng = np.random.default_rng(5)
    phi, gh, eta = rng.normal(size=nE), rng.normal(size=nC), rng.random(nE)
    marked = np.flatnonzero(rng.random(nE) < 0.3)
    c2, e2, parent = bem2d.bisect(c, e, marked, ratio=2)
    fine_phi, fine_g = rng.normal(size=2 * nE), rng.normal(size=nC + nE)
    dg = lambda x, t: np.cos(3 * x[:, 0]) * t[:, 0] + x[:, 1] * t[:, 1]
    dn = lambda x, n: np.sin(5 * x[:, 1]) * n[:, 0]
    v = np.array([[0.0, 0], [1, 0], [1, 1], [0, 1]]) / 2
    osc_n, phih = bem2d.neumann_oscillation(c, e, dn)
    python = {
        "c2": c2, "e2": e2 + 1, "p2": parent + 1, "M": bem2d.dorfler(eta, 0.4) + 1,
        "h": bem2d.element_lengths(c, e), "n": bem2d.element_normals(c, e)[0],
        "K": bem2d.mass_matrix(c, e, "hats").toarray(),
        "g2": bem2d.prolong_nodal(gh, e, e2, parent),
        "rs": bem2d.symm_residual(c, e, phi, gh), "rh": bem2d.hyp_residual(c, e, gh, phi),
        "hs": bem2d.symm_hh2(c, e, fine_phi), "hh": bem2d.hyp_hh2(c, e, fine_g),
        "od": bem2d.dirichlet_oscillation(c, e, dg), "on": osc_n, "ph": phih,
        "E": np.array(bem2d.cauchy_energies(v, lambda x: np.exp(x[:, 0]) * np.sin(x[:, 1]),
                                            lambda x, n: np.exp(x[:, 0]) * (
                                                np.sin(x[:, 1]) * n[:, 0]
                                                + np.cos(x[:, 1]) * n[:, 1]))),
    }
    mex = octave(
        "e = e + 1; marked = marked + 1;"
        " [c2, e2, p2] = bisect(c, e, marked, 'ratio', 2); M = dorfler(eta, 0.4);"
        " h = element_lengths(c, e); n = element_normals(c, e); K = full(mass_matrix(c, e, 'hats'));"
        " g2 = prolong_nodal(gh, e, e2, p2);"
        " rs = symm_residual(c, e, phi, gh); rh = hyp_residual(c, e, gh, phi);"
        " hs = symm_hh2(c, e, fine_phi); hh = hyp_hh2(c, e, fine_g);"
        " od = dirichlet_oscillation(c, e, @(x, t) cos(3*x(:,1)).*t(:,1) + x(:,2).*t(:,2));"
        " [on, ph] = neumann_oscillation(c, e, @(x, n) sin(5*x(:,2)).*n(:,1));"
        " [a, b, d, q] = cauchy_energies(v, @(x) exp(x(:,1)).*sin(x(:,2)),"
        "   @(x, n) exp(x(:,1)).*(sin(x(:,2)).*n(:,1) + cos(x(:,2)).*n(:,2))); E = [a b d q];",
        dict(c=c, e=e, marked=marked[:, None], eta=eta[:, None], phi=phi[:, None],
             gh=gh[:, None], fine_phi=fine_phi[:, None], fine_g=fine_g[:, None], v=v),
        python)
    exact = ("c2", "e2", "p2", "M", "h", "n", "K", "g2", "hs", "hh")
    for name, value in python.items():
        value = np.asarray(value, dtype=np.float64).reshape(mex[name].shape)
        if name in exact:
            np.testing.assert_array_equal(value, mex[name], err_msg=name)
        else:
            # Gauss nodes from two eigenvalue solvers differ in the last bits,
            # which the kernels amplify at most by the conditioning of the
            # logarithms near element ends: 1e-12 relative.
            np.testing.assert_allclose(value, mex[name], rtol=1e-12, atol=1e-12 * abs(value).max(),
                                       err_msg=name)


def test_both_hosts_run_the_same_adaptive_levels():
    levels, final = bem2d.bem2d_adaptive("hyp", geometry="slit", elements=80)
    mex = octave("L = bem2d_adaptive('hyp', 'geometry', 'slit', 'elements', 80);"
                 " N = [L.elements]; err = [L.error]; est = [L.estimator];", {},
                 dict(N=0, err=0, est=0))
    assert [l["elements"] for l in levels] == mex["N"].ravel().astype(int).tolist()
    for key, name in (("error", "err"), ("estimator", "est")):
        np.testing.assert_allclose([l[key] for l in levels], mex[name].ravel(), rtol=1e-9)
    assert final["elements"].shape == (levels[-1]["elements"], 2)


@pytest.mark.parametrize("call, exception, text", [
    (lambda: bem2d.bisect(np.zeros((2, 2)), np.array([[0, 2]]), [0]), ValueError,
     "elements[0, 1] = 2 is not a row number"),
    (lambda: bem2d.bisect(np.zeros((2, 2)), np.array([[0, 1]]), [1]), ValueError,
     "marked must be"),
    (lambda: bem2d.bisect(np.zeros((2, 2)), np.array([[0, 1]]), [0], ratio=1.5), ValueError,
     "ratio must be"),
    (lambda: bem2d.bisect(np.zeros((2, 2), dtype=np.float32), np.array([[0, 1]]), [0]), TypeError,
     "float64"),
    (lambda: bem2d.dorfler([1, -1], 0.5), ValueError, "indicators must be"),
    (lambda: bem2d.dorfler([1, 2], 1.5), ValueError, "theta must be"),
    (lambda: bem2d.mass_matrix(np.zeros((2, 2)), np.array([[0, 1]]), "nodes"), ValueError,
     "pairing must be"),
    (lambda: bem2d.symm_hh2(np.zeros((2, 2)), np.array([[0, 1]]), [1]), ValueError,
     "phi_fine must have at least 2 entries"),
    (lambda: bem2d.bem2d_adaptive("laplace"), ValueError, "problem must be"),
    (lambda: bem2d.bem2d_adaptive("symm", geometry="slit", solution="smooth"), ValueError,
     "'corner' only"),
])
def test_bad_input_raises_with_its_message(call, exception, text):
    with pytest.raises(exception, match=text.replace("[", r"\[").replace("]", r"\]")):
        call()


def test_the_docstrings_examples_run():
    assert doctest.testmod(bem2d.adaptive).failed == 0
