#include "NameKeyPreparation.h"

#include "CollationKeys.h"
#include "search/PathHelpers.h"

#include <vector>

void nameSortText(const ResultRow& row, std::u16string& out)
{
    const QString text = displayText(row.name());
    out.assign(reinterpret_cast<const char16_t*>(text.constData()), size_t(text.size()));
}

/// One walking thread's keys: ICU collators are not shared between threads.
class NameKeyPreparation::KeyStep final : public RowPreparation::Step {
public:
    KeyStep(const NameKeyPreparation& owner, const std::string& locale)
        : m_owner(owner)
        , m_keys(locale)
    {}

    void prepare(ResultRow& row) override
    {
        if (!m_owner.wanted())
            return;
        const QByteArrayView name = row.name();
        m_key.clear();
        if (!m_owner.m_memo.find(name, m_key)) {
            nameSortText(row, m_text);
            m_keys.write(m_text, m_key, std::string_view(name.data(), size_t(name.size())));
            m_key.pop_back(); // the NUL
            m_owner.m_memo.store(name, {m_key.data(), m_key.size()});
        }
        row.nameKey.assign(m_key.data(), m_key.size());
    }

private:
    const NameKeyPreparation& m_owner;
    CollationKeys m_keys;
    std::u16string m_text; // reused: no allocation per row
    std::vector<char> m_key;
};

NameKeyPreparation::NameKeyPreparation(std::string locale)
    : m_locale(std::move(locale))
{}

std::unique_ptr<RowPreparation::Step> NameKeyPreparation::step() const
{
    return std::make_unique<KeyStep>(*this, m_locale);
}
