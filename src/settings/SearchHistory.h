#pragma once

#include <QStringList>

#include <optional>

class CRegSettings;

/// The search-text history in section "Search terms": "Number" and "Term0" (newest) up to
/// "Term8". At most nine terms are listed; when the list is full the term that falls off
/// is kept under "Term9", which nothing reads.
class SearchHistory final {
public:
    SearchHistory() = delete;

    /// The most terms the drop-down list shows.
    static constexpr int MaxTerms = 9;

    /// The list that start-up puts into the search box: "Number" read as a number (default
    /// "1", so a first start lists one empty entry), then "Term0" … with "" for a missing
    /// term. A malformed or negative "Number" gives an empty list; one above 9 lists 9.
    static QStringList loadForStartUp(const CRegSettings& store);

    /// Records the text of a finished search: an empty text or one already stored (exact,
    /// case-sensitive comparison) leaves the history unchanged and gives std::nullopt;
    /// otherwise every term moves one key up, "Term0" becomes the text, "Number" grows up
    /// to 9, and the result is the new drop-down list (newest first).
    static std::optional<QStringList> record(CRegSettings& store, const QString& text);
};
