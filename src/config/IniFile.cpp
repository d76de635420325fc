#include "config/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QtEndian>

#include <cerrno>
#include <fcntl.h>
#include <iconv.h>
#include <string_view>
#include <unordered_map>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char16_t Bom = 0xFEFF;

QString Fold(QStringView name)
{
    return name.toString().toCaseFolded();
}

bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView Trimmed(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// A line break inside a value would start a new line of the file: another key, or a section.
QString OneLine(QString text)
{
    text.replace(u'\r', u' ').replace(u'\n', u' ');
    return text;
}

QString NameOf(const QString &name)
{
    return Trimmed(OneLine(name)).toString();
}

QString DecodeCp932(const QByteArray &bytes)
{
    iconv_t cd = iconv_open("UTF-16LE", "CP932");
    if (cd == iconv_t(-1))
        return QString::fromLatin1(bytes);
    // Every byte gives at most one code unit, a byte that does not decode included.
    QString text(bytes.size(), Qt::Uninitialized);
    char *in = const_cast<char *>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    char *out = reinterpret_cast<char *>(text.data());
    size_t outLeft = size_t(text.size()) * 2;
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &out, &outLeft) != size_t(-1))
            break;
        if (errno != EILSEQ && errno != EINVAL)
            break;
        const char16_t replacement = qToLittleEndian<char16_t>(QChar::ReplacementCharacter);
        memcpy(out, &replacement, 2);
        out += 2;
        outLeft -= 2;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    text.truncate((out - reinterpret_cast<char *>(text.data())) / 2);
    if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN)
        qFromLittleEndian<char16_t>(text.data(), text.size(), text.data());
    return text;
}

QString DecodeUtf16(const char *data, qsizetype bytes, bool bigEndian)
{
    // An odd last byte is half a code unit: it is dropped.
    QString text(bytes / 2, Qt::Uninitialized);
    if (bigEndian)
        qFromBigEndian<char16_t>(data, text.size(), text.data());
    else
        qFromLittleEndian<char16_t>(data, text.size(), text.data());
    return text;
}

int WriteAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        data += written;
        left -= written;
    }
    return 0;
}

// The fallback for a folder where no new file can be made: the old file is overwritten.
int RewriteInPlace(const QByteArray &target, const QByteArray &bytes)
{
    const int fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int error = WriteAll(fd, bytes);
    if (!error && ::ftruncate(fd, off_t(bytes.size())) != 0)
        error = errno;
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno;
    return error;
}

int SyncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int error = ::fsync(fd) != 0 ? errno : 0;
    ::close(fd);
    return error;
}

} // namespace

void CIniFile::Section::Reindex()
{
    keys.clear();
    for (qsizetype i = 0; i < qsizetype(lines.size()); ++i) {
        if (lines[i].entry) {
            const QString fold = Fold(lines[i].key);
            if (!keys.contains(fold))
                keys.insert(fold, i);
        }
    }
}

CIniFile::CIniFile(QString path)
    : m_path(std::move(path))
{
}

CIniFile::~CIniFile()
{
    // Whatever a batch left pending still reaches the disk.
    if (m_dirty && m_batchDepth > 0)
        Flush();
}

QString CIniFile::DecodeText(const QByteArray &bytes)
{
    const auto starts = [&bytes](std::initializer_list<unsigned char> mark) {
        return bytes.size() >= qsizetype(mark.size())
               && std::equal(mark.begin(), mark.end(), reinterpret_cast<const unsigned char *>(bytes.constData()));
    };
    if (starts({0xFF, 0xFE}))
        return DecodeUtf16(bytes.constData() + 2, bytes.size() - 2, false);
    if (starts({0xFE, 0xFF}))
        return DecodeUtf16(bytes.constData() + 2, bytes.size() - 2, true);
    if (starts({0xEF, 0xBB, 0xBF}))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    return utf8.hasError() ? DecodeCp932(bytes) : text;
}

void CIniFile::Reset()
{
    m_lastSection = nullptr;
    m_sections.clear();
    m_index.clear();
    m_duplicateSections = false;
}

void CIniFile::IndexSection(Section &section, bool reindexKeys)
{
    if (reindexKeys)
        section.Reindex();
    if (!section.header)
        return;
    // Of two sections with one name the first is the one that is read and written.
    const QString fold = Fold(section.name);
    if (m_index.contains(fold))
        m_duplicateSections = true;
    else
        m_index.insert(fold, &section);
}

