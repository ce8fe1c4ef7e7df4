#pragma once

class Router;
struct StandinState;

// The document import: the analysis upload with its event stream, translation of the suggestions, storing
// the analysed files as documents and creating the reviewed entries in one batch.
namespace ImportRoutes
{

void install(Router &router, StandinState &state);

} // namespace ImportRoutes
