#include "RegHiveFormat.h"

#include "RegistryHive.h"

#include <QByteArrayView>
#include <QStringDecoder>
#include <QStringList>

#include <optional>

RegKey* RegKey::child(const QString& name) const
{
    const auto it = subKeys.find(regFoldName(name));
    return it == subKeys.end() ? nullptr : it->second.get();
}

const RegKey* RegKey::childAt(size_t index) const
{
    // Listing walks the sub-keys by index: keep them in a vector, so that a listing of n keys
    // costs n steps, not n * n / 2.
    if (!m_childOrderValid) {
        m_childOrder.clear();
        m_childOrder.reserve(subKeys.size());
        for (const auto& [folded, child] : subKeys)
            m_childOrder.push_back(child.get());
        m_childOrderValid = true;
    }
    return index < m_childOrder.size() ? m_childOrder[index] : nullptr;
}

RegKey* RegKey::ensureChild(const QString& name)
{
    auto& slot = subKeys[regFoldName(name)];
    if (!slot) {
        slot = std::make_unique<RegKey>();
        slot->name = name;
        m_childOrderValid = false;
    }
    return slot.get();
}

void RegKey::removeChild(const QString& name)
{
    if (subKeys.erase(regFoldName(name)) > 0)
        m_childOrderValid = false;
}

int RegKey::valueIndex(const QString& name) const
{
    const auto it = m_valueIndex.constFind(regFoldName(name));
    return it == m_valueIndex.constEnd() ? -1 : int(*it);
}

void RegKey::setValue(const QString& name, std::uint32_t type, const QByteArray& data)
{
    const QString folded = regFoldName(name);
    const auto it = m_valueIndex.constFind(folded);
    if (it == m_valueIndex.constEnd()) {
        m_valueIndex.insert(folded, values.size());
        values.push_back({name, type, data});
    } else {
        values[*it].type = type;
        values[*it].data = data;
    }
}

bool RegKey::removeValue(const QString& name)
{
    const auto it = m_valueIndex.find(regFoldName(name));
    if (it == m_valueIndex.end())
        return false;
    const size_t removed = *it;
    m_valueIndex.erase(it);
    values.erase(values.begin() + qsizetype(removed));
    for (size_t& index : m_valueIndex) {
        if (index > removed)
            --index;
    }
    return true;
}

namespace {

bool hasControl(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    }
    return false;
}

/// Decodes UTF-8, or nothing when the bytes are not valid UTF-8.
std::optional<QString> decodeUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

/// Parses a quoted text starting at `pos` (at the opening quote): undoes "\\" and "\"";
/// any other backslash is kept as it stands, as hand-written paths have them. Leaves `pos`
/// after the closing quote; nothing when the closing quote is missing.
std::optional<QByteArray> parseQuoted(QByteArrayView line, qsizetype& pos)
{
    if (pos >= line.size() || line[pos] != '"')
        return std::nullopt;
    QByteArray out;
    qsizetype i = pos + 1;
    while (i < line.size()) {
        qsizetype end = i; // copy the plain run up to the next quote or backslash at once
        while (end < line.size() && line[end] != '"' && line[end] != '\\')
            ++end;
        out.append(line.sliced(i, end - i));
        if (end == line.size())
            break;
        if (line[end] == '"') {
            pos = end + 1;
            return out;
        }
        const bool escape =
            end + 1 < line.size() && (line[end + 1] == '\\' || line[end + 1] == '"');
        out += escape ? line[end + 1] : '\\';
        i = end + (escape ? 2 : 1);
    }
    return std::nullopt;
}

