// The scripted ICY/HTTP server of the engine tests.
#pragma once

#include "script_server.h"

#include <QByteArray>
#include <QtTest>

class IcyServer : public ScriptServer {
public:
    bool start() {
        return ScriptServer::start("tests/support/icy_server.py", {"--cache", ENGINE_TEST_CACHE},
                                   "PORT (\\d+)", 60000);
    }
    QByteArray url(const char* path, const char* scheme = "http") const {
        return QByteArray(scheme) + "://127.0.0.1:" + captured().toLatin1() + path;
    }
};
