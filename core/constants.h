// The constants of the formulas, written once. Every one is the double
// nearest to its value; 2 pi and pi / 2 are pi scaled by a power of two, so
// they are exact multiples of kPi.
#pragma once

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;       // 2 pi: G = -log|x - y| / kTwoPi
constexpr double kHalfPi = 1.5707963267948966;     // pi / 2
constexpr double kInvEightPi = 0.039788735772973836;  // 1 / (8 pi)
constexpr double kLn2OverTwoPi = 0.1103178000763258;  // log(2) / (2 pi)
