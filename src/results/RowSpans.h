#pragma once

#include <cstddef>
#include <vector>

/// A run of list rows, `first` to `last` inclusive.
struct RowSpan {
    size_t first = 0;
    size_t last = 0;
    bool operator==(const RowSpan&) const = default;
};

/// How the list rows moved in one merge or one removal.
struct RowShift {
    /// Per new row, in list order: how many old rows come before it.
    std::vector<size_t> insertedBefore;
    /// Old rows taken out, ascending.
    std::vector<size_t> removed;
};

/// Where the rows of `spans` (ascending, not overlapping) are after `shift`: rows that
/// arrived inside a span are left out of it, removed rows drop out, and spans that come to
/// touch are joined.
std::vector<RowSpan> shiftSpans(const std::vector<RowSpan>& spans, const RowShift& shift);

/// `spans` in ascending order with overlapping and touching ones joined.
std::vector<RowSpan> normalizeSpans(std::vector<RowSpan> spans);
