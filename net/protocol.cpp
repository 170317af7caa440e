// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/protocol.h"

#include <charconv>
#include <random>
#include <vector>

namespace quintora::net {

namespace {

const char* const seat_kanji[seat_count] = {"黒", "青", "白", "赤"};

// The fields of a line split at single spaces; nothing when there are not
// exactly `count` of them or one is empty. The last takes the rest when `rest`.
std::optional<std::vector<std::string_view>> fields(std::string_view line, std::size_t count, bool rest = false) {
    std::vector<std::string_view> out;
    while (out.size() + 1 < count) {
        const auto space = line.find(' ');
        if (space == std::string_view::npos) return std::nullopt;
        out.push_back(line.substr(0, space));
        line = line.substr(space + 1);
    }
    if (!rest && line.find(' ') != std::string_view::npos) return std::nullopt;
    out.push_back(line);
    for (const auto f : out)
        if (f.empty()) return std::nullopt;
    return out;
}

// 1..15 decimal digits, no leading zero (a lone "0" is zero).
std::optional<std::uint64_t> number(std::string_view s) {
    if (s.empty() || s.size() > 15 || (s.size() > 1 && s[0] == '0')) return std::nullopt;
    std::uint64_t v = 0;
    for (const char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + std::uint64_t(c - '0');
    }
    return v;
}

std::optional<std::uint64_t> hex64(std::string_view s) {
    if (s.size() != 16) return std::nullopt;
    std::uint64_t v = 0;
    for (const char c : s) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else return std::nullopt;
        v = v << 4 | std::uint64_t(d);
    }
    return v;
}

std::string hex64_text(std::uint64_t v) {
    static const char digits[] = "0123456789abcdef";
    std::string s(16, '0');
    for (int i = 15; i >= 0; --i, v >>= 4) s[std::size_t(i)] = digits[v & 15];
    return s;
}

std::string seats_field(Seats seats) {
    std::string s;
    for (int i = 0; i < seat_count; ++i)
        if (seats & (1 << i)) s += char('0' + i);
    return s.empty() ? "-" : s;
}

std::optional<Seats> parse_seats_field(std::string_view s) {
    if (s == "-") return Seats{0};
    Seats seats = 0;
    int last = -1;
    for (const char c : s) {
        const int i = c - '0';
        if (i < 0 || i >= seat_count || i <= last) return std::nullopt;
        seats |= Seats(1 << i);
        last = i;
    }
    return seats;
}

// The first line and the rest of a message.
std::pair<std::string_view, std::string_view> head(std::string_view payload) {
    const auto end = payload.find('\n');
    if (end == std::string_view::npos) return {payload, {}};
    return {payload.substr(0, end), payload.substr(end + 1)};
}

}  // namespace

Topics::Topics(std::string_view room)
    : cmd("quintora/" + std::string(room) + "/cmd"),
      step("quintora/" + std::string(room) + "/step"),
      journal("quintora/" + std::string(room) + "/journal"),
      seats("quintora/" + std::string(room) + "/seats"),
      orderer("quintora/" + std::string(room) + "/orderer"),
      gone("quintora/" + std::string(room) + "/gone") {}

std::uint64_t token_check(std::string_view token) {
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (const unsigned char c : token) h = (h ^ c) * 0x100000001b3ULL;
    return h;
}

std::size_t first_broker(std::string_view room, std::size_t count) {
    if (count == 0) return 0;
    // FNV-1a over the name's bytes: the same on every machine and build.
    return std::size_t(token_check(room) % count);
}

bool valid_name(std::string_view s) {
    if (s.empty() || s.size() > 64 || s[0] == '-' || s[0] == '_') return false;
    for (const char c : s)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-'))
            return false;
    return true;
}

