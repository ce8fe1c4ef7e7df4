#pragma once

class Router;
struct StandinState;

// The stored conversations: a patient's list of channels, one channel's messages, and the undo of a
// channel's last question and answer.
namespace ChannelRoutes
{
void install(Router &router, StandinState &state);
}
