#include "ui/backend.h"

#include <stdexcept>

namespace tov::ui {

namespace {
Backend* g_backend = nullptr;
}  // namespace

void installBackend(Backend* backend) { g_backend = backend; }

bool hasBackend() { return g_backend != nullptr; }

Backend& backend() {
  // Every window is made after the program's entry installed the backend; one made before is
  // a fault of the program.
  if (!g_backend) throw std::logic_error("no windowing backend is installed");
  return *g_backend;
}

}  // namespace tov::ui
