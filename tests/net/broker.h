// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A mosquitto of the test's own: on 127.0.0.1, on a port free when it was
// chosen, with its config and log in a folder of its own, and stopped when
// the test is done. Never any other address.

#include <filesystem>
#include <string>
#include <sys/types.h>

namespace quintora::testing {

class Broker {
public:
    Broker();
    ~Broker();
    Broker(const Broker&) = delete;
    Broker& operator=(const Broker&) = delete;

    int port() const { return port_; }
    // Starts it and waits until it takes connections; false when it did not in time.
    bool start();
    // Ends it at once, as a crash would (SIGKILL), and waits for it.
    void kill();
    // Ends it as asked to (SIGTERM), and waits for it.
    void stop();
    std::string log() const;

private:
    std::filesystem::path dir_;
    int port_ = 0;
    pid_t pid_ = -1;
};

}  // namespace quintora::testing
