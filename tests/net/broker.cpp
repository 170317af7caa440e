// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/broker.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <netinet/in.h>
#include <pwd.h>
#include <sstream>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quintora::testing {

namespace {

sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// A port of 127.0.0.1 that nothing listens on now.
int free_port() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(0);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    close(s);
    return ntohs(a.sin_port);
}

bool takes_connections(int port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(port);
    const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return ok;
}

}  // namespace

Broker::Broker() {
    std::string templ = (std::filesystem::temp_directory_path() / "quintora-broker-XXXXXX").string();
    dir_ = mkdtemp(templ.data());
    port_ = free_port();
    std::ofstream conf(dir_ / "mosquitto.conf");
    conf << "listener " << port_ << " 127.0.0.1\n"
         << "allow_anonymous true\n"
         << "persistence false\n"
         << "set_tcp_nodelay true\n"
         // Run as root it would become the user mosquitto, who may not write the log here.
         << "user " << (getpwuid(geteuid()) ? getpwuid(geteuid())->pw_name : "mosquitto") << "\n"
         << "log_dest file " << (dir_ / "mosquitto.log").string() << "\n";
}

Broker::~Broker() {
    stop();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

bool Broker::start() {
    const std::string conf = (dir_ / "mosquitto.conf").string();
    pid_ = fork();
    if (pid_ == 0) {
        // Should the test or benchmark die without stopping it, the broker goes too.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const std::string out = (dir_ / "output.log").string();
        if (!freopen(out.c_str(), "w", stdout) || !freopen(out.c_str(), "a", stderr)) _exit(126);
        execl(QUINTORA_MOSQUITTO, QUINTORA_MOSQUITTO, "-c", conf.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        if (takes_connections(port_)) return true;
        int status;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void Broker::kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

void Broker::stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

std::string Broker::log() const {
    std::stringstream s;
    for (const char* name : {"output.log", "mosquitto.log"}) {
        std::ifstream in(dir_ / name);
        s << in.rdbuf();
    }
    return s.str();
}

}  // namespace quintora::testing
