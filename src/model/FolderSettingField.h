#pragma once

#include "model/FolderSetting.h"

#include <QStringView>
#include <span>
#include <type_traits>
#include <utility>

// How one settings key of a folder setting maps to its field: the stores, the project save order
// and the command line's key=value settings all go through this one table.
class FolderSettingField {
public:
    enum class Kind { Flag, Integer, Time, Text, SizeThreshold };

    static constexpr FolderSettingField Flag(const char16_t *key, bool CFolderSetting::*m) { return {key, Kind::Flag, m, {}, nullptr, nullptr}; }
    // A 32-bit integer, or a scoped enumeration stored as one.
    template <auto Member>
    static constexpr FolderSettingField Integer(const char16_t *key)
    {
        using Value = std::remove_reference_t<decltype(std::declval<CFolderSetting &>().*Member)>;
        const IntegerAccess access{[](const CFolderSetting &r) { return static_cast<qint32>(r.*Member); },
                                   [](CFolderSetting &r, qint32 v) { r.*Member = static_cast<Value>(v); }};
        return {key, Kind::Integer, nullptr, access, nullptr, nullptr};
    }
    static constexpr FolderSettingField Time(const char16_t *key, qint64 CFolderSetting::*m) { return {key, Kind::Time, nullptr, {}, m, nullptr}; }
    static constexpr FolderSettingField Text(const char16_t *key, QString CFolderSetting::*m) { return {key, Kind::Text, nullptr, {}, nullptr, m}; }
    static constexpr FolderSettingField SizeThreshold(const char16_t *key) { return {key, Kind::SizeThreshold, nullptr, {}, nullptr, nullptr}; }

    QStringView Key() const { return QStringView(m_key); }
    Kind FieldKind() const { return m_kind; }

    // Integers (flags as 0/1, times as their low 32 bits) or texts (texts, the size threshold).
    bool IsStoredAsText() const { return m_kind == Kind::Text || m_kind == Kind::SizeThreshold; }
    qint32 StoredInteger(const CFolderSetting &record) const;
    QString StoredText(const CFolderSetting &record) const;
    void SetFromStoredInteger(CFolderSetting &record, qint32 value) const;
    void SetFromStoredText(CFolderSetting &record, const QString &value) const;

    // Every key, in the order the project save writes them.
    static std::span<const FolderSettingField> All();
    // The field of a key, compared without regard to case; null when there is none.
    static const FolderSettingField *Find(QStringView key);

private:
    struct IntegerAccess {
        qint32 (*get)(const CFolderSetting &) = nullptr;
        void (*set)(CFolderSetting &, qint32) = nullptr;
    };

    constexpr FolderSettingField(const char16_t *key, Kind kind, bool CFolderSetting::*f, IntegerAccess i,
                                 qint64 CFolderSetting::*t, QString CFolderSetting::*s)
        : m_key(key), m_kind(kind), m_flag(f), m_integer(i), m_time(t), m_text(s) {}

    const char16_t *m_key;
    Kind m_kind;
    bool CFolderSetting::*m_flag;
    IntegerAccess m_integer;
    qint64 CFolderSetting::*m_time;
    QString CFolderSetting::*m_text;
};
