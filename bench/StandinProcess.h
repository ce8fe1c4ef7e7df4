#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

// The stand-in service on a free loopback port, for as long as this object lives. Usage:
//   StandinProcess standin({"--seed", "demo"});
//   if (standin.port() == 0) ... // it did not start
class StandinProcess final
{
public:
    explicit StandinProcess(const QStringList &arguments)
    {
        m_process.start(QStringLiteral(VANTORELLE_STANDIN_PATH),
                        QStringList{QStringLiteral("--port"), QStringLiteral("0")} + arguments);
        if (!m_process.waitForReadyRead(60000))
            return;
        // It announces where it listens on its first line, ending in ":<port>/...".
        const QByteArray line = m_process.readLine().trimmed();
        m_port = line.mid(line.lastIndexOf(':') + 1).split('/').first().toInt();
    }
    ~StandinProcess()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    StandinProcess(const StandinProcess &) = delete;
    StandinProcess &operator=(const StandinProcess &) = delete;

    int port() const { return m_port; }

private:
    QProcess m_process;
    int m_port = 0;
};
