#pragma once

namespace httplib
{
struct Request;
}

// Shuts down the socket `req` arrived on, so the client sees the connection
// close without any reply. httplib offers no handle on the socket, so it is
// found among the process's descriptors by its two addresses.
void dropConnection(const httplib::Request &req);
