// The engine of a build without the compressed operators
// (-DBEM2D_USE_HMAT=OFF, or hmat-oss not found): every call says so.
#include "engine.h"

namespace {
const char* const kNotBuilt = "this build of bem2d has no compressed operators";
}

EngineStatus engineBuild(const EngineSetup&, EngineMatrix**, std::string* message) {
  *message = kNotBuilt;
  return EngineStatus::Failed;
}

void engineRelease(EngineMatrix*) {}

EngineStatus engineApply(EngineMatrix*, bool, const double*, double*, std::ptrdiff_t,
                         std::string* message) {
  *message = kNotBuilt;
  return EngineStatus::Failed;
}

EngineStatus engineFactorize(EngineMatrix*, bool, const EngineSetup&, EngineMatrix**,
                             std::string* message) {
  *message = kNotBuilt;
  return EngineStatus::Failed;
}

EngineStatus engineSolve(EngineMatrix*, double*, std::ptrdiff_t, std::string* message) {
  *message = kNotBuilt;
  return EngineStatus::Failed;
}

std::size_t engineBytes(EngineMatrix*) { return 0; }

const char* engineName() { return nullptr; }
