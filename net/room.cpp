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

// The topics by kind, as messages are signed for them.
enum Kind { cmd_kind, step_kind, journal_kind, seats_kind, orderer_kind, gone_kind };
const char* const kind_names[] = {"cmd", "step", "journal", "seats", "orderer", "gone"};

// Messages waiting while a command runs, at most.
constexpr std::size_t max_pending = 256;
// Machines whose keys a follower keeps, at most.
constexpr std::size_t max_known = 32;

}  // namespace

// Never ordered, and never run from a step or a journal, whoever sent it.
bool machine_own(CommandKind k) {
    return k == CommandKind::escape || k == CommandKind::SYURYOU || k == CommandKind::TEJYUN ||
           k == CommandKind::AICON || k == CommandKind::BGM || k == CommandKind::SONOTA;
}

Room::Room(Game& game, RoomDialogs& dialogs, QuietSound& sound, Transport& transport, Crypto& crypto,
           RoomSetup setup)
    : game_(game), dialogs_(dialogs), sound_(sound), transport_(transport), crypto_(crypto),
      setup_(std::move(setup)), keys_(room_keys(crypto_, setup_.room)), signing_(crypto_.signing_keys()),
      public_key_(hex_text(signing_.public_key)), topics_(keys_.id) {
    if (setup_.token.empty()) setup_.token = random_hex128();
    dialogs_.in_room = true;
    transport_.listen(this);
    // The will is this machine's leave, signed and sealed now; the number 0
    // is the will's alone.
    transport_.will(topics_.gone, seal_message(crypto_, keys_, kind_names[gone_kind], setup_.client, 0,
                                               signing_.secret_key,
                                               message_text(LeaveMessage{setup_.client, setup_.token})));
}

Room::~Room() { transport_.listen(nullptr); }

void Room::note(RoomNote n) {
    notes_.push_back(n);
    if (notes_.size() > remembered) notes_.pop_front();
    if (on_note) on_note(n);
}

int Room::kind_of(std::string_view topic) const {
    const std::string* const by_kind[] = {&topics_.cmd, &topics_.step, &topics_.journal,
                                          &topics_.seats, &topics_.orderer, &topics_.gone};
    for (int k = 0; k < 6; ++k)
        if (topic == *by_kind[k]) return k;
    return -1;
}

bool Room::send(const std::string& topic, std::string_view body, bool retain) {
    const int kind = kind_of(topic);
    if (kind < 0) return false;
    const std::string wire =
        seal_message(crypto_, keys_, kind_names[kind], setup_.client, ++seq_, signing_.secret_key, body);
    return !wire.empty() && transport_.publish(topic, wire, retain);
}

Room::Known* Room::learn(const std::string& client, const Bytes& key) {
    auto it = known_.find(client);
    if (it != known_.end()) return it->second.key == key ? &it->second : nullptr;
    if (known_.size() >= max_known) return nullptr;
    return &known_.emplace(client, Known{key, {}}).first->second;
}

bool Room::fresh(Known& known, int kind, std::uint64_t seq) {
    // Kept messages come again on every subscription: the same one is no
    // replay. On the others each message is newer than the last.
    const bool kept = kind == journal_kind || kind == seats_kind || kind == orderer_kind;
    if (kind == gone_kind ? seq != 0 : kept ? seq < known.last[std::size_t(kind)] : seq <= known.last[std::size_t(kind)])
        return false;
    known.last[std::size_t(kind)] = seq;
    return true;
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
    return OrdererMessage{setup_.client, token_check(setup_.token), epoch_, journal_.size(), public_key_};
}

// --- the connection ---------------------------------------------------------

