// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/room.h"

#include "state/colour.h"

namespace quintora::net {

namespace {

// The whole journal is published, kept by the broker for machines that come
// later, after this many steps; and whenever a machine joins (or asks again,
// having missed steps), so that it finds the game as it is.
constexpr std::uint64_t journal_every = 32;

// A message as a log shows it: its first bytes, printable ones only.
std::string excerpt(std::string_view payload) {
    std::string s;
    for (const unsigned char c : payload.substr(0, 48)) s += (c >= 0x20 && c < 0x7f) ? char(c) : '.';
    if (payload.size() > 48) s += "... (" + std::to_string(payload.size()) + " bytes)";
    return s;
}

bool local_only(CommandKind k) {
    return k == CommandKind::escape || k == CommandKind::SYURYOU || k == CommandKind::ok || k == CommandKind::yes ||
           k == CommandKind::no;
}

}  // namespace

std::string farewell(const RoomSetup& setup) { return message_text(LeaveMessage{setup.client, setup.token}); }

Room::Room(Game& game, RoomDialogs& dialogs, QuietSound& sound, Transport& transport, RoomSetup setup)
    : game_(game), dialogs_(dialogs), sound_(sound), transport_(transport), setup_(std::move(setup)),
      topics_(setup_.room) {
    if (setup_.token.empty()) setup_.token = random_hex128();
    dialogs_.in_room = true;
}

void Room::note(std::string text) {
    notes_.push_back(text);
    if (on_note) on_note(text);
}

void Room::reject(std::string_view what, std::string_view payload) {
    std::string line = "rejected (" + std::string(what) + "): " + excerpt(payload);
    rejections_.push_back(line);
    if (on_note) on_note(line);
}

std::optional<int> Room::colour_to_move() const {
    const GameState& s = game_.state();
    if (s.game_mode == no_game) return std::nullopt;
    const auto colour = Colour::from_code(s.to_move);
    if (!colour) return std::nullopt;
    return colour->index();
}

bool Room::may_press(const std::string& client) const {
    const auto colour = colour_to_move();
    if (!colour) return true;  // no game: the game itself says so
    const std::string& holder = holders_[std::size_t(*colour)];
    return holder.empty() || holder == client;
}

// --- the connection ---------------------------------------------------------

void Room::connected() {
    const bool back = !connected_ && !notes_.empty();
    connected_ = true;
    // After a broker's restart the orderer is back once it says so again.
    orderer_here_ = false;
    transport_.subscribe(topics_.journal);
    transport_.subscribe(topics_.seats);
    transport_.subscribe(topics_.step);
    transport_.subscribe(topics_.orderer);
    transport_.subscribe(topics_.gone);
    if (role_ == Role::orderer) {
        transport_.subscribe(topics_.cmd);
        publish_state();
    } else {
        // A machine that has not found the room yet asks for it as well: a
        // broker of several nodes keeps a retained journal on one node
        // only, but the orderer answers a join wherever it is.
        send_join();
    }
    if (back) note("connection to the room is back");
}

void Room::disconnected() {
    if (!connected_) return;
    connected_ = false;
    note("connection to the room lost; reconnecting");
}

void Room::make() {
    if (role_ != Role::waiting) return;
    role_ = Role::orderer;
    base_ = game_.journal().size();
    position_ = 0;
    holders_ = {};
    for (int i = 0; i < seat_count; ++i)
        if (setup_.seats & (1 << i)) holders_[std::size_t(i)] = setup_.client;
    held_ = setup_.seats;
    members_[setup_.client] = Member{setup_.token, 0};
    orderer_ = setup_.client;
    if (connected_) {
        transport_.subscribe(topics_.cmd);
        publish_state();
    }
}

void Room::message(std::string_view topic, std::string_view payload) {
    if (busy_) {
        pending_.emplace_back(topic, payload);
        return;
    }
    if (topic == topics_.cmd) {
        if (role_ == Role::orderer) from_machine(payload);
    } else if (topic == topics_.step) {
        take_step(payload);
    } else if (topic == topics_.journal) {
        take_journal(payload);
    } else if (topic == topics_.seats) {
        take_seats(payload);
    } else if (topic == topics_.orderer) {
        take_orderer(payload);
    } else if (topic == topics_.gone) {
        take_gone(payload);
    } else {
        reject("another topic", topic);
    }
}

// --- this machine's commands ------------------------------------------------

void Room::local(Command c) {
    if (busy_) {
        game_.refuse();
        return;
    }
    if (local_only(c.kind)) {
        game_.apply(c);
        return;
    }
    if (diverged_) {
        game_.refuse();
        note("refused: this game differs from the room's");
        return;
    }
    if (c.kind == CommandKind::press && !may_press(setup_.client)) {
        game_.refuse();
        return;
    }
    if (role_ == Role::orderer) {
        order(setup_.client, c);
        return;
    }
    if (role_ == Role::waiting || !connected_ || !orderer_here_) {
        game_.refuse();
        note(!connected_ ? "refused: not connected to the room"
             : role_ == Role::waiting ? "refused: the room is not found yet"
                                      : "refused: the machine that orders is not there");
        return;
    }
    const std::string text = message_text(CommandMessage{setup_.client, next_n_, setup_.token, c});
    if (!transport_.publish(topics_.cmd, text, false)) {
        game_.refuse();
        note("refused: the command could not be sent");
        return;
    }
    ++next_n_;
    ++in_flight_;
}

void Room::send_join() {
    if (connected_ && role_ != Role::orderer)
        transport_.publish(topics_.cmd, message_text(JoinMessage{setup_.client, setup_.token, setup_.seats}), false);
}

// --- ordering ---------------------------------------------------------------

void Room::order(const std::string& origin, Command c) {
    busy_ = true;
    dialogs_.show_boxes = origin == setup_.client;
    const std::size_t before = game_.journal().size();
    game_.apply(c);
    dialogs_.show_boxes = true;
    const Journal& journal = game_.journal();
    const std::uint64_t from = before - base_;
    position_ = journal.size() - base_;
    if (connected_) {
        StepMessage step{from, game_.signature(), origin, Journal(journal.begin() + long(before), journal.end())};
        transport_.publish(topics_.step, message_text(step), false);
        if (position_ - journal_published_at_ >= journal_every) publish_journal();
    }
    busy_ = false;
    if (dialogs_.declined) {
        dialogs_.declined = false;
        for (auto& h : holders_)
            if (h == setup_.client) h.clear();
        held_ = 0;
        note("this machine's seats are free; the others play on");
        publish_seats();
    }
    while (!pending_.empty() && !busy_) {
        auto [topic, payload] = pending_.front();
        pending_.pop_front();
        message(topic, payload);
    }
}

void Room::publish_state() {
    // First the word that this machine orders: what follows comes after it.
    if (connected_ && role_ == Role::orderer)
        transport_.publish(topics_.orderer,
                           message_text(OrdererMessage{setup_.client, token_check(setup_.token)}), true);
    publish_journal();
    publish_seats();
}

void Room::publish_journal() {
    if (!connected_ || role_ != Role::orderer) return;
    const Journal& journal = game_.journal();
    JournalMessage whole{game_.signature(), Journal(journal.begin() + long(base_), journal.end())};
    if (transport_.publish(topics_.journal, message_text(whole), true)) journal_published_at_ = position_;
}

void Room::publish_seats() {
    if (!connected_ || role_ != Role::orderer) return;
    SeatsMessage seats;
    seats.holders = holders_;
    transport_.publish(topics_.seats, message_text(seats), true);
}

void Room::from_machine(std::string_view payload) {
    const auto m = parse_to_orderer(payload);
    if (!m) return reject("malformed", payload);
    if (const auto* join = std::get_if<JoinMessage>(&*m)) {
        const auto known = members_.find(join->client);
        if (join->client == setup_.client || (known != members_.end() && known->second.token != join->token))
            return reject("forged machine", payload);
        if (known == members_.end()) members_[join->client] = Member{join->token, 0};
        for (int i = 0; i < seat_count; ++i)
            if ((join->seats & (1 << i)) && holders_[std::size_t(i)].empty())
                holders_[std::size_t(i)] = join->client;
        publish_state();
        return;
    }
    if (const auto* leave = std::get_if<LeaveMessage>(&*m)) {
        const auto known = members_.find(leave->client);
        if (leave->client == setup_.client || known == members_.end() || known->second.token != leave->token)
            return reject("forged leave", payload);
        forget(leave->client);
        return;
    }
    const auto& cmd = std::get<CommandMessage>(*m);
    const auto known = members_.find(cmd.client);
    if (cmd.client == setup_.client || known == members_.end() || known->second.token != cmd.token)
        return reject("unknown machine or wrong token", payload);
    if (cmd.n <= known->second.last_n) return reject("replayed", payload);
    if (local_only(cmd.command.kind)) return reject("not a room command", payload);
    if (cmd.command.kind == CommandKind::press && !may_press(cmd.client)) return reject("out of turn", payload);
    known->second.last_n = cmd.n;
    order(cmd.client, cmd.command);
}

void Room::forget(const std::string& client) {
    for (auto& h : holders_)
        if (h == client) h.clear();
    members_.erase(client);
    publish_seats();
}

// --- following --------------------------------------------------------------

bool Room::check(std::uint64_t signature, std::string_view where) {
    if (signature == game_.signature()) return true;
    diverged_ = true;
    note("signature mismatch " + std::string(where) + " (step " + std::to_string(position_) +
         "): this machine's game differs from the room's");
    return false;
}

void Room::take_step(std::string_view payload) {
    auto step = parse_step(payload);
    if (!step) return reject("malformed step", payload);
    if (role_ == Role::orderer) {
        // Our own steps come back; anything else is another machine ordering.
        if (step->from + step->commands.size() > position_) reject("step from another machine", payload);
        return;
    }
    if (role_ != Role::follower || diverged_) return;
    if (step->from < position_) return reject("old step", payload);
    // The orderer takes each machine's commands in the order sent: a step of
    // this machine's settles every command it sent before (run, or turned away).
    if (step->origin == setup_.client) in_flight_ = 0;
    if (step->from > position_) {
        // Steps were missed: joining again has the orderer publish the
        // whole journal, which fills the gap. Once, until a journal comes.
        reject("step out of order", payload);
        if (!asked_for_journal_) {
            asked_for_journal_ = true;
            send_join();
        }
        return;
    }
    busy_ = true;
    if (skip_step_for_test != step->from) {
        dialogs_.show_boxes = step->origin == setup_.client;
        for (const Command c : step->commands)
            if (!c.is_answer()) game_.apply(c);
        dialogs_.show_boxes = true;
    }
    position_ = step->from + step->commands.size();
    busy_ = false;
    check(step->signature, "after a step");
    if (dialogs_.declined) {
        dialogs_.declined = false;
        transport_.publish(topics_.cmd, farewell(setup_), false);
        setup_.seats = 0;
        note("this machine's seats are free; the others play on");
    }
    while (!pending_.empty() && !busy_) {
        auto [topic, payload] = pending_.front();
        pending_.pop_front();
        message(topic, payload);
    }
}

void Room::take_journal(std::string_view payload) {
    auto m = parse_journal_message(payload);
    if (!m) return reject("malformed journal", payload);
    if (role_ == Role::orderer || diverged_) return;
    asked_for_journal_ = false;
    const bool first = role_ == Role::waiting;
    role_ = Role::follower;
    if (m->journal.size() > position_) {
        // Caught up with quietly: no waits, no boxes, no sounds.
        busy_ = true;
        sound_.quiet = true;
        const bool fits =
            game_.replay(std::span<const Command>(m->journal).subspan(position_), {});
        sound_.quiet = false;
        busy_ = false;
        position_ = m->journal.size();
        if (!fits) {
            diverged_ = true;
            note("the room's journal does not fit this game");
        } else {
            check(m->signature, "after catching up");
        }
    } else if (m->journal.size() == position_) {
        check(m->signature, "on the room's journal");
    }
    // A shorter journal is one published before the steps this machine has run.
    if (first) send_join();
}

void Room::take_seats(std::string_view payload) {
    const auto m = parse_seats(payload);
    if (!m) return reject("malformed seats", payload);
    if (role_ == Role::orderer) return;
    holders_ = m->holders;
    held_ = 0;
    bool wanted_free = false;
    for (int i = 0; i < seat_count; ++i) {
        if (holders_[std::size_t(i)] == setup_.client) held_ |= Seats(1 << i);
        if ((setup_.seats & (1 << i)) && holders_[std::size_t(i)].empty()) wanted_free = true;
    }
    if (wanted_free) send_join();
}

void Room::take_orderer(std::string_view payload) {
    const auto m = parse_orderer(payload);
    if (!m) return reject("malformed orderer", payload);
    if (role_ == Role::orderer) {
        if (m->client == setup_.client) return;
        // Two machines found the room empty and made it at the same moment:
        // the one whose name sorts first orders, the other follows it, as
        // long as it has run nothing and no machine has joined it yet.
        if (m->client < setup_.client && position_ == 0 && members_.size() == 1) return step_down(*m);
        reject("another orderer", payload);
        if (setup_.client < m->client) publish_state();
        return;
    }
    if (!orderer_.empty() && orderer_ != m->client) return reject("another orderer", payload);
    orderer_ = m->client;
    orderer_check_ = m->check;
    orderer_here_ = true;
    if (orderer_lost_) {
        // A new orderer knows no machine's token yet: join it.
        orderer_lost_ = false;
        send_join();
    }
}

void Room::take_gone(std::string_view payload) {
    const auto m = parse_leave(payload);
    if (!m) return reject("malformed will", payload);
    if (role_ == Role::orderer) {
        // A machine that vanished: its seats are free. One that left with a
        // word before is forgotten already.
        const auto known = members_.find(m->client);
        if (m->client != setup_.client && known != members_.end() && known->second.token == m->token)
            forget(m->client);
        return;
    }
    if (m->client != orderer_ || orderer_.empty()) return;
    if (token_check(m->token) != orderer_check_) return reject("forged will", payload);
    // The machine holding the first colour in the order of play (black,
    // blue, white, red) that the orderer did not hold takes over.
    std::string next;
    for (auto& h : holders_) {
        if (h == orderer_) h.clear();
        if (!h.empty() && next.empty()) next = h;
    }
    orderer_.clear();
    orderer_lost_ = true;
    orderer_here_ = false;
    if (in_flight_ > 0) {
        // Sent, but the machine that ordered went before running them: said,
        // never silently dropped.
        game_.refuse();
        note("the machine that ordered left before running " + std::to_string(in_flight_) +
             (in_flight_ == 1 ? " command" : " commands") + " given here: give them again");
        in_flight_ = 0;
    }
    if (next == setup_.client) return take_over();
    note(next.empty() ? "the machine that ordered is gone, and no machine with a seat is left to order"
                      : "the machine that ordered is gone; " + next + " orders now");
}

void Room::step_down(const OrdererMessage& other) {
    role_ = Role::follower;
    orderer_ = other.client;
    orderer_check_ = other.check;
    orderer_here_ = true;
    orderer_lost_ = false;
    members_.clear();
    holders_ = {};
    held_ = 0;
    base_ = 0;
    journal_published_at_ = 0;
    note("another machine made the room at the same moment: " + other.client + " orders it");
    send_join();
}

void Room::take_over() {
    role_ = Role::orderer;
    const std::uint64_t length = game_.journal().size();
    base_ = length >= position_ ? length - position_ : 0;
    journal_published_at_ = position_;
    members_.clear();
    members_[setup_.client] = Member{setup_.token, 0};
    orderer_ = setup_.client;
    orderer_lost_ = false;
    held_ = 0;
    for (int i = 0; i < seat_count; ++i)
        if (holders_[std::size_t(i)] == setup_.client) held_ |= Seats(1 << i);
    if (connected_) {
        transport_.subscribe(topics_.cmd);
        publish_state();
    }
    note("the machine that ordered is gone: this machine orders now");
}

}  // namespace quintora::net
