#include "guikit/Resources.h"

#include <QtGlobal>

void InitXamuResources() {
  // The pictures live in the static GUI library, which the linker would
  // otherwise leave out.
  static const bool done = [] {
    Q_INIT_RESOURCE(xamu);
    return true;
  }();
  (void)done;
}
