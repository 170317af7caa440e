// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What is on the window's surface, as the drawing calls that put it there.
//
// The surface is painted at the screen's resolution. When the window moves
// to a screen with another device pixel ratio the surface is made anew at the
// new resolution and these calls are painted again, in their order, so every
// picture, mark and text comes back sharp instead of as a scaled copy.
//
// Only what can still be seen is kept: a call that paints every pixel of a
// rectangle (a cell picture, an erase box) drops the earlier calls lying
// wholly inside it, and a call repeated at the same place is kept once with
// a count. The record therefore stays about as large as the board and its
// texts however long the program runs.

#include <QRectF>
#include <QString>
#include <vector>

namespace quintora {

struct PaintOp {
    enum class Kind { rect, picture, text, circle };
    Kind kind;
    // The drawing call's own arguments, in twips: rect (x, y, w, h); picture
    // and text (x, y); circle (x, y) the centre, w the radius.
    double x = 0, y = 0, w = 0, h = 0;
    int palette = 0;
    double points = 0;
    int picture = -1;  // which picture, as the canvas numbers them
    QString name{};    // the text
    // Logical pixels the call may touch, and those it surely paints over
    // (empty when it lets what is below show through).
    QRectF bounds{};
    QRectF cover{};

    bool same_call(const PaintOp& o) const {
        return kind == o.kind && x == o.x && y == o.y && w == o.w && h == o.h && palette == o.palette &&
               points == o.points && picture == o.picture && name == o.name;
    }
};

class PaintRecord {
public:
    // A text drawn again over itself darkens its anti-aliased rim; beyond
    // this many times it no longer changes visibly.
    static constexpr int max_repeats = 32;

    void add(PaintOp op);
    // Calls f(op) for every kept call, oldest first, as often as it was made.
    template <class F>
    void replay(F&& f) const {
        for (const Entry& e : entries_)
            if (e.live)
                for (int i = 0; i < e.repeats; ++i) f(e.op);
    }
    std::size_t size() const { return live_; }

private:
    struct Entry {
        PaintOp op;
        int repeats = 1;
        bool live = true;
    };
    // Entries are found by the bucket holding the top-left corner of their
    // bounds; a cover can only contain entries whose corner lies under it.
    static constexpr int bucket_px = 32;
    static constexpr int columns = 24, rows = 18;  // beyond the client area: clamped
    static int column(double px);
    static int row(double py);
    std::vector<int>& bucket_of(const QRectF& r) { return buckets_[row(r.top()) * columns + column(r.left())]; }
    void kill(std::vector<int>& bucket, std::size_t at);
    void compact();

    std::vector<Entry> entries_;
    std::vector<int> buckets_[columns * rows];
    std::size_t live_ = 0;
};

}  // namespace quintora
