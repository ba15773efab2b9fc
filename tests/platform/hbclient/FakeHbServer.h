#pragma once
// An HBServer of someone else's making, for the client and the wizard: it answers
// each request with the line given for its verb ("BRANCHES <company>" for the
// branches of one company), whatever that holds. It runs on a thread of its own
// on a loopback port below 32768.

#include "platform/hbclient/HbProtocol.h"

#include <QMetaObject>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <gtest/gtest.h>

#include <map>

namespace hbtest {

class FakeHbServer {
public:
    // Answer lines without their LF, by verb; a verb without one is answered "ERR".
    explicit FakeHbServer(std::map<QString, QByteArray> answers) : m_answers(std::move(answers))
    {
        m_thread.start();
        m_server = new QTcpServer;
        m_server->moveToThread(&m_thread);
        QMetaObject::invokeMethod(
            m_server,
            [this] {
                QObject::connect(m_server, &QTcpServer::newConnection, m_server, [this] { Accept(); });
                for (int attempt = 0; attempt < 50 && !m_port; ++attempt) {
                    const auto port = static_cast<quint16>(QRandomGenerator::global()->bounded(20000, 32000));
                    if (m_server->listen(QHostAddress::LocalHost, port))
                        m_port = static_cast<int16_t>(port);
                }
            },
            Qt::BlockingQueuedConnection);
        EXPECT_NE(m_port, 0) << "no free port for the fake HBServer";
    }
    ~FakeHbServer()
    {
        QMetaObject::invokeMethod(m_server, [this] { delete m_server; }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    FakeHbServer(const FakeHbServer&) = delete;
    FakeHbServer& operator=(const FakeHbServer&) = delete;

    int16_t Port() const { return m_port; }

private:
    void Accept()
    {
        while (QTcpSocket* socket = m_server->nextPendingConnection()) {
            QObject::connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QIODevice::readyRead, socket, [this, socket] {
                if (!socket->canReadLine())
                    return;
                QString line = QString::fromUtf8(socket->readLine());
                line.chop(1);
                const QStringList fields = hbprotocol::SplitLine(line);
                QString verb = fields.value(0);
                if (verb == QLatin1String("BRANCHES"))
                    verb += QLatin1Char(' ') + fields.value(3);
                const auto it = m_answers.find(verb);
                socket->write(it == m_answers.end() ? QByteArray("ERR\tnot scripted") : it->second);
                socket->write("\n");
                socket->disconnectFromHost();
            });
        }
    }

    const std::map<QString, QByteArray> m_answers;
    QThread m_thread;
    QTcpServer* m_server = nullptr;
    int16_t m_port = 0;
};

}  // namespace hbtest
