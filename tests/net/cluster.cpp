// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/cluster.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
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

namespace fs = std::filesystem;

namespace {

sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

bool takes_connections(int port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(port);
    const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return ok;
}

std::string quoted(const std::string& s) {
    std::string out = "'";
    for (const char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string read_all(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

int free_loopback_port() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(0);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    close(s);
    return ntohs(a.sin_port);
}

TempFolder::TempFolder() {
    std::string templ = (fs::temp_directory_path() / "quintora-locked-XXXXXX").string();
    path = mkdtemp(templ.data());
}

TempFolder::~TempFolder() {
    std::error_code ec;
    fs::remove_all(path, ec);
}

bool make_certificates(const fs::path& dir) {
    const std::string d = quoted(dir.string());
    const std::string script =
        "cd " + d + " && printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\\n' > san.cnf && "
        "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=quintora-test-ca -keyout ca.key -out ca.pem && "
        "openssl req -newkey rsa:2048 -nodes -subj /CN=localhost -keyout server.key -out server.csr && "
        "openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile san.cnf "
        "-out server.pem && chmod 644 server.key";
    return std::system(("(" + script + ") > " + d + "/openssl.log 2>&1").c_str()) == 0;
}

LockedMosquitto::LockedMosquitto(const fs::path& tls_dir) {
    port_ = free_loopback_port();
    std::ofstream conf(dir_.path / "mosquitto.conf");
    conf << "per_listener_settings false\n"
         // Anyone may connect: what a client may read and write is the
         // lock's business, and a client without a user name may do nothing.
         << "allow_anonymous true\n"
         << "acl_file " << QUINTORA_ROOMS_ACL << "\n"
         << "persistence false\n"
         << "set_tcp_nodelay true\n"
         << "user " << (getpwuid(geteuid()) ? getpwuid(geteuid())->pw_name : "mosquitto") << "\n"
         << "log_dest file " << (dir_.path / "mosquitto.log").string() << "\n"
         << "listener " << port_ << " 127.0.0.1\n";
    if (!tls_dir.empty()) {
        tls_port_ = free_loopback_port();
        conf << "listener " << tls_port_ << " 127.0.0.1\n"
             << "certfile " << (tls_dir / "server.pem").string() << "\n"
             << "keyfile " << (tls_dir / "server.key").string() << "\n";
    }
}

LockedMosquitto::~LockedMosquitto() { stop(); }

bool LockedMosquitto::start() {
    const std::string conf = (dir_.path / "mosquitto.conf").string();
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const std::string out = (dir_.path / "output.log").string();
        if (!freopen(out.c_str(), "w", stdout) || !freopen(out.c_str(), "a", stderr)) _exit(126);
        execl(QUINTORA_MOSQUITTO, QUINTORA_MOSQUITTO, "-c", conf.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        if (takes_connections(port_) && (tls_port_ == 0 || takes_connections(tls_port_))) return true;
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void LockedMosquitto::stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

std::string LockedMosquitto::log() const {
    return read_all(dir_.path / "output.log") + read_all(dir_.path / "mosquitto.log");
}

Cluster::Cluster(const fs::path& tls_dir) : tls_dir_(tls_dir) {}

Cluster::~Cluster() { stop(); }

int Cluster::run(const std::string& what) {
    std::string command = "QUINTORA_CLUSTER_DIR=" + quoted((dir_.path / "cluster").string()) +
                          " QUINTORA_CLUSTER_LIFETIME=600";
    if (!tls_dir_.empty()) command += " QUINTORA_CLUSTER_TLS=" + quoted(tls_dir_.string());
    command += " " + quoted(QUINTORA_BROKER_CLUSTER) + " " + what + " >> " +
               quoted((dir_.path / "script.log").string()) + " 2>&1";
    return std::system(command.c_str());
}

bool Cluster::start() {
    started_ = true;
    if (run("start") != 0) return false;
    std::ifstream in(dir_.path / "cluster" / "nodes");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        Node node;
        std::string name, mqtts, wss;
        fields >> node.number >> name >> node.mqtt >> node.ws >> mqtts >> wss;
        if (mqtts != "-") node.mqtts = std::stoi(mqtts);
        if (wss != "-") node.wss = std::stoi(wss);
        nodes_.push_back(node);
    }
    return nodes_.size() >= 2;
}

bool Cluster::kill(int number) { return run("kill " + std::to_string(number)) == 0; }

void Cluster::stop() {
    if (!started_) return;
    started_ = false;
    run("stop");
}

std::string Cluster::log() const {
    std::string out = read_all(dir_.path / "script.log");
    for (int n = 1; n <= 3; ++n) {
        const fs::path logs = dir_.path / "cluster" / ("node" + std::to_string(n)) / "log";
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(logs, ec))
            out += "--- " + entry.path().string() + "\n" + read_all(entry.path()).substr(0, 4000);
    }
    return out;
}

}  // namespace quintora::testing
