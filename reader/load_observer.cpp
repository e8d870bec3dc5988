#include "reader/load_observer.h"

#include "reader/load_state.h"

const LoadObserver* loadObserver = nullptr;

void observeLoad(const LoadObserver* observer) {
  loadObserver = observer;
  if (observer != nullptr) {
    observeDiagnostics(observer->diagnostic, observer->context);
  } else {
    observeDiagnostics(nullptr, nullptr);
  }
}