bool valid_key(std::string_view s) {
    if (s.size() != 64) return false;
    for (const char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

bool valid_token(std::string_view s) {
    if (s.size() != 32) return false;
    for (const char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

std::string random_hex128() {
    std::random_device device;
    std::uint64_t a = (std::uint64_t(device()) << 32) | device();
    std::uint64_t b = (std::uint64_t(device()) << 32) | device();
    return hex64_text(a) + hex64_text(b);
}

std::optional<Seats> parse_seat_names(std::string_view text) {
    Seats seats = 0;
    while (!text.empty()) {
        const auto comma = text.find(',');
        const std::string_view name = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        int found = -1;
        for (int i = 0; i < seat_count; ++i)
            if (name == seat_kanji[i]) found = i;
        if (found < 0 || (seats & (1 << found))) return std::nullopt;
        seats |= Seats(1 << found);
        if (comma != std::string_view::npos && text.empty()) return std::nullopt;
    }
    return seats;
}

std::string seat_names(Seats seats) {
    std::string s;
    for (int i = 0; i < seat_count; ++i)
        if (seats & (1 << i)) {
            if (!s.empty()) s += ',';
            s += seat_kanji[i];
        }
    return s;
}

std::string message_text(const JoinMessage& m) {
    return "join " + m.client + " " + m.token + " " + seats_field(m.seats) + " " + m.key;
}
std::string message_text(const HereMessage& m) { return "here " + m.client; }
std::string message_text(const CommandMessage& m) {
    return "cmd " + m.client + " " + std::to_string(m.n) + " " + m.token + " " + command_text(m.command);
}
std::string message_text(const LeaveMessage& m) { return "leave " + m.client + " " + m.token; }
std::string message_text(const StepMessage& m) {
    return "step " + std::to_string(m.from) + " " + hex64_text(m.signature) + " " + m.orderer + " " + m.origin + "\n" +
           journal_text(m.commands);
}
std::string message_text(const JournalMessage& m) {
    return "journal " + hex64_text(m.signature) + " " + m.client + " " + std::to_string(m.epoch) + "\n" +
           journal_text(m.journal);
}
std::string message_text(const SeatsMessage& m) {
    std::string s = "seats";
    for (const auto& h : m.holders) s += " " + (h.empty() ? std::string("-") : h);
    for (std::size_t i = 0; i < m.keys.size(); ++i)
        s += " " + (m.holders[i].empty() || m.keys[i].empty() ? std::string("-") : m.keys[i]);
    return s;
}

std::string message_text(const OrdererMessage& m) {
    return "orderer " + m.client + " " + hex64_text(m.check) + " " + std::to_string(m.epoch) + " " +
           std::to_string(m.length) + " " + m.key;
}

std::optional<OrdererMessage> parse_orderer(std::string_view payload) {
    if (payload.size() > max_seats_message) return std::nullopt;
    const auto f = fields(payload, 6);
    if (!f || (*f)[0] != "orderer" || !valid_name((*f)[1]) || !valid_key((*f)[5])) return std::nullopt;
    const auto check = hex64((*f)[2]);
    const auto epoch = number((*f)[3]);
    const auto length = number((*f)[4]);
    if (!check || !epoch || !length) return std::nullopt;
    return OrdererMessage{std::string((*f)[1]), *check, *epoch, *length, std::string((*f)[5])};
}

std::optional<LeaveMessage> parse_leave(std::string_view payload) {
    auto m = parse_to_orderer(payload);
    if (!m || !std::holds_alternative<LeaveMessage>(*m)) return std::nullopt;
    return std::get<LeaveMessage>(*m);
}

std::optional<ToOrderer> parse_to_orderer(std::string_view payload) {
    if (payload.size() > max_command_message || payload.find('\n') != std::string_view::npos) return std::nullopt;
    const auto space = payload.find(' ');
    const std::string_view word = payload.substr(0, space);
    if (word == "join") {
        const auto f = fields(payload, 5);
        if (!f || !valid_name((*f)[1]) || !valid_token((*f)[2]) || !valid_key((*f)[4])) return std::nullopt;
        const auto seats = parse_seats_field((*f)[3]);
        if (!seats) return std::nullopt;
        return JoinMessage{std::string((*f)[1]), std::string((*f)[2]), *seats, std::string((*f)[4])};
    }
    if (word == "here") {
        const auto f = fields(payload, 2);
        if (!f || !valid_name((*f)[1])) return std::nullopt;
        return HereMessage{std::string((*f)[1])};
    }
    if (word == "cmd") {
        const auto f = fields(payload, 5, true);
        if (!f || !valid_name((*f)[1]) || !valid_token((*f)[3])) return std::nullopt;
        const auto n = number((*f)[2]);
        const auto command = parse_command((*f)[4]);
        if (!n || *n == 0 || !command) return std::nullopt;
        return CommandMessage{std::string((*f)[1]), *n, std::string((*f)[3]), *command};
    }
    if (word == "leave") {
        const auto f = fields(payload, 3);
        if (!f || !valid_name((*f)[1]) || !valid_token((*f)[2])) return std::nullopt;
        return LeaveMessage{std::string((*f)[1]), std::string((*f)[2])};
    }
    return std::nullopt;
}

std::optional<StepMessage> parse_step(std::string_view payload) {
    if (payload.size() > max_step_message) return std::nullopt;
    const auto [line, rest] = head(payload);
    const auto f = fields(line, 5);
    if (!f || (*f)[0] != "step" || !valid_name((*f)[3]) || !valid_name((*f)[4])) return std::nullopt;
    const auto from = number((*f)[1]);
    const auto signature = hex64((*f)[2]);
    auto commands = parse_journal(rest, 64);
    if (!from || !signature || !commands || commands->empty()) return std::nullopt;
    return StepMessage{*from, *signature, std::string((*f)[3]), std::string((*f)[4]), std::move(*commands)};
}

std::optional<JournalMessage> parse_journal_message(std::string_view payload) {
    if (payload.size() > max_journal_message) return std::nullopt;
    const auto [line, rest] = head(payload);
    const auto f = fields(line, 4);
    if (!f || (*f)[0] != "journal" || !valid_name((*f)[2])) return std::nullopt;
    const auto signature = hex64((*f)[1]);
    const auto epoch = number((*f)[3]);
    auto journal = parse_journal(rest, max_journal_commands);
    if (!signature || !epoch || !journal) return std::nullopt;
    return JournalMessage{*signature, std::string((*f)[2]), *epoch, std::move(*journal)};
}

std::optional<SeatsMessage> parse_seats(std::string_view payload) {
    if (payload.size() > max_seats_message) return std::nullopt;
    const auto f = fields(payload, 1 + 2 * seat_count);
    if (!f || (*f)[0] != "seats") return std::nullopt;
    SeatsMessage m;
    for (int i = 0; i < seat_count; ++i) {
        const std::string_view h = (*f)[std::size_t(i) + 1];
        const std::string_view k = (*f)[std::size_t(i + seat_count) + 1];
        if (h == "-" && k == "-") continue;
        if (!valid_name(h) || !valid_key(k)) return std::nullopt;
        m.holders[std::size_t(i)] = std::string(h);
        m.keys[std::size_t(i)] = std::string(k);
    }
    return m;
}

}  // namespace quintora::net
