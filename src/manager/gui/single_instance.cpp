#include "manager/gui/single_instance.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocalSocket>

#include "platform/current_user.h"
#include "platform/private_folder.h"

namespace orvalo {

SingleInstance::SingleInstance() {
    // Both in a folder only this user can enter: in /tmp another user could take the
    // names first and keep every window from starting, or answer in its place.
    const QString folder = QString::fromStdString(privateRuntimeFolder().string());
    const QString name = QStringLiteral("Orvalo-%1").arg(currentUserId());
    name_ = folder + "/" + name + ".socket";
    lock_ = std::make_unique<QLockFile>(folder + "/" + name + ".lock");
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            // The later instance's command line is not used.
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            if (handler_) handler_();
        }
    });
}

bool SingleInstance::claim() {
    // A lock left by a crashed instance is taken over (QLockFile checks its pid).
    if (lock_->tryLock(200)) {
        QLocalServer::removeServer(name_);
        server_.listen(name_);
        return true;
    }
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (socket.waitForConnected(2000)) {
        socket.write(QCoreApplication::arguments().join('\n').toUtf8());
        socket.waitForBytesWritten(1000);
        socket.disconnectFromServer();
    }
    return false;
}

}  // namespace orvalo
