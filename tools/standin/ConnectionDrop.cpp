#include "ConnectionDrop.h"

#include <QDir>

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

namespace
{

int portOf(const sockaddr_storage &address)
{
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in &>(address).sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6 &>(address).sin6_port);
    return -1;
}

bool isConnection(int fd, int localPort, int remotePort)
{
    struct stat info {
    };
    if (fstat(fd, &info) != 0 || !S_ISSOCK(info.st_mode))
        return false;
    sockaddr_storage local{};
    sockaddr_storage remote{};
    socklen_t localLength = sizeof local;
    socklen_t remoteLength = sizeof remote;
    if (getsockname(fd, reinterpret_cast<sockaddr *>(&local), &localLength) != 0)
        return false;
    if (getpeername(fd, reinterpret_cast<sockaddr *>(&remote), &remoteLength) != 0)
        return false;
    return portOf(local) == localPort && portOf(remote) == remotePort;
}

} // namespace

void dropConnection(const httplib::Request &req)
{
    const QStringList entries = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System);
    for (const QString &entry : entries) {
        bool ok = false;
        const int fd = entry.toInt(&ok);
        if (ok && isConnection(fd, req.local_port, req.remote_port)) {
            shutdown(fd, SHUT_RDWR);
            return;
        }
    }
}
