// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a room reaches its broker, both ways: the room publishes and
// subscribes through a Transport, and the transport hands what it hears to
// the one listener it was given, on the game's thread. The desktop's
// libmosquitto link, the page's MQTT client and the tests' in-memory broker
// only translate their own events into these calls.

#include <string>
#include <string_view>

namespace quintora::net {

class TransportListener {
public:
    virtual ~TransportListener() = default;
    virtual void connected() = 0;
    virtual void disconnected() = 0;
    virtual void message(std::string_view topic, std::string_view payload) = 0;
};

class Transport {
public:
    virtual ~Transport() = default;
    // False when the message could not be handed over (not connected).
    virtual bool publish(const std::string& topic, const std::string& payload, bool retain) = 0;
    virtual void subscribe(const std::string& topic) = 0;
    // What the broker is to publish should this machine vanish without a
    // word; given before the transport first connects.
    virtual void will(const std::string& topic, const std::string& payload) = 0;
    // Who hears this transport's events from now on (nobody: nullptr).
    void listen(TransportListener* listener) { listener_ = listener; }

protected:
    TransportListener* listener() const { return listener_; }

private:
    TransportListener* listener_ = nullptr;
};

}  // namespace quintora::net
