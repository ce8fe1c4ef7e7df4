#pragma once

class Router;
struct StandinState;

namespace MedbitRoutes {
void install(Router &router, StandinState &state);
}
