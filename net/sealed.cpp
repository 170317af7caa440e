// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/sealed.h"

#include <array>

#include "net/protocol.h"

namespace quintora::net {

namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string base64(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const unsigned v = unsigned((unsigned char)bytes[i]) << 16 | unsigned((unsigned char)bytes[i + 1]) << 8 |
                           unsigned((unsigned char)bytes[i + 2]);
        for (int s = 18; s >= 0; s -= 6) out += alphabet[(v >> s) & 63];
    }
    if (i < bytes.size()) {
        unsigned v = unsigned((unsigned char)bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= unsigned((unsigned char)bytes[i + 1]) << 8;
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? alphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

// Strict: whole groups of four, padding only at the end, no other byte.
std::optional<Bytes> unbase64(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    std::array<int, 256> value;
    value.fill(-1);
    for (int i = 0; i < 64; ++i) value[(unsigned char)alphabet[i]] = i;
    Bytes out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        const int pad = last ? (text[i + 3] == '=') + (text[i + 2] == '=' && text[i + 3] == '=') : 0;
        unsigned v = 0;
        for (int k = 0; k < 4; ++k) {
            const unsigned char c = (unsigned char)text[i + std::size_t(k)];
            int d = value[c];
            if (k >= 4 - pad && c == '=') d = 0;
            if (d < 0) return std::nullopt;
            v = v << 6 | unsigned(d);
        }
        out += char(v >> 16);
        if (pad < 2) out += char((v >> 8) & 255);
        if (pad < 1) out += char(v & 255);
    }
    return out;
}

Bytes signed_text(const RoomKeys& room, std::string_view kind, std::string_view sender, std::uint64_t seq,
                  std::string_view body) {
    return room.id + "\n" + std::string(kind) + "\n" + std::string(sender) + " " + std::to_string(seq) + "\n" +
           std::string(body);
}

}  // namespace

std::string hex_text(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (const unsigned char c : bytes) {
        s += digits[c >> 4];
        s += digits[c & 15];
    }
    return s;
}

std::optional<Bytes> hex_bytes(std::string_view text) {
    if (text.size() % 2 != 0) return std::nullopt;
    Bytes out;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        int v = 0;
        for (const char c : text.substr(i, 2)) {
            int d;
            if (c >= '0' && c <= '9') d = c - '0';
            else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
            else return std::nullopt;
            v = v * 16 + d;
        }
        out += char(v);
    }
    return out;
}

RoomKeys room_keys(Crypto& crypto, std::string_view secret) {
    const Bytes id = crypto.sha512("quintora room id\n" + std::string(secret));
    const Bytes key = crypto.sha512("quintora room key\n" + std::string(secret));
    if (id.size() < 16 || key.size() < box_key_size) return {};
    return RoomKeys{hex_text(id.substr(0, 16)), key.substr(0, box_key_size)};
}

std::string seal_message(Crypto& crypto, const RoomKeys& room, std::string_view kind, const std::string& sender,
                         std::uint64_t seq, const Bytes& secret_key, std::string_view body) {
    const Bytes signature = crypto.sign(signed_text(room, kind, sender, seq, body), secret_key);
    const Bytes nonce = crypto.random(box_nonce_size);
    const Bytes inner = signature + sender + " " + std::to_string(seq) + "\n" + std::string(body);
    const Bytes sealed = crypto.seal(inner, nonce, room.key);
    if (signature.size() != signature_size || nonce.size() != box_nonce_size || sealed.empty()) return {};
    return base64(nonce + sealed);
}

std::optional<Opened> open_message(Crypto& crypto, const RoomKeys& room, std::string_view wire) {
    if (wire.size() > wire_size(max_journal_message)) return std::nullopt;
    const auto bytes = unbase64(wire);
    if (!bytes || bytes->size() < box_nonce_size + box_overhead) return std::nullopt;
    const auto inner = crypto.open(bytes->substr(box_nonce_size), bytes->substr(0, box_nonce_size), room.key);
    if (!inner || inner->size() < signature_size) return std::nullopt;
    const std::string_view rest = std::string_view(*inner).substr(signature_size);
    const auto line_end = rest.find('\n');
    if (line_end == std::string_view::npos) return std::nullopt;
    const std::string_view line = rest.substr(0, line_end);
    const auto space = line.find(' ');
    if (space == std::string_view::npos || !valid_name(line.substr(0, space))) return std::nullopt;
    const std::string_view seq = line.substr(space + 1);
    if (seq.empty() || seq.size() > 15 || (seq.size() > 1 && seq[0] == '0')) return std::nullopt;
    std::uint64_t n = 0;
    for (const char c : seq) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + std::uint64_t(c - '0');
    }
    return Opened{std::string(line.substr(0, space)), n, inner->substr(0, signature_size),
                  std::string(rest.substr(line_end + 1))};
}

bool signed_by(Crypto& crypto, const RoomKeys& room, std::string_view kind, const Opened& opened,
               const Bytes& public_key) {
    return crypto.verify(signed_text(room, kind, opened.sender, opened.seq, opened.body), opened.signature,
                         public_key);
}

}  // namespace quintora::net
