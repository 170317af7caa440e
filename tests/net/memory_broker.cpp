// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/memory_broker.h"

#include <algorithm>

namespace quintora::testing {

MemoryBroker::Link::Link(MemoryBroker& broker, std::string will_topic, std::string will)
    : broker_(broker), id_(broker.next_id_++), will_topic_(std::move(will_topic)), will_(std::move(will)) {
    broker_.links_[id_] = this;
}

MemoryBroker::Link::~Link() { broker_.links_.erase(id_); }

bool MemoryBroker::Link::publish(const std::string& topic, const std::string& payload, bool retain) {
    if (!connected_ || !broker_.up_) return false;
    broker_.deliver(topic, payload, retain);
    return true;
}

void MemoryBroker::Link::subscribe(const std::string& topic) {
    if (!connected_ || !broker_.up_) return;
    if (std::find(topics_.begin(), topics_.end(), topic) == topics_.end()) topics_.push_back(topic);
    for (const auto& [t, payload] : broker_.retained_)
        if (matches(topic, t)) broker_.events_.push_back({id_, Event::message, t, payload});
}

void MemoryBroker::Link::connect() {
    wanted_ = true;
    if (broker_.up_ && !connected_) broker_.queue_connection(*this);
}

void MemoryBroker::Link::drop(bool for_good) {
    if (!connected_) return;
    connected_ = false;
    topics_.clear();
    broker_.events_.push_back({id_, Event::disconnected, {}, {}});
    if (!will_topic_.empty()) broker_.deliver(will_topic_, will_, false);
    wanted_ = !for_good;
    if (wanted_) broker_.queue_connection(*this);
}

void MemoryBroker::Link::cut() {
    connected_ = false;
    topics_.clear();
}

void MemoryBroker::Link::restore() {
    broker_.events_.push_back({id_, Event::disconnected, {}, {}});
    if (broker_.up_) broker_.queue_connection(*this);
}

void MemoryBroker::queue_connection(Link& link) {
    // Connected from the moment the broker takes it; the link hears of it in turn.
    link.connected_ = true;
    events_.push_back({link.id_, Event::connected, {}, {}});
}

bool MemoryBroker::matches(const std::string& filter, const std::string& topic) {
    return filter == "#" || filter == topic;
}

void MemoryBroker::deliver(const std::string& topic, const std::string& payload, bool retain) {
    published.emplace_back(topic, payload);
    if (retain) {
        if (payload.empty())
            retained_.erase(topic);
        else
            retained_[topic] = payload;
    }
    for (const auto& [id, link] : links_)
        if (link->connected_)
            for (const auto& filter : link->topics_)
                if (matches(filter, topic)) {
                    events_.push_back({id, Event::message, topic, payload});
                    break;
                }
}

void MemoryBroker::inject(const std::string& topic, const std::string& payload, bool retain) {
    if (up_) deliver(topic, payload, retain);
}

std::size_t MemoryBroker::run(std::size_t limit) {
    std::size_t n = 0;
    while (!events_.empty() && n < limit) {
        Event e = std::move(events_.front());
        events_.pop_front();
        const auto link = links_.find(e.link);
        if (link == links_.end()) continue;
        net::TransportListener* to = link->second->listener();
        ++n;
        if (!to) continue;
        switch (e.kind) {
            case Event::connected: to->connected(); break;
            case Event::disconnected: to->disconnected(); break;
            case Event::message: to->message(e.topic, e.payload); break;
        }
    }
    return n;
}

void MemoryBroker::stop() {
    up_ = false;
    retained_.clear();
    // What was on its way is lost with the broker.
    events_.clear();
    for (const auto& [id, link] : links_) {
        if (!link->connected_) continue;
        link->connected_ = false;
        link->topics_.clear();
        events_.push_back({id, Event::disconnected, {}, {}});
    }
}

void MemoryBroker::start() {
    up_ = true;
    for (const auto& [id, link] : links_)
        if (link->wanted_ && !link->connected_) queue_connection(*link);
}

}  // namespace quintora::testing
