#pragma once

#include "NetworkReplyPtr.h"

class ReplyMonitor;

// A request on its way: the reply, owned by the coroutine that sent it, and the monitor that watches it
// (a child of the reply, so it goes with it).
struct MonitoredReply {
    NetworkReplyPtr reply;
    ReplyMonitor *monitor = nullptr;
};