void Room::connected() {
    const bool back = !connected_ && !notes_.empty();
    connected_ = true;
    // After a broker's restart the orderer is back once it says so again.
    orderer_here_ = false;
    // The orderer's word first: it carries the key its kept journal and
    // seats are signed with.
    transport_.subscribe(topics_.orderer);
    transport_.subscribe(topics_.journal);
    transport_.subscribe(topics_.seats);
    transport_.subscribe(topics_.step);
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
    members_[setup_.client] = Member{setup_.token, 0, signing_.public_key, now_, 0, burst, false};
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
        if (pending_.size() < max_pending)
            pending_.emplace_back(topic, payload);
        else
            reject("too many while a command runs", payload);
        return;
    }
    const int kind = kind_of(topic);
    if (kind < 0) return reject("another topic", topic);
    const auto opened = open_message(crypto_, keys_, payload);
    if (!opened) return reject("not sealed with the room's key", payload);
    if (opened->sender == setup_.client) return;  // our own, come back
    if (kind == cmd_kind) {
        if (role_ == Role::orderer) from_machine(*opened);
        return;
    }
    if (kind == orderer_kind) return take_orderer(*opened);
    // The rest is signed by a machine whose key this one has: the orderer,
    // the machines it named in its seats, or (on the orderer) a member.
    Known* known = nullptr;
    Known member_known;
    if (role_ == Role::orderer && kind == gone_kind) {
        const auto m = members_.find(opened->sender);
        if (m != members_.end()) {
            member_known.key = m->second.key;
            known = &member_known;
        }
    } else if (const auto k = known_.find(opened->sender); k != known_.end()) {
        known = &k->second;
    }
    if (!known || !signed_by(crypto_, keys_, kind_names[kind], *opened, known->key))
        return reject("not signed by a machine known here", opened->body);
    if (!fresh(*known, kind, opened->seq)) return reject("replayed", opened->body);
    switch (kind) {
        case step_kind: take_step(opened->sender, opened->body); break;
        case journal_kind: take_journal(opened->sender, opened->body); break;
        case seats_kind: take_seats(opened->sender, opened->body); break;
        case gone_kind: take_gone(opened->sender, opened->body); break;
        default: break;
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
    if (journal_.size() + 64 > max_journal_commands) {
        game_.refuse();
        note({Word::journal_full});
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
    const CommandMessage m{setup_.client, next_n_, setup_.token, c};
    if (!send(topics_.cmd, message_text(m), false)) {
        game_.refuse();
        note({Word::not_sent});
        return;
    }
    ++next_n_;
    ++in_flight_;
    if (unsettled_.empty()) {
        sent_at_ = now_;
        told_slow_ = false;
    }
    unsettled_.push_back(m);
    if (unsettled_.size() > 64) unsettled_.pop_front();
}

void Room::send_join() {
    if (connected_ && role_ != Role::orderer) {
        send(topics_.cmd, message_text(JoinMessage{setup_.client, setup_.token, setup_.seats, public_key_}), false);
        last_here_ = now_;
    }
}

void Room::tick(std::uint64_t now_ms) {
    const std::uint64_t elapsed = now_ms > now_ ? now_ms - now_ : 0;
    now_ = now_ms;
    if (role_ == Role::orderer) {
        std::vector<std::string> silent;
        for (auto& [client, m] : members_) {
            m.allowance = std::min(burst, m.allowance + per_second * double(elapsed) / 1000.0);
            if (client != setup_.client && now_ - m.heard > silence_ms) silent.push_back(client);
        }
        for (const auto& client : silent) {
            const Seats freed = held_by(client);
            forget(client);
            if (freed) note({Word::seat_freed, client, 0, freed});
        }
        return;
    }
    if (role_ == Role::follower && connected_ && orderer_here_ && now_ - last_here_ >= here_every_ms) {
        send(topics_.cmd, message_text(HereMessage{setup_.client}), false);
        last_here_ = now_;
    }
    // A command that the orderer has not run for a while: most likely a box
    // stands open on the ordering machine. Said, once.
    if (!unsettled_.empty() && !told_slow_ && now_ - sent_at_ >= 4000) {
        told_slow_ = true;
        note({Word::orderer_slow, orderer_});
    }
}

// --- ordering ---------------------------------------------------------------

void Room::order(const std::string& origin, Command c) {
    busy_ = true;
    dialogs_.show_boxes = origin == setup_.client;
    dialogs_.hold = true;
    const std::size_t before = game_.journal().size();
    game_.apply(c);
    dialogs_.hold = false;
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
        send(topics_.step, message_text(StepMessage{from, game_.shared_signature(), setup_.client, origin, step}),
             false);
        if (journal_.size() - journal_published_at_ >= journal_every) publish_journal();
    }
    busy_ = false;
    run_pending();
    show_held();
}

void Room::show_held() {
    if (box_out_ || dialogs_.held.empty()) return;
    HeldBox box = std::move(dialogs_.held.front());
    dialogs_.held.pop_front();
    box_out_ = true;
    box_kind_ = box.kind;
    if (on_box) return on_box(box);
    answer(answer_to(box, dialogs_.show(box)));
}

bool Room::answer(Command c) {
    if (!box_out_) return false;
    box_out_ = false;
    if (box_kind_ == HeldBox::Kind::question && c.kind == CommandKind::no) hand_to_computer();
    show_held();
    return true;
}

