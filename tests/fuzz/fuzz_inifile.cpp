// Fuzz driver of the INI file reader and writer (libFuzzer). Built only with the CMake option
// ORVANE_FUZZ, which needs clang:
//
//   CC=clang CXX=clang++ cmake -B build-fuzz -G Ninja -DORVANE_FUZZ=ON
//   cmake --build build-fuzz --target fuzz_inifile
//   mkdir -p /tmp/fuzz_inifile_corpus
//   build-fuzz/tests/fuzz/fuzz_inifile -max_total_time=180 -max_len=65536 /tmp/fuzz_inifile_corpus
//
// The tests of that build folder include a run of twenty seconds.
//
// Each input is taken as the bytes of an INI file. Checked for every input, besides the
// sanitizers' own checks:
//   - writing out what was read and reading that again gives the same values and, written
//     out once more, the same bytes;
//   - the written file is UTF-16LE with its mark, and every line ends in CR LF;
//   - a value written is read back (with line breaks turned into blanks), a key removed is
//     gone, and neither disturbs the values of other sections.

#include "config/IniFile.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace {

// Never written: the folder does not exist, so every write fails before it touches a disk.
const QString NoWhere = QStringLiteral("/nonexistent-orvane-fuzz/fuzz.ini");

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// An INI object holding the given bytes, kept in memory by an open batch.
struct Loaded {
    CIniFile ini{NoWhere};
    explicit Loaded(const QByteArray &bytes)
    {
        ini.BeginBatch();
        ini.Parse(bytes);
    }
};

// (section, key) pairs that the text seems to hold; whatever the reader makes of them, two
// reads of equivalent files must agree on each.
std::vector<std::pair<QString, QString>> Probes(const QString &text)
{
    std::vector<std::pair<QString, QString>> probes;
    QString section;
    const QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    for (const QString &line : lines) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(u'[') && trimmed.lastIndexOf(u']') > 0) {
            section = trimmed.mid(1, trimmed.lastIndexOf(u']') - 1);
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0)
            probes.emplace_back(section, line.left(equals));
        if (probes.size() >= 200)
            break;
    }
    return probes;
}

void CheckLineEnds(const QByteArray &bytes)
{
    Check(bytes.size() >= 2 && bytes.size() % 2 == 0);
    Check(uchar(bytes[0]) == 0xFF && uchar(bytes[1]) == 0xFE);
    for (qsizetype i = 2; i + 1 < bytes.size(); i += 2) {
        const char16_t unit = char16_t(uchar(bytes[i]) | uchar(bytes[i + 1]) << 8);
        if (unit == u'\r')
            Check(i + 3 < bytes.size() && bytes[i + 2] == '\n' && bytes[i + 3] == '\0');
        if (unit == u'\n')
            Check(i >= 4 && bytes[i - 2] == '\r' && bytes[i - 1] == '\0');
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    Loaded first(bytes);
    const QByteArray written = first.ini.Serialize();
    CheckLineEnds(written);

    Loaded second(written);
    Check(second.ini.Serialize() == written);
    const auto probes = Probes(CIniFile::DecodeText(bytes));
    for (const auto &[section, key] : probes)
        Check(first.ini.Value(section, key) == second.ini.Value(section, key));

    // A write and a removal, named by the input itself.
    const QString text = CIniFile::DecodeText(bytes);
    const QString section = text.left(6);
    const QString key = text.mid(6, 5).trimmed();
    const QString value = text.mid(11, 40);
    if (!key.isEmpty() && !key.contains(u'=') && !key.startsWith(u';') && !key.startsWith(u'[')
        && !section.contains(u']') && !section.contains(u'\r') && !section.contains(u'\n')) {
        std::vector<std::optional<QString>> before;
        for (const auto &[s, k] : probes)
            before.push_back(first.ini.Value(s, k));

        first.ini.SetValue(section, key, value);
        QString expected = value;
        expected.replace(u'\r', u' ').replace(u'\n', u' ');
        Check(first.ini.Value(section, key) == std::optional(expected));
        Loaded reread(first.ini.Serialize());
        Check(reread.ini.Value(section, key) == std::optional(expected));
        CheckLineEnds(first.ini.Serialize());

        first.ini.RemoveKey(section, key);
        for (size_t i = 0; i < probes.size(); ++i) {
            const auto &[s, k] = probes[i];
            const bool same = s.trimmed().compare(section.trimmed(), Qt::CaseInsensitive) == 0;
            if (!same)
                Check(first.ini.Value(s, k) == before[i]);
        }
    }
    return 0;
}
