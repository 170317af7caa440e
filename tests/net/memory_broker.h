// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A broker in memory for the room's tests: topics (exact, and "#" for
// everything), retained messages, wills, connections lost and a broker that
// stops and starts again, all on the test's one thread. Nothing is delivered
// until the test runs the broker, which hands every event over in the order
// a broker would, so a room's rules run deterministically, in milliseconds.
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "net/transport.h"

namespace quintora::testing {

class MemoryBroker {
public:
    class Link : public net::Transport {
    public:
        // A client of `broker`; `will` goes to `will_topic` should it be lost.
        explicit Link(MemoryBroker& broker, std::string will_topic = {}, std::string will = {});
        ~Link() override;  // leaves with a word: no will
        Link(const Link&) = delete;
        Link& operator=(const Link&) = delete;

        bool publish(const std::string& topic, const std::string& payload, bool retain) override;
        void subscribe(const std::string& topic) override;
        void will(const std::string& topic, const std::string& payload) override {
            will_topic_ = topic;
            will_ = payload;
        }
        // Connects (now, or once the broker is up), and keeps reconnecting.
        void connect();
        // The connection is lost without a word: the broker publishes the
        // will, and the link connects again at once unless `for_good`.
        void drop(bool for_good = false);
        // Cut off without the link hearing of it (a broker node that died
        // with its sessions, no will sent); what is published to it is lost
        // until restore(), which lets it hear that it lost the connection
        // and has it back.
        void cut();
        void restore();
        bool connected() const { return connected_; }

    private:
        friend class MemoryBroker;
        MemoryBroker& broker_;
        std::uint64_t id_;
        std::string will_topic_, will_;
        bool wanted_ = false;
        bool connected_ = false;
        std::vector<std::string> topics_;
    };

    // Hands over what is waiting, and what that brings about, until nothing
    // is left or `limit` events went: the number handed over.
    std::size_t run(std::size_t limit = 1000000);
    // Stops as a broker that is killed: every connection is gone (no will
    // published), and with them the sessions and the retained messages.
    void stop();
    // Starts again: every link that wants a connection gets one.
    void start();
    bool up() const { return up_; }

    // Every message published, in order, as a spy subscribed to "#" saw it.
    std::vector<std::pair<std::string, std::string>> published;
    // Publishes as a client of no room would (a stranger, an attacker).
    void inject(const std::string& topic, const std::string& payload, bool retain = false);

private:
    struct Event {
        std::uint64_t link;
        enum Kind { connected, disconnected, message } kind;
        std::string topic, payload;
    };
    void deliver(const std::string& topic, const std::string& payload, bool retain);
    void queue_connection(Link& link);
    static bool matches(const std::string& filter, const std::string& topic);

    bool up_ = true;
    std::uint64_t next_id_ = 1;
    std::map<std::uint64_t, Link*> links_;
    std::map<std::string, std::string> retained_;
    std::deque<Event> events_;
};

}  // namespace quintora::testing
