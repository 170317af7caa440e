// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt_paint_record.h"

#include <algorithm>
#include <cmath>

namespace quintora {

int PaintRecord::column(double px) { return std::clamp(int(std::floor(px / bucket_px)), 0, columns - 1); }
int PaintRecord::row(double py) { return std::clamp(int(std::floor(py / bucket_px)), 0, rows - 1); }

void PaintRecord::kill(std::vector<int>& bucket, std::size_t at) {
    entries_[std::size_t(bucket[at])].live = false;
    bucket[at] = bucket.back();
    bucket.pop_back();
    --live_;
}

void PaintRecord::add(PaintOp op) {
    int repeats = 1;
    if (!op.cover.isEmpty()) {
        const int c0 = column(op.cover.left()), c1 = column(op.cover.right());
        const int r0 = row(op.cover.top()), r1 = row(op.cover.bottom());
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c) {
                std::vector<int>& bucket = buckets_[r * columns + c];
                for (std::size_t i = 0; i < bucket.size();) {
                    if (op.cover.contains(entries_[std::size_t(bucket[i])].op.bounds))
                        kill(bucket, i);
                    else
                        ++i;
                }
            }
    } else {
        std::vector<int>& bucket = bucket_of(op.bounds);
        for (std::size_t i = 0; i < bucket.size(); ++i) {
            const Entry& e = entries_[std::size_t(bucket[i])];
            if (e.op.same_call(op)) {
                repeats = std::min(e.repeats + 1, max_repeats);
                kill(bucket, i);
                break;
            }
        }
    }
    bucket_of(op.bounds).push_back(int(entries_.size()));
    entries_.push_back({std::move(op), repeats, true});
    ++live_;
    if (entries_.size() > 2 * live_ + 256) compact();
}

void PaintRecord::compact() {
    std::vector<Entry> kept;
    kept.reserve(live_);
    for (Entry& e : entries_)
        if (e.live) kept.push_back(std::move(e));
    entries_ = std::move(kept);
    for (auto& b : buckets_) b.clear();
    for (std::size_t i = 0; i < entries_.size(); ++i) bucket_of(entries_[i].op.bounds).push_back(int(i));
}

}  // namespace quintora
