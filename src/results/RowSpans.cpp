#include "RowSpans.h"

#include <algorithm>

namespace {

void add(std::vector<RowSpan>& out, RowSpan span)
{
    if (!out.empty() && span.first <= out.back().last + 1)
        out.back().last = std::max(out.back().last, span.last);
    else
        out.push_back(span);
}

// Old row r after new rows went in: r plus the new rows before it.
size_t afterInsert(const std::vector<size_t>& before, size_t r)
{
    return r + size_t(std::upper_bound(before.begin(), before.end(), r) - before.begin());
}

// Old row r (not removed) after the removal: r less the removed rows before it.
size_t afterRemoval(const std::vector<size_t>& removed, size_t r)
{
    return r - size_t(std::lower_bound(removed.begin(), removed.end(), r) - removed.begin());
}

} // namespace

std::vector<RowSpan> normalizeSpans(std::vector<RowSpan> spans)
{
    std::sort(spans.begin(), spans.end(),
              [](const RowSpan& a, const RowSpan& b) { return a.first < b.first; });
    std::vector<RowSpan> out;
    for (const RowSpan& span : spans)
        add(out, span);
    return out;
}

std::vector<RowSpan> shiftSpans(const std::vector<RowSpan>& spans, const RowShift& shift)
{
    const std::vector<size_t>& before = shift.insertedBefore;
    const std::vector<size_t>& removed = shift.removed;
    std::vector<RowSpan> out;
    for (const RowSpan& span : spans) {
        // New rows go before old row p; those with first < p <= last split the span.
        size_t start = span.first;
        for (auto it = std::upper_bound(before.begin(), before.end(), span.first);
             it != before.end() && *it <= span.last; it = std::upper_bound(it, before.end(), *it)) {
            add(out, {afterInsert(before, start), afterInsert(before, *it - 1)});
            start = *it;
        }
        // Removed rows inside the span cut it; what is left moves up.
        for (auto it = std::lower_bound(removed.begin(), removed.end(), start);
             it != removed.end() && *it <= span.last; ++it) {
            if (*it > start)
                add(out, {afterRemoval(removed, start), afterRemoval(removed, *it - 1)});
            start = *it + 1;
        }
        if (start <= span.last) {
            const size_t first =
                before.empty() ? afterRemoval(removed, start) : afterInsert(before, start);
            const size_t last =
                before.empty() ? afterRemoval(removed, span.last) : afterInsert(before, span.last);
            add(out, {first, last});
        }
    }
    return out;
}
