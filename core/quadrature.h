// Gauss-Legendre rules on the reference interval [-1, 1].
#pragma once

// Points of the rule of the given order, in ascending order (the most negative
// first), or null unless order is 2, 4, 8, 16 or 32. The table is static and
// read-only; read exactly `order` entries.
const double* gaussPoints(int order);

// Weights belonging to gaussPoints(order), or null for an unsupported order.
const double* gaussWeights(int order);