void CIniFile::Parse(const QByteArray &bytes)
{
    Reset();
    const QString text = DecodeText(bytes);
    const QStringView all(text);

    // A file of many settings repeats a few dozen keys: each is made and folded once.
    struct Key {
        QString name;
        QString fold;
    };
    std::unordered_map<std::u16string_view, Key> keys;
    const auto intern = [&keys](QStringView name) -> const Key & {
        const std::u16string_view view(reinterpret_cast<const char16_t *>(name.utf16()), size_t(name.size()));
        auto it = keys.find(view);
        if (it == keys.end()) {
            Key key{name.toString(), Fold(name)};
            const std::u16string_view stable(reinterpret_cast<const char16_t *>(key.name.utf16()), size_t(key.name.size()));
            it = keys.emplace(stable, std::move(key)).first;
        }
        return it->second;
    };

    Section *current = nullptr;
    const auto begin = [this, &current](std::unique_ptr<Section> section) {
        if (current)
            IndexSection(*current, false);
        current = m_sections.emplace_back(std::move(section)).get();
    };
    qsizetype pos = 0;
    while (pos < all.size()) {
        qsizetype end = pos;
        while (end < all.size() && all[end] != u'\r' && all[end] != u'\n')
            ++end;
        const QStringView raw = all.sliced(pos, end - pos);
        pos = end + (end + 1 < all.size() && all[end] == u'\r' && all[end + 1] == u'\n' ? 2 : 1);

        const QStringView line = Trimmed(raw);
        const qsizetype close = line.lastIndexOf(u']');
        if (line.startsWith(u'[') && close > 0) {
            auto section = std::make_unique<Section>();
            section->name = Trimmed(line.sliced(1, close - 1)).toString();
            begin(std::move(section));
            continue;
        }
        if (!current) {
            auto preamble = std::make_unique<Section>();
            preamble->header = false;
            begin(std::move(preamble));
        }
        const qsizetype equals = line.startsWith(u';') ? -1 : raw.indexOf(u'=');
        const QStringView name = equals >= 0 ? Trimmed(raw.first(equals)) : QStringView();
        if (name.isEmpty()) {
            current->lines.push_back({QString(), raw.toString(), false});
            continue;
        }
        const Key &key = intern(name);
        if (!current->keys.contains(key.fold))   // of two equal keys the first counts
            current->keys.insert(key.fold, qsizetype(current->lines.size()));
        current->lines.push_back({key.name, raw.sliced(equals + 1).toString(), true});
    }
    if (current)
        IndexSection(*current, false);
}

QByteArray CIniFile::Serialize() const
{
    QString text;
    text += QChar(Bom);
    const auto addLine = [&text](QStringView line) {
        text += line;
        text += u"\r\n";
    };
    for (const auto &section : m_sections) {
        if (section->removed)
            continue;
        if (section->header)
            addLine(QString(u'[' + section->name + u']'));
        for (const Line &line : section->lines) {
            if (line.entry) {
                text += line.key;
                text += u'=';
            }
            addLine(line.value);
        }
    }
    if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN)
        qToLittleEndian<char16_t>(text.data(), text.size(), text.data());
    return QByteArray(reinterpret_cast<const char *>(text.constData()), text.size() * 2);
}

CIniFile::Stamp CIniFile::StampOf(const QString &path)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return {true, status.st_dev, status.st_ino, status.st_size,
            qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec,
            qint64(status.st_ctim.tv_sec) * 1000000000 + status.st_ctim.tv_nsec};
}

void CIniFile::Refresh()
{
    const Stamp now = StampOf(m_path);
    if (m_loaded && now == m_stamp)
        return;
    QByteArray bytes;
    m_readError = now.exists ? ReadWholeFile(m_path, bytes) : 0;
    Parse(bytes);
    m_stamp = now;
    m_loaded = true;
    m_dirty = false;
}

CIniFile::Section *CIniFile::Find(const QString &section)
{
    // Inside a batch the content in memory is the truth; the disk is looked at when it begins.
    if (!m_loaded || m_batchDepth == 0)
        Refresh();
    if (m_lastSection && section == m_lastSectionName)
        return m_lastSection;
    Section *found = m_index.value(FoldedName(section), nullptr);
    if (found) {
        m_lastSectionName = section;
        m_lastSection = found;
    }
    return found;
}

const QString &CIniFile::FoldedName(const QString &name)
{
    auto it = m_foldedNames.constFind(name);
    if (it == m_foldedNames.cend()) {
        if (m_foldedNames.size() > 100000)
            m_foldedNames.clear();
        it = m_foldedNames.insert(name, Fold(NameOf(name)));
    }
    return *it;
}

CIniFile::Section &CIniFile::FindOrAdd(const QString &section)
{
    if (Section *found = Find(section))
        return *found;
    auto added = std::make_unique<Section>();
    added->name = NameOf(section);
    Section &result = *m_sections.emplace_back(std::move(added));
    IndexSection(result, true);
    return result;
}

std::optional<QString> CIniFile::Value(const QString &section, const QString &key)
{
    const Section *found = Find(section);
    if (!found)
        return std::nullopt;
    const auto it = found->keys.constFind(FoldedName(key));
    if (it == found->keys.cend())
        return std::nullopt;
    return found->lines[*it].value;
}

