// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The room's transport over MQTT 3.1.1, through libmosquitto. Its network
// thread connects, reconnects with back-off and queues what it hears; the
// game's thread takes the queue and hands it to the room (pump), so that the
// room and the game are touched from one thread only.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "net/room.h"

struct mosquitto;
struct mosquitto_message;

namespace quintora::net {

// mqtt://HOST:PORT/ROOM, the room optional; the port 1883 when left out.
struct RoomAddress {
    std::string host;
    int port = 1883;
    std::string room;  // empty: a new room
};
std::optional<RoomAddress> parse_room_address(std::string_view text);

class MqttLink : public Transport {
public:
    // `will`: published by the broker on `will_topic` should this machine vanish.
    MqttLink(std::string host, int port, const std::string& client, const std::string& will_topic,
             const std::string& will);
    ~MqttLink() override;
    MqttLink(const MqttLink&) = delete;
    MqttLink& operator=(const MqttLink&) = delete;

    // Starts connecting; false when the client could not be made at all.
    bool start();

    bool publish(const std::string& topic, const std::string& payload, bool retain) override;
    void subscribe(const std::string& topic) override;

    // Ends the connection without a word to the broker, as a crash would:
    // the broker then publishes this machine's will.
    void abandon();

    // Hands what was heard to `room`, in order; the number of events.
    std::size_t pump(Room& room);
    // Waits until something was heard or `timeout` passed.
    bool wait(std::chrono::milliseconds timeout);
    // Called on the network thread whenever something is queued.
    std::function<void()> wakeup;

    // The bytes sent and received, for measuring.
    std::size_t bytes_sent() const;
    std::size_t bytes_received() const;

private:
    struct Event {
        enum Kind { connected, disconnected, message } kind;
        std::string topic, payload;
    };
    void queue(Event e);
    static void on_connect(mosquitto*, void* self, int rc);
    static void on_disconnect(mosquitto*, void* self, int rc);
    static void on_message(mosquitto*, void* self, const mosquitto_message* m);

    std::string host_;
    int port_;
    mosquitto* client_ = nullptr;
    bool started_ = false;
    mutable std::mutex mutex_;
    std::condition_variable heard_;
    std::deque<Event> events_;
    std::size_t sent_ = 0, received_ = 0;
};

}  // namespace quintora::net
