#include "app/window/handler_boundary.h"

#include "app/core/error_text.h"

namespace app {

void runGuarded(WorkflowHost& host, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const SilentAbortError&) {
    // The operator has already been told, or asked for nothing to be shown.
  } catch (const std::exception& error) {
    host.showErrorBox(errorMessageOf(error));
  } catch (...) {
    // Exceptions must never unwind through Qt's event loop.
    host.showErrorBox(u"Unknown exception");
  }
}

}  // namespace app
