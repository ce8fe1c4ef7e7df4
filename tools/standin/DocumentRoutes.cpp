#include "DocumentRoutes.h"

void DocumentRoutes::install(Router &, StandinState &) {}
