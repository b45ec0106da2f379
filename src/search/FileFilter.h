#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

/// The file-type filter of a search: which entry names (files and folders alike) may be
/// listed. Subfolders are entered whatever the filter says.
class FileFilter final {
public:
    /// The entries of the file-type choice, by index.
    enum Choice {
        None = -1,
        AllFiles = 0,
        Shortcuts = 1,
        InternetShortcuts = 2,
        Applications = 3,
        Custom = 4
    };

    /// A filter that lets nothing through (no file type chosen).
    FileFilter() = default;
    /// The filter of a file-type choice; `customPattern` is used, as ONE pattern, for Custom.
    /// An index outside 0 … 4 gives a filter that lets nothing through.
    static FileFilter fromChoice(int index, const QString& customPattern = QString());
    /// A filter of one wildcard pattern ('*', '?', letters without regard to case; a
    /// trailing ".*" also fits names without that dot, so "*.*" fits every name).
    static FileFilter fromPattern(const QString& pattern);

    /// Whether no name can pass (an empty pattern).
    bool matchesNothing() const { return m_kind == Kind::Nothing; }
    /// Whether only regular files with an execute bit may pass (checked by the walk).
    bool needsExecutable() const { return m_kind == Kind::Executable; }
    /// Whether the name (bytes as on disk) fits the pattern.
    bool accepts(QByteArrayView name) const;
    /// The pattern as the user would see it ("*.*", "*.desktop", …).
    QString pattern() const { return m_pattern; }

private:
    enum class Kind { Nothing, Everything, Executable, Suffix, Glob };

    bool globAccepts(QByteArrayView name) const;

    Kind m_kind = Kind::Nothing;
    QString m_pattern;
    QByteArray m_suffix;          // Suffix: lower-case ASCII suffix such as ".desktop"
    QByteArray m_asciiGlob;       // Glob: the pattern lower-cased, when it is pure ASCII
    std::vector<char32_t> m_glob; // Glob: the pattern case-folded, as code points
    bool m_asciiPattern = false;
};

/// Whether `name` fits the wildcard pattern (both case-folded already; '*' any run, '?' one).
template<typename Char>
bool wildcardMatch(const Char* pattern, size_t patternSize, const Char* name, size_t nameSize)
{
    size_t p = 0;
    size_t n = 0;
    size_t starP = size_t(-1);
    size_t starN = 0;
    while (n < nameSize) {
        if (p < patternSize && (pattern[p] == Char('?') || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < patternSize && pattern[p] == Char('*')) {
            starP = p++;
            starN = n;
        } else if (starP != size_t(-1)) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < patternSize && pattern[p] == Char('*'))
        ++p;
    return p == patternSize;
}
