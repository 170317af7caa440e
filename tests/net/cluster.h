// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Brokers of the test's own with the rooms locked: a mosquitto with the
// room lock (net/broker/rooms.acl) and a TLS listener, and a RabbitMQ
// cluster started by scripts/broker-cluster in a folder of the test's own.
// All on 127.0.0.1, all stopped when the test is done (the cluster stops
// itself after a lifetime too, should the test die).

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quintora::testing {

// A certificate authority and a server certificate for 127.0.0.1 and
// localhost, made with openssl: DIR/ca.pem, DIR/server.pem, DIR/server.key.
// False when openssl failed.
bool make_certificates(const std::filesystem::path& dir);

// A folder removed with what it holds when it goes.
struct TempFolder {
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::filesystem::path path;
};

class LockedMosquitto {
public:
    // With `tls_dir` holding the certificates: a TLS listener beside the plain one.
    explicit LockedMosquitto(const std::filesystem::path& tls_dir = {});
    ~LockedMosquitto();
    LockedMosquitto(const LockedMosquitto&) = delete;
    LockedMosquitto& operator=(const LockedMosquitto&) = delete;
    bool start();
    void stop();
    int port() const { return port_; }
    int tls_port() const { return tls_port_; }
    std::string log() const;

private:
    TempFolder dir_;
    int port_ = 0, tls_port_ = 0;
    pid_t pid_ = -1;
};

class Cluster {
public:
    struct Node {
        int number = 0;
        int mqtt = 0, ws = 0, mqtts = 0, wss = 0;
    };
    explicit Cluster(const std::filesystem::path& tls_dir = {});
    ~Cluster();
    Cluster(const Cluster&) = delete;
    Cluster& operator=(const Cluster&) = delete;
    // Starts the nodes and waits until they formed one cluster.
    bool start();
    // Ends node `number` (1..3) at once, as a crash would.
    bool kill(int number);
    void stop();
    const std::vector<Node>& nodes() const { return nodes_; }
    // What the script said, and the nodes' logs.
    std::string log() const;

private:
    int run(const std::string& what);
    TempFolder dir_;
    std::filesystem::path tls_dir_;
    std::vector<Node> nodes_;
    bool started_ = false;
};

// A port of 127.0.0.1 that nothing listens on now.
int free_loopback_port();

}  // namespace quintora::testing
