// SPDX-License-Identifier: GPL-3.0-or-later
#include "mqtt/mqtt_link.h"

#include <mosquitto.h>

namespace quintora::net {

namespace {

// The library's global set-up, once for the process.
struct Library {
    Library() { mosquitto_lib_init(); }
    ~Library() { mosquitto_lib_cleanup(); }
};
void use_library() { static Library library; }

}  // namespace

std::optional<RoomAddress> parse_room_address(std::string_view text) {
    constexpr std::string_view scheme = "mqtt://";
    if (text.substr(0, scheme.size()) != scheme) return std::nullopt;
    text.remove_prefix(scheme.size());
    const auto slash = text.find('/');
    const std::string_view authority = text.substr(0, slash);
    RoomAddress address;
    if (slash != std::string_view::npos) {
        address.room = std::string(text.substr(slash + 1));
        if (!address.room.empty() && !valid_name(address.room)) return std::nullopt;
    }
    const auto colon = authority.rfind(':');
    address.host = std::string(authority.substr(0, colon));
    if (colon != std::string_view::npos) {
        const std::string_view port = authority.substr(colon + 1);
        if (port.empty() || port.size() > 5) return std::nullopt;
        int p = 0;
        for (const char c : port) {
            if (c < '0' || c > '9') return std::nullopt;
            p = p * 10 + (c - '0');
        }
        if (p < 1 || p > 65535) return std::nullopt;
        address.port = p;
    }
    if (address.host.empty() || address.host.find_first_of("/@ ") != std::string::npos) return std::nullopt;
    return address;
}

MqttLink::MqttLink(std::string host, int port, const std::string& client, const std::string& will_topic,
                   const std::string& will)
    : host_(std::move(host)), port_(port) {
    use_library();
    client_ = mosquitto_new(client.c_str(), true, this);
    if (!client_) return;
    mosquitto_int_option(client_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    // A step is small and wanted at once: no waiting to fill a packet.
    mosquitto_int_option(client_, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_will_set(client_, will_topic.c_str(), int(will.size()), will.data(), 1, false);
    // Back-off from one second to eight between tries.
    mosquitto_reconnect_delay_set(client_, 1, 8, true);
    mosquitto_connect_callback_set(client_, on_connect);
    mosquitto_disconnect_callback_set(client_, on_disconnect);
    mosquitto_message_callback_set(client_, on_message);
}

MqttLink::~MqttLink() {
    if (!client_) return;
    if (started_) {
        mosquitto_disconnect(client_);
        mosquitto_loop_stop(client_, true);
    }
    mosquitto_destroy(client_);
}

void MqttLink::abandon() {
    if (!client_) return;
    if (started_) mosquitto_loop_stop(client_, true);
    started_ = false;
    // Destroying the client closes its socket with no DISCONNECT sent.
    mosquitto_destroy(client_);
    client_ = nullptr;
}

bool MqttLink::start() {
    if (!client_) return false;
    // A broker not there yet is no failure: the loop keeps trying.
    mosquitto_connect_async(client_, host_.c_str(), port_, 10);
    started_ = mosquitto_loop_start(client_) == MOSQ_ERR_SUCCESS;
    return started_;
}

bool MqttLink::publish(const std::string& topic, const std::string& payload, bool retain) {
    if (!client_) return false;
    const int rc = mosquitto_publish(client_, nullptr, topic.c_str(), int(payload.size()), payload.data(), 1, retain);
    if (rc != MOSQ_ERR_SUCCESS) return false;
    std::lock_guard lock(mutex_);
    sent_ += payload.size() + topic.size();
    return true;
}

void MqttLink::subscribe(const std::string& topic) {
    if (client_) mosquitto_subscribe(client_, nullptr, topic.c_str(), 1);
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
    if (rc == 0) static_cast<MqttLink*>(self)->queue(Event{Event::connected, {}, {}});
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

std::size_t MqttLink::pump(Room& room) {
    std::deque<Event> events;
    {
        std::lock_guard lock(mutex_);
        events.swap(events_);
    }
    for (const Event& e : events) {
        switch (e.kind) {
            case Event::connected: room.connected(); break;
            case Event::disconnected: room.disconnected(); break;
            case Event::message: room.message(e.topic, e.payload); break;
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

}  // namespace quintora::net
