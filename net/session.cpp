// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/session.h"

#include "lang/language.h"

namespace quintora::net {

namespace {

// `text` with "%1" and "%2" put in.
std::string fill(std::string text, const std::string& one, const std::string& two = {}) {
    for (const auto& [mark, value] : {std::pair{std::string_view("%1"), &one}, std::pair{std::string_view("%2"), &two}})
        for (auto at = text.find(mark); at != std::string::npos; at = text.find(mark, at + value->size()))
            text.replace(at, mark.size(), *value);
    return text;
}

}  // namespace

std::string seats_text(Seats seats) {
    std::string s;
    const char* const names[seat_count] = {"黒", "青", "白", "赤"};
    const std::string comma = lang::tr("、");
    for (int i = 0; i < seat_count; ++i)
        if (seats & (1 << i)) s += (s.empty() ? "" : comma) + lang::tr(names[i]);
    return s;
}

std::string note_text(const RoomNote& n) {
    using lang::tr;
    switch (n.word) {
        case Word::found:
            return n.seats ? fill(tr("部屋に入りました。%1を持ちます"), seats_text(n.seats))
                           : tr("部屋に入りました。持つ色はありません");
        case Word::made: return tr("部屋にはまだ対局がありません。この機械が部屋を作り、進行役になりました");
        case Word::lost: return tr("部屋への接続が切れました。つなぎ直しています");
        case Word::back: return tr("部屋への接続が戻りました");
        case Word::not_connected: return tr("打てません。部屋につながっていません");
        case Word::not_found: return tr("打てません。まだ部屋が見つかりません");
        case Word::no_orderer: return tr("打てません。進行役の機械がいません");
        case Word::not_sent: return tr("送れませんでした。もう一度どうぞ");
        case Word::differs: return tr("打てません。この対局は部屋の対局と違います");
        case Word::held_elsewhere: return fill(tr("%1の番です。%1は別の機械（%2）が持っています"), seats_text(n.seats), n.who);
        case Word::to_computer:
            return n.seats ? fill(tr("この機械の色（%1）はコンピュータが打ちます"), seats_text(n.seats))
                           : tr("この機械は部屋を出ました");
        case Word::mismatch:
            return fill(tr("この機械の対局が部屋の対局と違ってしまいました（%1手順目）。続けられません"),
                        std::to_string(n.number));
        case Word::unfit: return tr("部屋の手順がこの対局に合いません。続けられません");
        case Word::given_again:
            return fill(tr("進行役の機械が去り、ここで打った%1手は届きませんでした。もう一度どうぞ"),
                        std::to_string(n.number));
        case Word::orderer_gone:
            return n.who.empty() ? tr("進行役の機械が去りました。代われる機械がありません")
                                 : fill(tr("進行役の機械が去りました。%1が代わります"), n.who);
        case Word::took_over: return tr("進行役の機械が去りました。この機械が代わります");
        case Word::same_moment: return fill(tr("別の機械（%1）が同時に部屋を作りました。そちらが進行役です"), n.who);
        case Word::two_orderers: return fill(tr("進行役が二つありました。%1に従います"), n.who);
        case Word::cannot_follow: return fill(tr("部屋の対局（%1）はこの機械の対局の続きではありません。続けられません"), n.who);
        case Word::journal_full: return tr("部屋の手順がいっぱいです。これ以上打てません");
        case Word::seat_freed:
            return fill(tr("%1の機械（%2）から便りがないので、%1を空けました"), seats_text(n.seats), n.who);
        case Word::orderer_slow:
            return tr("進行役の機械がまだ手を受けていません（そちらで箱が開いているのかもしれません）");
        case Word::flood: return fill(tr("機械（%1）が速すぎる手を送りました。残りは捨てました"), n.who);
        case Word::unreachable: return tr("部屋のブローカーにつながりません。試し続けています");
        case Word::no_network: return tr("ネットワークを始められませんでした");
    }
    return {};
}

Session::Session(Game& game) : game_(game) {}

Session::~Session() = default;

void Session::join(RoomDialogs& dialogs, QuietSound& sound, Transport& transport, Crypto& crypto, RoomSetup setup) {
    room_ = std::make_unique<Room>(game_, dialogs, sound, transport, crypto, std::move(setup));
    room_->on_box = on_box;
    room_->on_note = [this](const RoomNote& n) { take_note(n); };
    room_->on_rejection = [this](const std::string& line) {
        if (on_log) on_log(line);
    };
}

void Session::leave() {
    room_.reset();
    lasting_.reset();
    passing_.reset();
}

void Session::give(Command c) {
    // The answer to a box the room held is the room's to take.
    if (room_ && c.is_answer() && room_->answer(c)) return changed();
    if (room_ && !machine_own(c.kind) && !c.is_answer())
        room_->local(c);
    else
        game_.apply(c);
    changed();
}

void Session::tell(const RoomNote& note) { take_note(note); }

void Session::tick(std::uint64_t now_ms) {
    now_ = now_ms;
    if (!ticked_) {
        ticked_ = true;
        started_ = now_ms;
    }
    if (room_) room_->tick(now_ms);
    if (room_ && room_->role() == Room::Role::waiting && now_ - started_ >= journal_patience_ms) {
        if (room_->is_connected()) {
            room_->make();
        } else if (!told_unreachable_) {
            told_unreachable_ = true;
            take_note({Word::unreachable, {}, 0, 0, true});
        }
    }
    changed();
}

void Session::take_note(const RoomNote& note) {
    if (on_log) on_log(note_text(note));
    if (note.lasting) {
        lasting_ = std::make_unique<RoomNote>(note);
        passing_.reset();
    } else {
        passing_ = std::make_unique<RoomNote>(note);
        passing_until_ = now_ + note_ms;
    }
    changed();
}

bool Session::still_true(const RoomNote& note) const {
    if (!room_) return true;
    switch (note.word) {
        case Word::lost:
        case Word::unreachable: return !room_->is_connected();
        case Word::no_network: return true;
        default: return room_->diverged();
    }
}

void Session::changed() {
    if (passing_ && now_ >= passing_until_) passing_.reset();
    if (lasting_ && !still_true(*lasting_)) lasting_.reset();
    if (on_change) on_change();
}

std::string Session::line() const {
    if (!room_) return {};
    std::string s = room_->seats() ? seats_text(room_->seats()) : lang::tr("色なし");
    const RoomNote* shown = passing_ ? passing_.get() : lasting_ && still_true(*lasting_) ? lasting_.get() : nullptr;
    if (shown) s += " — " + note_text(*shown);
    return s;
}

}  // namespace quintora::net
