// SPDX-License-Identifier: GPL-3.0-or-later
#include "mqtt/mqtt_link.h"

#include <dlfcn.h>
#include <mosquitto.h>

#include <algorithm>
#include <type_traits>

#include "net/protocol.h"

namespace quintora::net {

namespace {

// libmosquitto is opened when a room is first joined, not with the program:
// a game alone never maps it, nor the TLS libraries it brings along.
struct Api {
    int (*lib_init)();
    int (*lib_cleanup)();
    mosquitto* (*new_)(const char*, bool, void*);
    int (*reinitialise)(mosquitto*, const char*, bool, void*);
    void (*destroy)(mosquitto*);
    int (*threaded_set)(mosquitto*, bool);
    int (*int_option)(mosquitto*, mosq_opt_t, int);
    int (*will_set)(mosquitto*, const char*, int, const void*, int, bool);
    int (*username_pw_set)(mosquitto*, const char*, const char*);
    void (*connect_callback_set)(mosquitto*, void (*)(mosquitto*, void*, int));
    void (*disconnect_callback_set)(mosquitto*, void (*)(mosquitto*, void*, int));
    void (*message_callback_set)(mosquitto*, void (*)(mosquitto*, void*, const mosquitto_message*));
    int (*tls_set)(mosquitto*, const char*, const char*, const char*, const char*,
                   int (*)(char*, int, int, void*));
    int (*connect_async)(mosquitto*, const char*, int, int);
    int (*disconnect)(mosquitto*);
    int (*loop)(mosquitto*, int, int);
    int (*publish)(mosquitto*, int*, const char*, int, const void*, int, bool);
    int (*subscribe)(mosquitto*, int*, const char*, int);
};

// The library's entry points and its global set-up, once for the process;
// nothing when it cannot be opened.
const Api* api() {
    static const Api* const loaded = []() -> const Api* {
        void* library = dlopen("libmosquitto.so.1", RTLD_NOW | RTLD_LOCAL);
        if (!library) return nullptr;
        static Api a;
        bool all = true;
        const auto take = [&](auto& entry, const char* name) {
            entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(dlsym(library, name));
            all = all && entry != nullptr;
        };
        take(a.lib_init, "mosquitto_lib_init");
        take(a.lib_cleanup, "mosquitto_lib_cleanup");
        take(a.new_, "mosquitto_new");
        take(a.reinitialise, "mosquitto_reinitialise");
        take(a.destroy, "mosquitto_destroy");
        take(a.threaded_set, "mosquitto_threaded_set");
        take(a.int_option, "mosquitto_int_option");
        take(a.will_set, "mosquitto_will_set");
        take(a.username_pw_set, "mosquitto_username_pw_set");
        take(a.connect_callback_set, "mosquitto_connect_callback_set");
        take(a.disconnect_callback_set, "mosquitto_disconnect_callback_set");
        take(a.message_callback_set, "mosquitto_message_callback_set");
        take(a.tls_set, "mosquitto_tls_set");
        take(a.connect_async, "mosquitto_connect_async");
        take(a.disconnect, "mosquitto_disconnect");
        take(a.loop, "mosquitto_loop");
        take(a.publish, "mosquitto_publish");
        take(a.subscribe, "mosquitto_subscribe");
        if (!all) return nullptr;
        a.lib_init();
        return &a;
    }();
    return loaded;
}

}  // namespace

namespace {

std::optional<int> parse_port(std::string_view port) {
    if (port.empty() || port.size() > 5) return std::nullopt;
    int p = 0;
    for (const char c : port) {
        if (c < '0' || c > '9') return std::nullopt;
        p = p * 10 + (c - '0');
    }
    if (p < 1 || p > 65535) return std::nullopt;
    return p;
}

}  // namespace

std::optional<RoomAddress> parse_room_address(std::string_view text) {
    RoomAddress address;
    if (text.starts_with("mqtts://")) {
        address.tls = true;
        address.port = 8883;
        text.remove_prefix(8);
    } else if (text.starts_with("mqtt://")) {
        text.remove_prefix(7);
    } else {
        return std::nullopt;
    }
    if (const auto query = text.find('?'); query != std::string_view::npos) {
        const std::string_view option = text.substr(query + 1);
        text = text.substr(0, query);
        if (!address.tls || !option.starts_with("ca=") || option.size() == 3) return std::nullopt;
        address.ca_file = std::string(option.substr(3));
    }
    const auto slash = text.find('/');
    std::string_view authority = text.substr(0, slash);
    if (slash != std::string_view::npos) {
        address.room = std::string(text.substr(slash + 1));
        if (!address.room.empty() && !valid_name(address.room)) return std::nullopt;
    }
    const int default_port = address.port;
    while (true) {
        const auto comma = authority.find(',');
        const std::string_view one = authority.substr(0, comma);
        BrokerEndpoint broker{std::string(one), default_port};
        if (const auto colon = one.rfind(':'); colon != std::string_view::npos) {
            const auto port = parse_port(one.substr(colon + 1));
            if (!port) return std::nullopt;
            broker = BrokerEndpoint{std::string(one.substr(0, colon)), *port};
        }
        if (broker.host.empty() || broker.host.find_first_of("/@ ?") != std::string::npos) return std::nullopt;
        address.brokers.push_back(std::move(broker));
        if (comma == std::string_view::npos) break;
        authority.remove_prefix(comma + 1);
    }
    address.host = address.brokers.front().host;
    address.port = address.brokers.front().port;
    return address;
}

LinkOptions link_options(const RoomAddress& address, const std::string& room) {
    LinkOptions options;
    options.brokers = address.brokers;
    if (options.brokers.empty()) options.brokers.push_back(BrokerEndpoint{address.host, address.port});
    std::rotate(options.brokers.begin(),
                options.brokers.begin() + long(first_broker(room, options.brokers.size())), options.brokers.end());
    options.tls = address.tls;
    options.ca_file = address.ca_file;
    options.username = room;
    options.password = room;
    return options;
}

MqttLink::MqttLink(std::string host, int port, const std::string& client, const std::string& will_topic,
                   const std::string& will)
    : MqttLink(LinkOptions{{BrokerEndpoint{std::move(host), port}}, false, {}, {}, {}}, client, will_topic, will) {}

MqttLink::MqttLink(LinkOptions options, const std::string& client, const std::string& will_topic,
                   const std::string& will)
    : options_(std::move(options)), client_name_(client), will_topic_(will_topic), will_(will) {
    if (options_.brokers.empty() || !api()) return;
    client_ = api()->new_(client_id(0).c_str(), true, this);
    if (client_) configure();
}

std::string MqttLink::client_id(std::size_t index) const {
    return index == 0 ? client_name_ : client_name_ + "-" + std::to_string(index);
}

void MqttLink::configure() {
    // Published to from the game's thread while the network thread reads.
    api()->threaded_set(client_, true);
    api()->int_option(client_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    // A step is small and wanted at once: no waiting to fill a packet.
    api()->int_option(client_, MOSQ_OPT_TCP_NODELAY, 1);
    api()->will_set(client_, will_topic_.c_str(), int(will_.size()), will_.data(), 1, false);
    if (!options_.username.empty())
        api()->username_pw_set(client_, options_.username.c_str(),
                                  options_.password.empty() ? nullptr : options_.password.c_str());
    api()->connect_callback_set(client_, on_connect);
    api()->disconnect_callback_set(client_, on_disconnect);
    api()->message_callback_set(client_, on_message);
}

bool MqttLink::set_tls() {
    if (!options_.tls) return true;
    // The broker's certificate is checked, its name too: against the
    // given authorities, or the system's.
    const int rc = options_.ca_file.empty()
                       ? api()->int_option(client_, MOSQ_OPT_TLS_USE_OS_CERTS, 1)
                       : api()->tls_set(client_, options_.ca_file.c_str(), nullptr, nullptr, nullptr, nullptr);
    return rc == MOSQ_ERR_SUCCESS;
}

MqttLink::~MqttLink() {
    if (!client_) return;
    if (started_) {
        stop_thread();
        // The network thread is gone: the DISCONNECT is sent from here, so
        // that the broker drops this machine's will.
        if (api()->disconnect(client_) == MOSQ_ERR_SUCCESS) api()->loop(client_, 100, 1);
    }
    api()->destroy(client_);
}

void MqttLink::stop_thread() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    stopping_.notify_all();
    if (thread_.joinable()) thread_.join();
    started_ = false;
}

void MqttLink::abandon() {
    if (!client_) return;
    if (started_) stop_thread();
    // Destroying the client closes its socket with no DISCONNECT sent.
    api()->destroy(client_);
    client_ = nullptr;
}

bool MqttLink::start() {
    if (!client_ || started_) return false;
    if (!set_tls()) return false;
    stop_ = false;
    thread_ = std::thread([this] { run(); });
    started_ = true;
    return true;
}

// The network thread: connect to a broker, run the connection until it is
// lost, then try it once more at once (a broker still there takes the
// session back, with no will published); a broker that refuses or is gone
// is left for the next one, and once every broker refused, for a while,
// from a quarter of a second up to eight.
void MqttLink::run() {
    auto delay = std::chrono::milliseconds(250);
    std::size_t refused_in_a_row = 0;
    while (true) {
        BrokerEndpoint broker;
        std::size_t index;
        {
            std::lock_guard lock(mutex_);
            if (stop_) return;
            index = index_;
            broker = options_.brokers[index];
        }
        if (index != id_index_) {
            std::lock_guard lock(client_mutex_);
            api()->reinitialise(client_, client_id(index).c_str(), true, this);
            configure();
            set_tls();
            id_index_ = index;
        }
        // A broker not there yet is no failure: the next one is tried. The
        // connection is made without blocking (the loop finishes it), so
        // that a stop never waits for a host that does not answer.
        if (api()->connect_async(client_, broker.host.c_str(), broker.port, 10) == MOSQ_ERR_SUCCESS) {
            int rc = MOSQ_ERR_SUCCESS;
            while (rc == MOSQ_ERR_SUCCESS) {
                {
                    std::lock_guard lock(mutex_);
                    if (stop_) return;
                }
                rc = api()->loop(client_, 100, 1);
            }
        }
        std::unique_lock lock(mutex_);
        if (stop_) return;
        const bool was_connected = connections_counted_;
        connections_counted_ = false;
        if (was_connected) {
            refused_in_a_row = 0;
            delay = std::chrono::milliseconds(250);
            continue;
        }
        index_ = (index_ + 1) % options_.brokers.size();
        if (++refused_in_a_row >= options_.brokers.size()) {
            refused_in_a_row = 0;
            stopping_.wait_for(lock, delay, [this] { return stop_; });
            delay = std::min(delay * 2, std::chrono::milliseconds(8000));
        } else {
            stopping_.wait_for(lock, std::chrono::milliseconds(50), [this] { return stop_; });
        }
    }
}

bool MqttLink::publish(const std::string& topic, const std::string& payload, bool retain) {
    std::lock_guard client_lock(client_mutex_);
    if (!client_) return false;
    const int rc = api()->publish(client_, nullptr, topic.c_str(), int(payload.size()), payload.data(), 1, retain);
    if (rc != MOSQ_ERR_SUCCESS) return false;
    std::lock_guard lock(mutex_);
    sent_ += payload.size() + topic.size();
    return true;
}

void MqttLink::will(const std::string& topic, const std::string& payload) {
    std::lock_guard client_lock(client_mutex_);
    will_topic_ = topic;
    will_ = payload;
    if (client_) api()->will_set(client_, will_topic_.c_str(), int(will_.size()), will_.data(), 1, false);
}

void MqttLink::subscribe(const std::string& topic) {
    std::lock_guard client_lock(client_mutex_);
    if (client_) api()->subscribe(client_, nullptr, topic.c_str(), 1);
}

void MqttLink::queue(Event e) {
    {
        std::lock_guard lock(mutex_);
        if (e.kind == Event::message) received_ += e.topic.size() + e.payload.size();
        events_.push_back(std::move(e));
    }
    heard_.notify_all();
    if (wakeup) wakeup();
}

void MqttLink::on_connect(mosquitto*, void* self, int rc) {
    auto* link = static_cast<MqttLink*>(self);
    if (rc != 0) return;
    {
        std::lock_guard lock(link->mutex_);
        ++link->connections_;
        link->connections_counted_ = true;
    }
    link->queue(Event{Event::connected, {}, {}});
}

void MqttLink::on_disconnect(mosquitto*, void* self, int) {
    static_cast<MqttLink*>(self)->queue(Event{Event::disconnected, {}, {}});
}

void MqttLink::on_message(mosquitto*, void* self, const mosquitto_message* m) {
    // Nothing larger than a whole journal is copied: the room sees only its size.
    const std::size_t size = m->payloadlen > 0 ? std::size_t(m->payloadlen) : 0;
    std::string payload = size > max_journal_message ? std::string(max_journal_message + 1, '\0')
                                                     : std::string(static_cast<const char*>(m->payload), size);
    static_cast<MqttLink*>(self)->queue(Event{Event::message, m->topic ? m->topic : "", std::move(payload)});
}

std::size_t MqttLink::pump() {
    std::deque<Event> events;
    {
        std::lock_guard lock(mutex_);
        events.swap(events_);
    }
    for (const Event& e : events) {
        TransportListener* to = listener();
        if (!to) continue;
        switch (e.kind) {
            case Event::connected: to->connected(); break;
            case Event::disconnected: to->disconnected(); break;
            case Event::message: to->message(e.topic, e.payload); break;
        }
    }
    return events.size();
}

bool MqttLink::wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return heard_.wait_for(lock, timeout, [this] { return !events_.empty(); });
}

std::size_t MqttLink::bytes_sent() const {
    std::lock_guard lock(mutex_);
    return sent_;
}

std::size_t MqttLink::bytes_received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

std::size_t MqttLink::broker_index() const {
    std::lock_guard lock(mutex_);
    return index_;
}

std::size_t MqttLink::connections() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

}  // namespace quintora::net
