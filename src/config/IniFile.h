#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>
#include <optional>
#include <sys/types.h>
#include <vector>

// A profile file: "[section]" lines followed by "key=value" lines, stored as UTF-16LE with the
// byte-order mark FF FE and CR LF line ends. It is read once and kept in memory; every change
// is written back as a whole new file that replaces the old one by rename, so the file on disk
// is always either the old or the new one. Changes made inside a batch are written once, when
// the outermost batch ends.
//
// Section and key names are compared without regard to case. Sections and keys keep the order
// of their first write; replacing a value keeps its line where it is. Lines that are neither
// (comments, garbage) are kept as they are. A file changed on disk by someone else is read
// again before the next use.
class CIniFile {
public:
    explicit CIniFile(QString path);
    CIniFile(const CIniFile &) = delete;
    CIniFile &operator=(const CIniFile &) = delete;
    virtual ~CIniFile();

    const QString &Path() const { return m_path; }

    std::optional<QString> Value(const QString &section, const QString &key);
    // The write results say whether the change reached the disk (inside a batch: whether it
    // is pending); 0 or an errno value.
    int SetValue(const QString &section, const QString &key, const QString &value);
    int RemoveKey(const QString &section, const QString &key);
    int RemoveSection(const QString &section);
    // Replaces the whole content by nothing: the file holds the byte-order mark alone. With
    // now, the file is written at once even inside a batch.
    int Clear(bool now = false);
    // Writes the content as it is now, inside a batch too: makes a missing file.
    int WriteNow();

    void BeginBatch();
    int EndBatch();        // 0, or the errno of the write that failed
    bool InBatch() const { return m_batchDepth > 0; }
    // The errno of the last write that failed, 0 after one that succeeded.
    int LastWriteError() const { return m_lastWriteError; }

    // The whole file; an errno value when it cannot be read.
    static int ReadWholeFile(const QString &path, QByteArray &bytes);

    // Reads the file now if it changed on disk since it was last read or written.
    void Refresh();

    // The file as it would be written, and the content taken from file bytes of any encoding.
    QByteArray Serialize() const;
    void Parse(const QByteArray &bytes);

    // Text of file bytes: UTF-16 when a byte-order mark says so, else UTF-8 when the bytes are
    // valid UTF-8, else the Japanese Windows code page (CP932).
    static QString DecodeText(const QByteArray &bytes);
    // Writes bytes to path through a temporary file in the same folder, synced, then renamed
    // over path; 0 or an errno value. With no room for a temporary file beside it, an existing
    // writable file is rewritten in place.
    static int ReplaceFile(const QString &path, const QByteArray &bytes);

private:
    struct Line {
        QString key;      // an entry's key; empty for other lines
        QString value;    // an entry's value, or the whole text of another line
        bool entry = false;
    };
    struct Section {
        QString name;
        bool header = true;    // false for what precedes the first header
        bool removed = false;
        std::vector<Line> lines;
        QHash<QString, qsizetype> keys;   // folded key -> first line with it
        void Reindex();
    };
    struct Stamp {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        qint64 mtimeNs = 0;
        qint64 ctimeNs = 0;
        friend bool operator==(const Stamp &, const Stamp &) = default;
    };

    Section *Find(const QString &section);
    const QString &FoldedName(const QString &name);
    Section &FindOrAdd(const QString &section);
    void Reset();
    void IndexSection(Section &section, bool reindexKeys);
    int Changed();
    int Flush();
    static Stamp StampOf(const QString &path);

    QString m_path;
    std::vector<std::unique_ptr<Section>> m_sections;
    QHash<QString, Section *> m_index;   // folded name -> first live section of that name
    QHash<QString, QString> m_foldedNames;   // a name as callers spell it -> its lookup form
    QString m_lastSectionName;               // a setting is read key by key from one section
    Section *m_lastSection = nullptr;
    bool m_duplicateSections = false;
    bool m_loaded = false;
    bool m_dirty = false;
    int m_readError = 0;    // the file is there but could not be read: it is never replaced
    int m_batchDepth = 0;
    int m_lastWriteError = 0;
    Stamp m_stamp;
};
