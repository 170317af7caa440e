#pragma once
// Opening a file for reading only when it is a plain file. It is opened
// without waiting, so that a pipe put in its place (even between a look at
// the name and the opening) cannot hold the game, and judged by what was
// opened, which nothing can swap under us: as the wave files are read.

#include <istream>
#include <memory>
#include <string>

namespace quintora {

class PlainFileIn {
public:
    enum class Opened { plain, missing, not_plain, unreadable };

    PlainFileIn();
    ~PlainFileIn();
    PlainFileIn(const PlainFileIn&) = delete;
    PlainFileIn& operator=(const PlainFileIn&) = delete;

    // Closes what was open, then opens `path`; the stream reads it only for
    // `plain`.
    Opened open(const std::string& path);
    bool is_open() const { return buffer_ != nullptr; }
    std::istream& stream() { return in_; }
    void close();

private:
    std::unique_ptr<std::streambuf> buffer_;
    std::istream in_;
};

}  // namespace quintora