void Room::hand_to_computer() {
    const Seats mine = held_;
    held_ = 0;
    setup_.seats = 0;
    if (role_ == Role::orderer) {
        for (auto& h : holders_)
            if (h == setup_.client) h.clear();
        publish_seats();
        if (mine) order(setup_.client, Command::computer_takes(mine));
    } else {
        // The computer plays them from now on, then this machine leaves.
        if (mine)
            send(topics_.cmd,
                 message_text(CommandMessage{setup_.client, next_n_++, setup_.token, Command::computer_takes(mine)}),
                 false);
        send(topics_.cmd, message_text(LeaveMessage{setup_.client, setup_.token}), false);
    }
    note({Word::to_computer, {}, 0, mine});
}

void Room::publish_state() {
    // First the word that this machine orders: what follows comes after it.
    if (connected_ && role_ == Role::orderer) send(topics_.orderer, message_text(claim()), true);
    publish_journal();
    publish_seats();
}

void Room::publish_journal() {
    if (!connected_ || role_ != Role::orderer) return;
    const JournalMessage whole{game_.shared_signature(), setup_.client, epoch_, journal_};
    if (send(topics_.journal, message_text(whole), true)) journal_published_at_ = journal_.size();
}

void Room::publish_seats() {
    if (!connected_ || role_ != Role::orderer) return;
    SeatsMessage seats;
    seats.holders = holders_;
    for (int i = 0; i < seat_count; ++i) {
        // A holder that has not joined this orderer yet is known from the seats before.
        const std::string& h = holders_[std::size_t(i)];
        if (const auto m = members_.find(h); m != members_.end())
            seats.keys[std::size_t(i)] = hex_text(m->second.key);
        else if (const auto k = known_.find(h); k != known_.end())
            seats.keys[std::size_t(i)] = hex_text(k->second.key);
        else
            seats.holders[std::size_t(i)].clear();
    }
    send(topics_.seats, message_text(seats), true);
}

