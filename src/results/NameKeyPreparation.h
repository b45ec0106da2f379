#pragma once

#include "NameKeyMemo.h"
#include "search/RowPreparation.h"

#include <QtGlobal>

#include <atomic>
#include <string>

/// The text the Name column sorts by, as UTF-16, written to `out`.
void nameSortText(const ResultRow& row, std::u16string& out);

/// Makes the Name sort key of each row on the walking thread that made it, with a collator
/// of that thread's own, exactly as the result list would make it for the same locale. Only
/// while the list wants Name keys (it sorts by Name or keeps them); otherwise rows go as they
/// are.
class NameKeyPreparation final : public RowPreparation {
public:
    /// Keys in the ICU locale `locale` ("" gives the root order).
    explicit NameKeyPreparation(std::string locale);
    Q_DISABLE_COPY_MOVE(NameKeyPreparation)

    /// A step with its own collator; it checks `wanted()` for every row.
    std::unique_ptr<Step> step() const override;
    /// Whether rows get keys from now on; may be changed while walks run.
    void setWanted(bool wanted) { m_wanted.store(wanted, std::memory_order_relaxed); }
    /// Whether rows get keys.
    bool wanted() const { return m_wanted.load(std::memory_order_relaxed); }
    /// The memory the keys kept for names met again take.
    size_t keptBytes() const { return m_memo.bytes(); }

private:
    class KeyStep;
    std::string m_locale;
    std::atomic<bool> m_wanted{true};
    mutable NameKeyMemo m_memo; // shared by the steps of every walk, for this locale
};
