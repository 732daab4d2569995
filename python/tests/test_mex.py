"""Both hosts on the same inputs: every module in Python (0-based int32 node
numbers, row-major arrays) and as a MEX module in Octave (1-based doubles,
column-major) gives the same bits, each host reading its own layout."""
import numpy as np

import bem2d
from support import circle, octave, on_elements


def test_every_module_agrees_with_its_mex_module_bit_for_bit():
    c, e = circle(37, 0.45, np.int32)
    c = c + 0.01 * np.cos(7 * np.arange(37))[:, None]      # no symmetry to hide errors
    rng = np.random.default_rng(7)
    z = np.vstack([rng.uniform(-0.6, 0.6, (40, 2)), c[:3], (c[:3] + c[1:4]) / 2])
    chi = np.cos(np.arange(37.0))
    q = rng.normal(size=z.shape)
    xb, nb = on_elements(c, e, np.arange(0, 37, 4), 0.3)
    vertices = np.array([[0.0, 0], [1, 0], [1, 1], [0, 1], [0.4, 0.6]])
    volumes = np.array([[0, 1, 4], [1, 2, 4], [2, 3, 4], [3, 0, 4]], dtype=np.uint16)
    f = np.array([1.0, -2, 0.5, 3])
    python = {
        "V": bem2d.slpmatrix(c, e), "W": bem2d.hypmatrix(c, e, 0.3), "K": bem2d.dlpmatrix(c, e),
        "G": bem2d.dlpgradfield(c, e, chi, z[:40], 0.4),
        "s": bem2d.slpfield(c, e, chi, z), "d": bem2d.dlpfield(c, e, c[:, 0], z, 0.2),
        "t": bem2d.tdlfield(c, e, chi, z, q), "h": bem2d.hypfield(c, e, c[:, 1] ** 2, xb, nb),
        "S": bem2d.domfield(vertices, volumes, f, z),
    }
    mex = octave("e = e + 1; volumes = volumes + 1;"
                 " V = slpmatrix(c, e); W = hypmatrix(c, e, 0.3); K = dlpmatrix(c, e);"
                 " G = dlpgradfield(c, e, chi, z(1:40,:), 0.4);"
                 " s = slpfield(c, e, chi, z); d = dlpfield(c, e, c(:,1), z, 0.2);"
                 " t = tdlfield(c, e, chi, z, q); h = hypfield(c, e, c(:,2).^2, xb, nb);"
                 " S = domfield(vertices, volumes, f, z);",
                 dict(c=c, e=e, z=z, chi=chi[:, None], q=q, xb=xb, nb=nb, vertices=vertices,
                      volumes=volumes, f=f[:, None]),
                 python)
    for name, value in python.items():
        np.testing.assert_array_equal(value.reshape(mex[name].shape), mex[name], err_msg=name)