int CIniFile::SetValue(const QString &section, const QString &key, const QString &value)
{
    Section &target = FindOrAdd(section);
    const QString text = OneLine(value);
    const auto it = target.keys.constFind(FoldedName(key));
    if (it != target.keys.cend()) {
        Line &line = target.lines[*it];
        if (line.value == text && !m_dirty)
            return 0;
        line.value = text;
        return Changed();
    }
    // A new key goes after the section's last line that is not blank.
    qsizetype at = qsizetype(target.lines.size());
    while (at > 0 && !target.lines[at - 1].entry && Trimmed(target.lines[at - 1].value).isEmpty())
        --at;
    target.lines.insert(target.lines.begin() + at, Line{NameOf(key), text, true});
    if (at == qsizetype(target.lines.size()) - 1)
        target.keys.insert(FoldedName(key), at);
    else
        target.Reindex();
    return Changed();
}

int CIniFile::RemoveKey(const QString &section, const QString &key)
{
    Section *found = Find(section);
    if (!found)
        return 0;
    const auto it = found->keys.constFind(FoldedName(key));
    if (it == found->keys.cend())
        return 0;
    found->lines.erase(found->lines.begin() + *it);
    found->Reindex();
    return Changed();
}

int CIniFile::RemoveSection(const QString &section)
{
    Section *found = Find(section);
    if (!found)
        return 0;
    const QString fold = Fold(found->name);
    m_lastSection = nullptr;
    found->removed = true;
    found->lines.clear();
    found->keys.clear();
    m_index.remove(fold);
    if (m_duplicateSections) {
        for (const auto &other : m_sections) {
            if (!other->removed && other->header && Fold(other->name) == fold) {
                m_index.insert(fold, other.get());
                break;
            }
        }
    }
    return Changed();
}

int CIniFile::Clear(bool now)
{
    if (!m_loaded)
        m_stamp = StampOf(m_path);
    m_readError = 0;   // emptying is meant to replace whatever is there
    Reset();
    m_loaded = true;
    m_dirty = true;
    return now || m_batchDepth == 0 ? Flush() : 0;
}

int CIniFile::WriteNow()
{
    if (!m_loaded)
        Refresh();
    m_dirty = true;
    return Flush();
}

int CIniFile::Changed()
{
    m_dirty = true;
    return m_batchDepth > 0 ? 0 : Flush();
}

int CIniFile::Flush()
{
    // Writing what little is in memory over a file that could not be read would lose it all.
    const int error = m_readError ? m_readError : ReplaceFile(m_path, Serialize());
    m_lastWriteError = error;
    if (error == 0) {
        m_dirty = false;
        m_stamp = StampOf(m_path);
    }
    return error;
}

void CIniFile::BeginBatch()
{
    if (m_batchDepth++ == 0)
        Refresh();
}

int CIniFile::EndBatch()
{
    if (m_batchDepth == 0 || --m_batchDepth > 0)
        return 0;
    return m_dirty ? Flush() : 0;
}

int CIniFile::ReadWholeFile(const QString &path, QByteArray &bytes)
{
    bytes.clear();
    // Non-blocking, so a pipe of that name cannot stop the program.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno;
    struct stat status;
    const int statError = ::fstat(fd, &status) != 0 ? errno : 0;
    if (statError || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return statError ? statError : S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
    }
    int error = 0;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            error = got < 0 ? errno : 0;
            break;
        }
        bytes.append(buffer, got);
    }
    ::close(fd);
    return error;
}

int CIniFile::ReplaceFile(const QString &path, const QByteArray &bytes)
{
    QByteArray target = QFile::encodeName(path);
    // Writing through a symbolic link keeps the link.
    struct stat status;
    const bool exists = ::lstat(target.constData(), &status) == 0;
    if (exists && S_ISLNK(status.st_mode)) {
        if (char *resolved = ::realpath(target.constData(), nullptr)) {
            target = resolved;
            ::free(resolved);
        }
    }
    const QFileInfo info(QFile::decodeName(target));
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    const bool hadFile = ::stat(target.constData(), &status) == 0;

    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = folder + "/." + QFile::encodeName(info.fileName()) + '.'
                    + QByteArray::number(QRandomGenerator::global()->generate64(), 36) + ".tmp";
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        const int error = errno;
        const bool noRoomBeside = error == EACCES || error == EPERM;
        if (noRoomBeside && hadFile && ::access(target.constData(), W_OK) == 0)
            return RewriteInPlace(target, bytes);
        return error;
    }
    if (hadFile)
        ::fchmod(fd, status.st_mode & 07777);

    int error = WriteAll(fd, bytes);
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno;
    if (!error && ::rename(temporary.constData(), target.constData()) != 0)
        error = errno;
    if (error) {
        ::unlink(temporary.constData());
        return error;
    }
    // The rename itself must survive a power loss, not only the data.
    SyncFolder(folder);
    return 0;
}
