#pragma once

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

namespace vorel::test {

// Points this process's sound server at a socket that does not exist, and forbids starting one
// on demand. Call before Qt first looks for a server; keep `nowhere` alive as long as the process.
inline void useNoSoundServer(const QTemporaryDir& nowhere) {
    const QByteArray server = "unix:" + nowhere.filePath("no-such-socket").toLocal8Bit();
    setenv("PULSE_SERVER", server.constData(), 1);
    QFile config(nowhere.filePath("client.conf"));
    if (config.open(QIODevice::WriteOnly))
        config.write("autospawn = no\n");
    config.close();
    setenv("PULSE_CLIENTCONFIG", config.fileName().toLocal8Bit().constData(), 1);
}

} // namespace vorel::test