/// Parses "01,ff,…" (blanks allowed); nothing on a bad byte. Each byte has its two digits
/// and the list does not end in a comma, as every writer puts them: a list cut short is
/// damage, not a shorter value.
std::optional<QByteArray> parseHexList(QByteArrayView text)
{
    QByteArray out;
    const QByteArrayView trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return out;
    qsizetype start = 0;
    while (start <= trimmed.size()) {
        qsizetype end = trimmed.indexOf(',', start);
        const bool last = end < 0;
        if (last)
            end = trimmed.size();
        const QByteArrayView item = trimmed.sliced(start, end - start).trimmed();
        if (item.size() != 2)
            return std::nullopt;
        const int high = hexDigit(item[0]);
        const int low = hexDigit(item[1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out += char(high * 16 + low);
        if (last)
            break;
        start = end + 1;
    }
    return out;
}

bool onlyBlanks(QByteArrayView rest)
{
    return rest.trimmed().isEmpty();
}

/// The value part after '=': text, dword, hex or hex(N). Nothing when it cannot be read.
std::optional<RegValue> parseData(QByteArrayView data)
{
    RegValue value;
    data = data.trimmed();
    if (data.startsWith('"')) {
        qsizetype pos = 0;
        auto text = parseQuoted(data, pos);
        if (!text || !onlyBlanks(data.sliced(pos)))
            return std::nullopt;
        value.type = REG_SZ;
        value.data = *text + '\0';
        return value;
    }
    if (data.startsWith("dword:")) {
        const QByteArrayView digits = data.sliced(6).trimmed();
        if (digits.size() != 8) // all eight, as written: fewer is a number cut short
            return std::nullopt;
        std::uint32_t number = 0;
        for (const char c : digits) {
            const int d = hexDigit(c);
            if (d < 0)
                return std::nullopt;
            number = number * 16 + std::uint32_t(d);
        }
        value.type = REG_DWORD;
        for (int i = 0; i < 4; ++i)
            value.data += char((number >> (8 * i)) & 0xff);
        return value;
    }
    if (data.startsWith("hex:")) {
        auto bytes = parseHexList(data.sliced(4));
        if (!bytes)
            return std::nullopt;
        value.type = REG_BINARY;
        value.data = *bytes;
        return value;
    }
    if (data.startsWith("hex(")) {
        const qsizetype close = data.indexOf("):");
        if (close < 5 || close > 12)
            return std::nullopt;
        std::uint64_t type = 0;
        for (const char c : data.sliced(4, close - 4)) {
            const int d = hexDigit(c);
            if (d < 0)
                return std::nullopt;
            type = type * 16 + std::uint64_t(d);
        }
        if (type > 0xffffffffu)
            return std::nullopt;
        auto bytes = parseHexList(data.sliced(close + 2));
        if (!bytes)
            return std::nullopt;
        value.type = std::uint32_t(type);
        value.data = *bytes;
        return value;
    }
    return std::nullopt;
}

/// The key a section line names, created as needed; null when it does not belong to this
/// hive or names a key the hive cannot hold.
/// The keys of the last section line read: sections usually follow their parent, so the
/// path they share with the last one is not looked up again.
struct LastSection {
    QStringList parts;
    std::vector<RegKey*> keys; ///< keys[i] is the key of parts[0 … i]; keys[0] the root
};

RegKey* sectionKey(QByteArrayView path, const QString& rootName, RegKey& root, LastSection& last)
{
    const auto decoded = decodeUtf8(path);
    if (!decoded)
        return nullptr;
    const QStringList parts = decoded->split(u'\\');
    if (parts.isEmpty() || parts.front().compare(rootName, Qt::CaseInsensitive) != 0)
        return nullptr;
    if (parts.size() - 1 > kMaxKeyDepth)
        return nullptr;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        if (!regIsValidKeyName(parts[i]))
            return nullptr;
    }
    if (last.keys.empty())
        last.keys.push_back(&root);
    qsizetype shared = 1;
    while (shared < parts.size() && shared < last.parts.size() &&
           parts[shared] == last.parts[shared])
        ++shared;
    last.keys.resize(size_t(shared));
    for (qsizetype i = shared; i < parts.size(); ++i)
        last.keys.push_back(last.keys.back()->ensureChild(parts[i]));
    last.parts = parts;
    return last.keys.back();
}

void appendEscaped(QByteArray& out, QByteArrayView text)
{
    for (const char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
}

/// Whether a REG_SZ value can be written in the quoted form and read back byte for byte:
/// valid UTF-8 text, one terminating NUL, no control characters.
bool fitsQuoted(const RegValue& value)
{
    if (value.type != REG_SZ || value.data.isEmpty() || !value.data.endsWith('\0'))
        return false;
    const QByteArrayView text = QByteArrayView(value.data).chopped(1);
    for (const char c : text) {
        if ((unsigned char)c < 0x20 || c == 0x7f)
            return false;
    }
    return decodeUtf8(text).has_value();
}

void appendHex(QByteArray& out, const QByteArray& data)
{
    // Wrapped as the system's export does, so long values stay readable in an editor.
    qsizetype column = out.size() - (out.lastIndexOf('\n') + 1);
    static const char digits[] = "0123456789abcdef";
    for (qsizetype i = 0; i < data.size(); ++i) {
        const auto byte = (unsigned char)data[i];
        out += digits[byte >> 4];
        out += digits[byte & 15];
        column += 2;
        if (i + 1 < data.size()) {
            out += ',';
            ++column;
            if (column > 76) {
                out += "\\\n  ";
                column = 2;
            }
        }
    }
}

void writeValue(QByteArray& out, const RegValue& value)
{
    if (value.name.isEmpty()) {
        out += '@';
    } else {
        out += '"';
        appendEscaped(out, value.name.toUtf8());
        out += '"';
    }
    out += '=';
    if (fitsQuoted(value)) {
        out += '"';
        appendEscaped(out, QByteArrayView(value.data).chopped(1));
        out += '"';
    } else if (value.type == REG_DWORD && value.data.size() == 4) {
        std::uint32_t number = 0;
        for (int i = 3; i >= 0; --i)
            number = (number << 8) | (unsigned char)value.data[i];
        out += "dword:" + QByteArray::number(number, 16).rightJustified(8, '0');
    } else {
        if (value.type == REG_BINARY)
            out += "hex:";
        else
            out += "hex(" + QByteArray::number(value.type, 16) + "):";
        appendHex(out, value.data);
    }
    out += '\n';
}

void writeKey(QByteArray& out, const RegKey& key, const QByteArray& path, bool isRoot)
{
    if (!isRoot || !key.values.empty()) {
        out += '[' + path + "]\n";
        for (const RegValue& value : key.values)
            writeValue(out, value);
        out += '\n';
    }
    for (const auto& [folded, child] : key.subKeys)
        writeKey(out, *child, path + '\\' + child->name.toUtf8(), false);
}

} // namespace

bool regIsValidKeyName(const QString& name)
{
    return !name.isEmpty() && name.size() <= kMaxKeyNameLength && !name.contains(u'\\') &&
           !hasControl(name);
}

bool regIsValidValueName(const QString& name)
{
    return !hasControl(name);
}

bool regParseHive(const QByteArray& text, const QString& rootName, RegKey& root)
{
    bool whole = true;
    QByteArrayView rest(text);
    if (rest.startsWith("\xef\xbb\xbf"))
        rest = rest.sliced(3);

    // Lines without their end; a "\r" before the "\n" is dropped.
    std::vector<QByteArrayView> lines;
    while (!rest.isEmpty()) {
        qsizetype end = rest.indexOf('\n');
        QByteArrayView line = end < 0 ? rest : rest.first(end);
        rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        lines.push_back(line);
    }

    size_t i = 0;
    while (i < lines.size() && lines[i].trimmed().isEmpty())
        ++i;
    if (i == lines.size())
        return true; // an empty file (emptied to start afresh): nothing in it is lost
    if ((lines[i].trimmed() != "REGEDIT4" &&
         lines[i].trimmed() != "Windows Registry Editor Version 5.00")) {
        whole = false; // not a hive; still take any sections it may hold
    } else {
        ++i;
    }

    RegKey* current = nullptr;
    LastSection last;
    for (; i < lines.size(); ++i) {
        const QByteArrayView line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(';'))
            continue;
        if (line.startsWith('[')) {
            current = line.endsWith(']')
                          ? sectionKey(line.sliced(1).chopped(1), rootName, root, last)
                          : nullptr;
            if (!current)
                whole = false;
            continue;
        }
        // A value line. Hex data may go on over lines that end in a backslash.
        qsizetype pos = 0;
        std::optional<QString> name;
        if (line.startsWith('@')) {
            name = QString();
            pos = 1;
        } else if (auto raw = parseQuoted(line, pos)) {
            name = decodeUtf8(*raw);
        }
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
        if (!name || pos >= line.size() || line[pos] != '=' || !regIsValidValueName(*name)) {
            whole = false;
            continue;
        }
        QByteArrayView data = line.sliced(pos + 1).trimmed();
        QByteArray joined;
        if (data.startsWith("hex") && data.endsWith('\\')) {
            joined = data.toByteArray();
            while (joined.endsWith('\\')) {
                joined.chop(1);
                if (++i == lines.size()) {
                    whole = false; // cut off in the middle of a value
                    break;
                }
                joined += lines[i].trimmed();
            }
            data = joined;
        }
        if (data == "-") // a deletion entry: nothing to keep
            continue;
        auto value = parseData(data);
        if (!value || !current) {
            whole = false;
            continue;
        }
        // Quoted text that is not UTF-8 (an edit by hand, another tool; the writer puts such
        // bytes in hex) is kept as it is, but would come back changed once the program
        // writes it again: the file counts as damaged, so that it is kept aside before it is
        // written over.
        if (value->type == REG_SZ && data.startsWith('"')) {
            QByteArrayView text(value->data);
            if (text.endsWith('\0'))
                text.chop(1);
            if (!decodeUtf8(text))
                whole = false;
        }
        current->setValue(*name, value->type, value->data);
    }
    return whole;
}

QByteArray regWriteHive(const RegKey& root, const QString& rootName)
{
    QByteArray out = "REGEDIT4\n\n";
    writeKey(out, root, rootName.toUtf8(), true);
    return out;
}
