#pragma once

class Router;
struct StandinState;

// Sign-in, token refresh, registration, sign-out, password change and reset.
namespace AuthRoutes
{
void install(Router &router, StandinState &state);
}
