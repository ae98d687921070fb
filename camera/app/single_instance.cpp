#include "camera/app/single_instance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>

#include <unistd.h>

namespace lumoset {

namespace {
constexpr int kConnectTimeoutMs = 1000;
constexpr int kAnswerTimeoutMs = 2000;
const QByteArray kActivateRequest = "activate\n";
const QByteArray kActivatedAnswer = "ok\n";
} // namespace

namespace {
// The desktop the program shows on: one program per user and desktop, as a
// window found by its title would be.
QString desktopName()
{
    QString display = qEnvironmentVariable("WAYLAND_DISPLAY", qEnvironmentVariable("DISPLAY"));
    display.replace(QRegularExpression("[^A-Za-z0-9.]"), "_");
    return display;
}
} // namespace

SingleInstance::SingleInstance(const QString& name)
    : serverName_(name + "-" + QString::number(getuid()) + "-" + desktopName())
{
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::forwardToRunningInstance()
{
    QLocalSocket socket;
    socket.connectToServer(serverName_);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    socket.write(kActivateRequest);
    if (!socket.waitForBytesWritten(kAnswerTimeoutMs))
        return false;
    // The answer tells that a live window heard it, not a socket left over.
    while (socket.bytesAvailable() < kActivatedAnswer.size())
        if (!socket.waitForReadyRead(kAnswerTimeoutMs))
            return false;
    return socket.readAll().startsWith(kActivatedAnswer);
}

bool SingleInstance::listen(std::function<void()> onActivate)
{
    onActivate_ = std::move(onActivate);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(serverName_)) {
        // A socket left behind by an instance that died: nobody answered it.
        QLocalServer::removeServer(serverName_);
        if (!server_->listen(serverName_))
            return false;
    }
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (!client->readAll().startsWith(kActivateRequest))
                    return;
                if (onActivate_)
                    onActivate_();
                client->write(kActivatedAnswer);
                client->flush();
            });
        }
    });
    return true;
}

} // namespace lumoset
