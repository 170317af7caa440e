// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/room.h"

#include "state/colour.h"

namespace quintora::net {

namespace {

// The whole journal is published, kept by the broker for machines that come
// later, after this many steps; and whenever a machine joins (or asks again,
// having missed steps), so that it finds the game as it is.
constexpr std::uint64_t journal_every = 32;
// The notes and turned-away messages remembered, the latest ones.
constexpr std::size_t remembered = 64;

// A message as a log shows it: its first bytes, printable ones only.
std::string excerpt(std::string_view payload) {
    std::string s;
    for (const unsigned char c : payload.substr(0, 48)) s += (c >= 0x20 && c < 0x7f) ? char(c) : '.';
    if (payload.size() > 48) s += "... (" + std::to_string(payload.size()) + " bytes)";
    return s;
}

bool holds_machine_own(const Journal& commands) {
    for (const Command c : commands)
        if (machine_own(c.kind)) return true;
    return false;
}

// Whether the claim of orderer `a` beats that of `b`: the longer journal,
// then the later epoch, then the name that sorts first.
bool beats(const OrdererMessage& a, const OrdererMessage& b) {
    if (a.length != b.length) return a.length > b.length;
    if (a.epoch != b.epoch) return a.epoch > b.epoch;
    return a.client < b.client;
}

bool begins(const Journal& whole, const Journal& part) {
    return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}

}  // namespace

// Never ordered, and never run from a step or a journal, whoever sent it.
bool machine_own(CommandKind k) {
    return k == CommandKind::escape || k == CommandKind::SYURYOU || k == CommandKind::TEJYUN ||
           k == CommandKind::AICON || k == CommandKind::BGM || k == CommandKind::SONOTA;
}

std::string farewell(const RoomSetup& setup) { return message_text(LeaveMessage{setup.client, setup.token}); }

Room::Room(Game& game, RoomDialogs& dialogs, QuietSound& sound, Transport& transport, RoomSetup setup)
    : game_(game), dialogs_(dialogs), sound_(sound), transport_(transport), setup_(std::move(setup)),
      topics_(setup_.room) {
    if (setup_.token.empty()) setup_.token = random_hex128();
    dialogs_.in_room = true;
    transport_.listen(this);
}

Room::~Room() { transport_.listen(nullptr); }

void Room::note(RoomNote n) {
    notes_.push_back(n);
    if (notes_.size() > remembered) notes_.pop_front();
    if (on_note) on_note(n);
}

void Room::reject(std::string_view what, std::string_view payload) {
    std::string line = "rejected (" + std::string(what) + "): " + excerpt(payload);
    ++rejected_;
    if (on_rejection) on_rejection(line);
    rejections_.push_back(std::move(line));
    if (rejections_.size() > remembered) rejections_.pop_front();
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

Seats Room::held_by(const std::string& client) const {
    Seats seats = 0;
    for (int i = 0; i < seat_count; ++i)
        if (holders_[std::size_t(i)] == client) seats |= Seats(1 << i);
    return seats;
}

OrdererMessage Room::claim() const {
    return OrdererMessage{setup_.client, token_check(setup_.token), epoch_, journal_.size()};
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
    if (back) note({Word::back});
}

void Room::disconnected() {
    if (!connected_) return;
    connected_ = false;
    note({Word::lost, {}, 0, 0, true});
}

void Room::make() {
    if (role_ != Role::waiting) return;
    role_ = Role::orderer;
    holders_ = {};
    for (int i = 0; i < seat_count; ++i)
        if (setup_.seats & (1 << i)) holders_[std::size_t(i)] = setup_.client;
    held_ = setup_.seats;
    members_[setup_.client] = Member{setup_.token, 0};
    orderer_ = setup_.client;
    found_ = true;
    note({Word::made, {}, 0, held_});
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

void Room::run_pending() {
    while (!pending_.empty() && !busy_) {
        auto [topic, payload] = pending_.front();
        pending_.pop_front();
        message(topic, payload);
    }
}

// --- this machine's commands ------------------------------------------------

void Room::local(Command c) {
    if (busy_ || machine_own(c.kind) || c.is_answer()) {
        game_.refuse();
        return;
    }
    if (diverged_) {
        game_.refuse();
        note({Word::differs});
        return;
    }
    if (c.kind == CommandKind::press && !may_press(setup_.client)) {
        game_.refuse();
        const int colour = *colour_to_move();
        note({Word::held_elsewhere, holders_[std::size_t(colour)], 0, Seats(1 << colour)});
        return;
    }
    if (role_ == Role::orderer) {
        order(setup_.client, c);
        return;
    }
    if (role_ == Role::waiting || !connected_ || !orderer_here_) {
        game_.refuse();
        note({!connected_ ? Word::not_connected : role_ == Role::waiting ? Word::not_found : Word::no_orderer});
        return;
    }
    const std::string text = message_text(CommandMessage{setup_.client, next_n_, setup_.token, c});
    if (!transport_.publish(topics_.cmd, text, false)) {
        game_.refuse();
        note({Word::not_sent});
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
    const Journal& ran = game_.journal();
    const std::uint64_t from = journal_.size();
    // The command and the answers to its boxes; an Esc the window found
    // waiting inside it is this machine's own.
    Journal step;
    for (auto i = before; i < ran.size(); ++i)
        if (!machine_own(ran[i].kind)) step.push_back(ran[i]);
    journal_.insert(journal_.end(), step.begin(), step.end());
    if (connected_) {
        transport_.publish(topics_.step,
                           message_text(StepMessage{from, game_.shared_signature(), setup_.client, origin, step}),
                           false);
        if (journal_.size() - journal_published_at_ >= journal_every) publish_journal();
    }
    busy_ = false;
    if (dialogs_.declined) {
        dialogs_.declined = false;
        const Seats mine = held_;
        for (auto& h : holders_)
            if (h == setup_.client) h.clear();
        held_ = 0;
        setup_.seats = 0;
        publish_seats();
        if (mine) order(setup_.client, Command::computer_takes(mine));
        note({Word::to_computer, {}, 0, mine});
    }
    run_pending();
}

void Room::publish_state() {
    // First the word that this machine orders: what follows comes after it.
    if (connected_ && role_ == Role::orderer) transport_.publish(topics_.orderer, message_text(claim()), true);
    publish_journal();
    publish_seats();
}

void Room::publish_journal() {
    if (!connected_ || role_ != Role::orderer) return;
    const JournalMessage whole{game_.shared_signature(), setup_.client, epoch_, journal_};
    if (transport_.publish(topics_.journal, message_text(whole), true)) journal_published_at_ = journal_.size();
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
    if (machine_own(cmd.command.kind) || cmd.command.is_answer()) return reject("not a room command", payload);
    if (cmd.command.kind == CommandKind::press && !may_press(cmd.client)) return reject("out of turn", payload);
    if (cmd.command.kind == CommandKind::computer && (cmd.command.x & ~held_by(cmd.client)) != 0)
        return reject("colours of another machine", payload);
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

bool Room::check(std::uint64_t signature) {
    if (signature == game_.shared_signature()) return true;
    diverged_ = true;
    note({Word::mismatch, {}, journal_.size(), 0, true});
    return false;
}

void Room::take_step(std::string_view payload) {
    auto step = parse_step(payload);
    if (!step) return reject("malformed step", payload);
    if (holds_machine_own(step->commands)) return reject("not a room command", payload);
    if (role_ == Role::orderer) {
        // Our own steps come back; anything else is another machine ordering.
        if (step->orderer != setup_.client) reject("step from another machine", payload);
        return;
    }
    if (role_ != Role::follower || diverged_) return;
    if (step->orderer != orderer_) return reject("step from another machine", payload);
    if (step->from < journal_.size()) return reject("old step", payload);
    // The orderer takes each machine's commands in the order sent: a step of
    // this machine's settles every command it sent before (run, or turned away).
    if (step->origin == setup_.client) in_flight_ = 0;
    if (step->from > journal_.size()) {
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
    journal_.insert(journal_.end(), step->commands.begin(), step->commands.end());
    busy_ = false;
    check(step->signature);
    if (dialogs_.declined) {
        dialogs_.declined = false;
        const Seats mine = held_;
        // The computer plays them from now on, then this machine leaves.
        if (mine)
            transport_.publish(
                topics_.cmd,
                message_text(CommandMessage{setup_.client, next_n_++, setup_.token, Command::computer_takes(mine)}),
                false);
        transport_.publish(topics_.cmd, farewell(setup_), false);
        setup_.seats = 0;
        held_ = 0;
        note({Word::to_computer, {}, 0, mine});
    }
    run_pending();
}

void Room::catch_up(const JournalMessage& m) {
    if (!begins(m.journal, journal_)) {
        // The room went on without what this machine ran: it cannot follow.
        if (!begins(journal_, m.journal)) {
            diverged_ = true;
            note({Word::cannot_follow, m.client, 0, 0, true});
        }
        // A shorter journal that this one begins with was published before
        // the steps this machine has run.
        return;
    }
    if (m.journal.size() > journal_.size()) {
        // Caught up with quietly: no waits, no boxes, no sounds.
        busy_ = true;
        sound_.quiet = true;
        Journal rest(m.journal.begin() + long(journal_.size()), m.journal.end());
        const bool fits = game_.replay(rest, {});
        sound_.quiet = false;
        busy_ = false;
        journal_ = m.journal;
        if (!fits) {
            diverged_ = true;
            note({Word::unfit, {}, 0, 0, true});
            return;
        }
    }
    check(m.signature);
}

void Room::take_journal(std::string_view payload) {
    auto m = parse_journal_message(payload);
    if (!m) return reject("malformed journal", payload);
    if (m->client == setup_.client || diverged_) return;
    if (holds_machine_own(m->journal)) return reject("not a room command", payload);
    if (role_ == Role::orderer) {
        // Another machine orders too. Its journal settles it: when its
        // claim beats this machine's and it goes on from this journal, this
        // machine follows it; one that does not go on from it cannot.
        const OrdererMessage other{m->client, 0, m->epoch, m->journal.size()};
        if (!beats(other, claim())) return;
        follow(other, Word::two_orderers);
        catch_up(*m);
        return;
    }
    if (!orderer_.empty() && m->client != orderer_) {
        // A machine ordered in the present orderer's place while the room was
        // apart (a broker that came back, a will sent too soon): the longer
        // game goes on, and its journal shows whether this one can follow.
        const OrdererMessage present{orderer_, orderer_check_, epoch_, journal_.size()};
        if (!beats(OrdererMessage{m->client, 0, m->epoch, m->journal.size()}, present))
            return reject("journal from another machine", payload);
        note({Word::two_orderers, m->client});
        orderer_check_ = 0;
        orderer_here_ = true;
        asked_for_journal_ = false;
        orderer_ = m->client;
        epoch_ = m->epoch;
        catch_up(*m);
        send_join();
        return;
    }
    asked_for_journal_ = false;
    const bool first = role_ == Role::waiting;
    role_ = Role::follower;
    orderer_ = m->client;
    epoch_ = m->epoch;
    catch_up(*m);
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
    if (wanted_free) {
        send_join();
        return;
    }
    if (!found_ && role_ == Role::follower) {
        found_ = true;
        note({Word::found, {}, 0, held_});
    }
}

void Room::take_orderer(std::string_view payload) {
    const auto m = parse_orderer(payload);
    if (!m) return reject("malformed orderer", payload);
    if (m->client == setup_.client) return;
    if (role_ == Role::orderer) {
        // Two machines found the room empty and made it at the same moment:
        // the one whose name sorts first orders, the other follows it, as
        // long as it has run nothing and no machine has joined it yet.
        if (m->client < setup_.client && journal_.empty() && members_.size() == 1 && epoch_ == 0 &&
            m->epoch == 0 && m->length == 0)
            return follow(*m, Word::same_moment);
        reject("another orderer", payload);
        // The one whose claim loses hears this machine's state again, and
        // with it the journal it is to follow. The winner's journal settles
        // it (take_journal): once, this machine asks for it by saying again
        // that it orders, which the winner answers with its state.
        if (!beats(*m, claim())) {
            publish_state();
        } else if (provoked_ != m->client) {
            provoked_ = m->client;
            transport_.publish(topics_.orderer, message_text(claim()), true);
        }
        return;
    }
    // Another machine that says it orders changes nothing by saying so: its
    // journal, when its claim beats the present orderer's, does (take_journal).
    if (!orderer_.empty() && orderer_ != m->client) return reject("another orderer", payload);
    orderer_ = m->client;
    orderer_check_ = m->check;
    epoch_ = m->epoch;
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
    ++epoch_;
    if (in_flight_ > 0) {
        // Sent, but the machine that ordered went before running them: said,
        // never silently dropped.
        game_.refuse();
        note({Word::given_again, {}, in_flight_});
        in_flight_ = 0;
    }
    if (next == setup_.client) return take_over();
    note({Word::orderer_gone, next});
}

void Room::follow(const OrdererMessage& other, Word word) {
    role_ = Role::follower;
    orderer_ = other.client;
    orderer_check_ = other.check;
    epoch_ = other.epoch;
    orderer_here_ = true;
    orderer_lost_ = false;
    members_.clear();
    holders_ = {};
    held_ = 0;
    journal_published_at_ = 0;
    note({word, other.client});
    send_join();
}

void Room::take_over() {
    role_ = Role::orderer;
    journal_published_at_ = journal_.size();
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
    note({Word::took_over});
}

}  // namespace quintora::net
