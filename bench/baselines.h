// The previous implementations of the modules, which the speed table compares
// against: every pair by the module's scalar code, without the lanes' power
// series, as the toolkit first computed them.
#pragma once

#include "mesh.h"
#include "parallel.h"
#include "points.h"

// The field modules on the calling thread, every pair by the module's own
// scalar code (closed form, or the 16-point rule where eta admits it).
void slpfieldScalar(const BoundaryMesh& mesh, const double* chi, const Points& z, double eta,
                    double* out);
void dlpfieldScalar(const BoundaryMesh& mesh, const double* gh, const Points& x, double eta,
                    double* out);
void tdlfieldScalar(const BoundaryMesh& mesh, const double* gh, const Points& x,
                    const Points& n_x, double eta, double* out);
void hypfieldScalar(const BoundaryMesh& mesh, const double* gh, const Points& x,
                    const Points& n_x, double eta, double* out);
void dlpgradfieldScalar(const BoundaryMesh& mesh, const double* gh, const Points& x, double eta,
                        double* out);
// One triangle at a time in closed form, from its edges.
void domfieldScalar(const TriangleMesh& mesh, const double* f, const Points& x, double* out);

// The matrices, every pair by the scalar code: V on one thread below 200
// elements and four from 200 on; W every ordered pair, added into W as each
// column is done, on one thread below 200 and two from 200; K on the calling
// thread.
bool slpmatrixScalar(const BoundaryMesh& mesh, double eta, double* out, RunOptions options);
bool hypmatrixScalar(const BoundaryMesh& mesh, double eta, double* out, RunOptions options);
void dlpmatrixScalar(const BoundaryMesh& mesh, double* out);
