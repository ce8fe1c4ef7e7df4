#pragma once

class Router;
struct StandinState;

namespace DocumentRoutes {
void install(Router &router, StandinState &state);
}
