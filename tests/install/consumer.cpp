// The unit square through the installed library: V's diagonal is
// L^2 (3/2 - log L) / (2 pi) = 3 / (4 pi) for sides of length 1, and a tile
// of a prepared mesh equals the matrix.
#include <bem2d.h>

#include <cmath>
#include <cstdio>

int main() {
  const double coordinates[8] = {0, 1, 1, 0, 0, 0, 1, 1};  // column-major, 4 nodes
  const std::int32_t elements[8] = {0, 1, 2, 3, 1, 2, 3, 0};
  const bem2d::Mesh caller = {columnMajor(coordinates, 4),
                              {elements, bem2d::IndexType::Int32, 4, 1, 4, 0}};
  bem2d::PreparedMesh mesh;
  bem2d::IndexFault fault;
  if (!bem2d::prepare(caller, &mesh, &fault)) return 1;
  double V[16], T[2];
  const std::int64_t rows[2] = {2, 0}, cols[1] = {2};
  if (!bem2d::slpmatrix(mesh, 0.5, V) || !bem2d::slpmatrixTile(mesh, 0.5, rows, 2, cols, 1, T, 2)) {
    return 2;
  }
  const double diagonal = 3 / (4 * 3.141592653589793);
  for (int i = 0; i < 4; ++i) {
    if (std::fabs(V[i + 4 * i] - diagonal) > 1e-15) return 3;
  }
  if (T[0] != V[2 + 4 * 2] || T[1] != V[0 + 4 * 2]) return 4;
  std::printf("bem2d consumer: V(1,1) = %.17g\n", V[0]);
  return 0;
}
