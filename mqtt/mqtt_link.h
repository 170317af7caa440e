// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The room's transport over MQTT 3.1.1, through libmosquitto. Its network
// thread connects, reconnects with back-off and queues what it hears; the
// game's thread takes the queue and hands it to the transport's listener
// (pump), so that the room and the game are touched from one thread only. Given several brokers
// (the nodes of a cluster), it moves on to the next one when its connection
// is lost or refused; the room's journal lives with the machines, so nothing
// the broker kept is needed on the new node.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "net/transport.h"

struct mosquitto;
struct mosquitto_message;

namespace quintora::net {

struct BrokerEndpoint {
    std::string host;
    int port = 1883;
};

// mqtt://HOST:PORT/ROOM, the room optional; the port 1883 when left out.
// mqtts://HOST:PORT/ROOM is the same over TLS (port 8883 when left out),
// checked against the system's certificate authorities, or against the
// ones in FILE with ?ca=FILE after the room. Several brokers, tried in
// turn: mqtt://HOST1:PORT1,HOST2:PORT2/ROOM.
struct RoomAddress {
    std::string host;  // the first broker
    int port = 1883;
    std::string room;  // empty: a new room
    bool tls = false;
    std::string ca_file;
    std::vector<BrokerEndpoint> brokers;  // every broker, the first one first
};
std::optional<RoomAddress> parse_room_address(std::string_view text);

// How a link reaches its brokers and who it says it is.
struct LinkOptions {
    std::vector<BrokerEndpoint> brokers;
    bool tls = false;
    std::string ca_file;  // empty: the system's certificate authorities
    // The broker's access control lets a client into one room only: the
    // one its user name names. A password is sent too, since some brokers
    // take no user name without one; it is the room's name again.
    std::string username, password;
};
// The link for a room at `address`, in the room `room`. Given several
// brokers, every machine of a room starts at the same one, picked by the
// room's name (`first_broker`), and moves on in the order given: a room's
// machines meet on one node and fail over together, and the rooms spread
// evenly over the nodes.
LinkOptions link_options(const RoomAddress& address, const std::string& room);

class MqttLink : public Transport {
public:
    // `will`: published by the broker on `will_topic` should this machine vanish.
    MqttLink(std::string host, int port, const std::string& client, const std::string& will_topic,
             const std::string& will);
    MqttLink(LinkOptions options, const std::string& client, const std::string& will_topic, const std::string& will);
    ~MqttLink() override;
    MqttLink(const MqttLink&) = delete;
    MqttLink& operator=(const MqttLink&) = delete;

    // Starts connecting; false when the client could not be made at all
    // (or its TLS settings were refused).
    bool start();

    bool publish(const std::string& topic, const std::string& payload, bool retain) override;
    void subscribe(const std::string& topic) override;
    void will(const std::string& topic, const std::string& payload) override;

    // Ends the connection without a word to the broker, as a crash would:
    // the broker then publishes this machine's will.
    void abandon();

    // Hands what was heard to the listener, in order; the number of events.
    std::size_t pump();
    // Waits until something was heard or `timeout` passed.
    bool wait(std::chrono::milliseconds timeout);
    // Called on the network thread whenever something is queued.
    std::function<void()> wakeup;

    // The bytes sent and received, for measuring.
    std::size_t bytes_sent() const;
    std::size_t bytes_received() const;
    // The broker it is connected to or trying now (an index of the brokers),
    // and how many times it connected.
    std::size_t broker_index() const;
    std::size_t connections() const;

private:
    struct Event {
        enum Kind { connected, disconnected, message } kind;
        std::string topic, payload;
    };
    void queue(Event e);
    static void on_connect(mosquitto*, void* self, int rc);
    static void on_disconnect(mosquitto*, void* self, int rc);
    static void on_message(mosquitto*, void* self, const mosquitto_message* m);

    void run();
    void stop_thread();
    void configure();
    bool set_tls();
    // The MQTT client id on broker `index`: the machine's name on the
    // first, with the index after it on the others, since a RabbitMQ node
    // that went down keeps the subscription queue of the name it had.
    std::string client_id(std::size_t index) const;

    LinkOptions options_;
    std::string client_name_, will_topic_, will_;
    std::size_t id_index_ = 0;  // the broker the client's id is for
    mosquitto* client_ = nullptr;
    std::mutex client_mutex_;  // held while the client is made anew
    bool started_ = false;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable heard_, stopping_;
    bool stop_ = false;
    std::deque<Event> events_;
    std::size_t sent_ = 0, received_ = 0;
    std::size_t index_ = 0, connections_ = 0;
    bool connections_counted_ = false;  // CONNACK came on the present try
};

}  // namespace quintora::net
