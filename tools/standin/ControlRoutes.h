#pragma once

namespace httplib
{
class Server;
}
class FaultBook;
class RequestLog;
struct StandinState;

// The test controls under /_standin/; they are neither logged nor faulted.
namespace ControlRoutes
{
void install(httplib::Server &server, StandinState &state, RequestLog &log, FaultBook &faults);
}
