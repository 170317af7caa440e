// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/journal.h"

namespace quintora {

std::string journal_text(std::span<const Command> journal) {
    std::string out;
    for (const Command c : journal) {
        out += command_text(c);
        out += '\n';
    }
    return out;
}

std::optional<Journal> parse_journal(std::string_view text, std::size_t max_commands) {
    Journal journal;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.empty()) continue;
        const auto command = parse_command(line);
        if (!command || journal.size() == max_commands) return std::nullopt;
        journal.push_back(*command);
    }
    return journal;
}

void JournalDialogs::take_ok() {
    if (*next_ >= replay_.size()) return;
    const Command c = replay_[*next_];
    if (c.kind == CommandKind::ok) {
        ++*next_;
    } else if (c.kind == CommandKind::escape) {
        ++*next_;
        journal_.push_back(c);
        if (on_escape) on_escape();
    }
}

void JournalDialogs::message(std::string_view text, std::string_view caption) {
    if (replaying()) {
        take_ok();
        if (recording_) journal_.push_back(Command::of(CommandKind::ok));
        return;
    }
    shown_.message(text, caption);
    if (recording_) journal_.push_back(Command::of(CommandKind::ok));
}

void JournalDialogs::about(std::string_view text) {
    if (replaying()) {
        take_ok();
        if (recording_) journal_.push_back(Command::of(CommandKind::ok));
        return;
    }
    shown_.about(text);
    if (recording_) journal_.push_back(Command::of(CommandKind::ok));
}

bool JournalDialogs::ask_yes_no(std::string_view text, std::string_view caption) {
    bool yes;
    if (replaying()) {
        // An "ok" left by a box this machine did not show comes first.
        while (*next_ < replay_.size() && replay_[*next_].kind == CommandKind::ok) ++*next_;
        const CommandKind k = *next_ < replay_.size() ? replay_[*next_].kind : CommandKind::press;
        if (k == CommandKind::escape) {
            ++*next_;
            journal_.push_back(Command::of(k));
            if (on_escape) on_escape();
        }
        if (k != CommandKind::yes && k != CommandKind::no) {
            // The journal ends here or goes on with something else: the
            // question is left as the window leaves it, answered Yes, and the
            // replay is out of step.
            out_of_step_ = true;
            yes = true;
        } else {
            ++*next_;
            yes = k == CommandKind::yes;
        }
    } else {
        yes = shown_.ask_yes_no(text, caption);
    }
    if (recording_) journal_.push_back(Command::of(yes ? CommandKind::yes : CommandKind::no));
    return yes;
}

}  // namespace quintora