void Room::from_machine(const Opened& opened) {
    const std::string_view payload = opened.body;
    const auto m = parse_to_orderer(payload);
    if (!m) return reject("malformed", payload);
    const std::string& client = std::visit([](const auto& v) -> const std::string& { return v.client; }, *m);
    if (client != opened.sender) return reject("in another machine's name", payload);
    if (const auto* join = std::get_if<JoinMessage>(&*m)) {
        // A join carries the key its machine signs with, and is signed by it.
        const auto key = hex_bytes(join->key);
        if (!key || !signed_by(crypto_, keys_, kind_names[cmd_kind], opened, *key))
            return reject("not signed by its machine", payload);
        auto known = members_.find(join->client);
        if (known != members_.end() && (known->second.token != join->token || known->second.key != *key))
            return reject("forged machine", payload);
        bool changed = false;
        if (known == members_.end()) {
            if (members_.size() >= max_members) return reject("room full", payload);
            known = members_.emplace(join->client, Member{join->token, 0, *key, now_, 0, burst, false}).first;
            changed = true;
        }
        Member& member = known->second;
        if (opened.seq <= member.last_seq) return reject("replayed", payload);
        member.last_seq = opened.seq;
        member.heard = now_;
        for (int i = 0; i < seat_count; ++i)
            if ((join->seats & (1 << i)) && holders_[std::size_t(i)].empty()) {
                holders_[std::size_t(i)] = join->client;
                changed = true;
            }
        // A join is answered with the room's state: at once when it changed
        // something, otherwise (a machine that missed steps asks again) once
        // a second at most, so that joins never multiply into a flood.
        if (changed || member.answered == 0 || now_ - member.answered >= 1000) {
            member.answered = now_ + 1;
            publish_state();
        }
        return;
    }
    const auto known = members_.find(client);
    if (known == members_.end() || !signed_by(crypto_, keys_, kind_names[cmd_kind], opened, known->second.key))
        return reject("unknown machine", payload);
    Member& member = known->second;
    if (opened.seq <= member.last_seq) return reject("replayed", payload);
    member.last_seq = opened.seq;
    member.heard = now_;
    if (std::holds_alternative<HereMessage>(*m)) return;
    if (const auto* leave = std::get_if<LeaveMessage>(&*m)) {
        if (leave->token != member.token) return reject("forged leave", payload);
        forget(leave->client);
        return;
    }
    const auto& cmd = std::get<CommandMessage>(*m);
    if (cmd.token != member.token) return reject("unknown machine or wrong token", payload);
    if (cmd.n <= member.last_n) return reject("replayed", payload);
    if (member.allowance < 1) {
        // Faster than anyone plays: dropped, and said once.
        if (!member.flood_told) note({Word::flood, client});
        member.flood_told = true;
        return reject("flood", payload);
    }
    member.allowance -= 1;
    if (member.allowance >= burst / 2) member.flood_told = false;
    if (machine_own(cmd.command.kind) || cmd.command.is_answer()) return reject("not a room command", payload);
    if (cmd.command.kind == CommandKind::press && !may_press(cmd.client)) return reject("out of turn", payload);
    if (cmd.command.kind == CommandKind::computer && (cmd.command.x & ~held_by(cmd.client)) != 0)
        return reject("colours of another machine", payload);
    if (journal_.size() + 64 > max_journal_commands) return reject("journal full", payload);
    member.last_n = cmd.n;
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

void Room::take_step(const std::string& sender, std::string_view payload) {
    auto step = parse_step(payload);
    if (!step) return reject("malformed step", payload);
    if (step->orderer != sender) return reject("step in another machine's name", payload);
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
    if (step->origin == setup_.client) {
        in_flight_ = 0;
        unsettled_.clear();
    }
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
        hand_to_computer();
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

void Room::take_journal(const std::string& sender, std::string_view payload) {
    auto m = parse_journal_message(payload);
    if (!m) return reject("malformed journal", payload);
    if (m->client != sender) return reject("journal in another machine's name", payload);
    if (m->client == setup_.client || diverged_) return;
    if (holds_machine_own(m->journal)) return reject("not a room command", payload);
    if (role_ == Role::orderer) {
        // Another machine orders too. Its journal settles it: when its
        // claim beats this machine's and it goes on from this journal, this
        // machine follows it; one that does not go on from it cannot.
        const OrdererMessage other{m->client, 0, m->epoch, m->journal.size(), {}};
        if (!beats(other, claim())) return;
        follow(other, Word::two_orderers);
        catch_up(*m);
        return;
    }
    if (!orderer_.empty() && m->client != orderer_) {
        // A machine ordered in the present orderer's place while the room was
        // apart (a broker that came back, a will sent too soon): the longer
        // game goes on, and its journal shows whether this one can follow.
        const OrdererMessage present{orderer_, orderer_check_, epoch_, journal_.size(), {}};
        if (!beats(OrdererMessage{m->client, 0, m->epoch, m->journal.size(), {}}, present))
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

void Room::take_seats(const std::string& sender, std::string_view payload) {
    const auto m = parse_seats(payload);
    if (!m) return reject("malformed seats", payload);
    if (role_ == Role::orderer) return;
    if (sender != orderer_) return reject("seats from another machine", payload);
    // The orderer vouches for the holders' keys: whoever follows it as
    // orderer is known by them.
    for (int i = 0; i < seat_count; ++i)
        if (const auto key = hex_bytes(m->keys[std::size_t(i)]); key && !m->holders[std::size_t(i)].empty())
            learn(m->holders[std::size_t(i)], *key);
    // Seats freed while their machine was away: said on every machine but
    // that one, which was never away from its player (its will went out
    // while it lived on, a broker stopped under it) and asks for them again below.
    for (int i = 0; i < seat_count; ++i) {
        const std::string& before = holders_[std::size_t(i)];
        if (found_ && !before.empty() && before != orderer_ && before != setup_.client &&
            m->holders[std::size_t(i)].empty())
            note({Word::seat_freed, before, 0, Seats(1 << i)});
    }
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

void Room::take_orderer(const Opened& opened) {
    const std::string_view payload = opened.body;
    const auto m = parse_orderer(payload);
    if (!m) return reject("malformed orderer", payload);
    if (m->client != opened.sender) return reject("orderer in another machine's name", payload);
    // Signed with the key it names; a machine known here by another key is
    // someone else using its name.
    const auto key = hex_bytes(m->key);
    if (!key || !signed_by(crypto_, keys_, kind_names[orderer_kind], opened, *key))
        return reject("not signed by its machine", payload);
    Known* known = learn(m->client, *key);
    if (!known) return reject("forged orderer", payload);
    if (!fresh(*known, orderer_kind, opened.seq)) return reject("replayed", payload);
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
            send(topics_.orderer, message_text(claim()), true);
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
    // The orderer says that it orders (again: it, or its broker, may have
    // been away): what this machine sent and saw no step of is sent again;
    // the orderer runs each number once.
    if (!orderer_lost_)
        for (const CommandMessage& c : unsettled_) send(topics_.cmd, message_text(c), false);
    if (orderer_lost_) {
        // A new orderer knows no machine's token yet: join it.
        orderer_lost_ = false;
        send_join();
    }
}

void Room::take_gone(const std::string& sender, std::string_view payload) {
    const auto m = parse_leave(payload);
    if (!m) return reject("malformed will", payload);
    if (m->client != sender) return reject("will in another machine's name", payload);
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
    unsettled_.clear();
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
    members_[setup_.client] = Member{setup_.token, 0, signing_.public_key, now_, 0, burst, false};
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
