#include "MedbitRoutes.h"

void MedbitRoutes::install(Router &, StandinState &) {}
