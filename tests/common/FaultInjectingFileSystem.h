#pragma once

#include "platform/FileSystem.h"

#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>

// Wraps a file system and fails chosen calls with chosen errors; records every call, so a test can
// tell what was touched and what was not.
//   FaultInjectingFileSystem fs(real);
//   fs.FailOn(FaultInjectingFileSystem::Op::CopyFile, "/b/x.txt", ENOSPC, 1);   // once, then passes
//   fs.FailOnSuffix(FaultInjectingFileSystem::Op::Status, "/share", ESTALE);    // always
//   QCOMPARE(fs.CallsOf(FaultInjectingFileSystem::Op::DeleteFile), QStringList{"/b/old.txt"});
// A status read ahead (ReadStatuses) fails by its own rules, and also while a rule for Status on
// the same path is in force; only the Status calls themselves use up a counted Status rule, so
// that the checks see every failure a test asks for, whether or not the run reads ahead.
// Listings made ahead of a walk on other threads are recorded among the calls as they happen and
// use up a counted ListFolder rule like any other listing: fail a listing always, not n times,
// where the test must not depend on whether the run reads ahead.
class FaultInjectingFileSystem : public FileSystem {
public:
    enum class Op {
        Status, ListFolder, CopyFile, DeleteFile, RemoveFolder, Move, CreateFolder, MakeWritable,
        SetTimes, ActualName, MoveToTrash, CopyFolderAttributes, SyncFileSystem,
        ReadStatuses,   // one call per name, on the name's full path
    };
    static constexpr int Always = -1;

    // One call as it was made; target is the second path of CopyFile and Move, else empty.
    struct Call {
        Op op;
        QString path;
        QString target;
        bool failed = false;    // failed by a rule, the wrapped file system was not called
        friend bool operator==(const Call &, const Call &) = default;
    };

    explicit FaultInjectingFileSystem(FileSystem &inner) : m_inner(inner) {}

    // Fails the next `times` calls of op on path (either path of CopyFile and Move) with errno code.
    void FailOn(Op op, const QString &path, int code, int times = Always);
    // The same for every path that ends with suffix.
    void FailOnSuffix(Op op, const QString &suffix, int code, int times = Always);
    void ClearRules();

    QList<Call> Calls() const;
    // Paths of the calls of op, in order (the first path of a two-path call).
    QStringList CallsOf(Op op) const;
    // Every path a call that can change the disk was made on, both paths of CopyFile and Move.
    QStringList ChangedPaths() const;
    void ClearCalls();

    std::optional<FileStatus> Status(const QString &path, FsError *error) override;
    bool ListFolder(const QString &path, const std::function<bool(const FolderEntry &)> &visit,
                    FsError *error) override;
    bool CopyFile(const QString &source, const QString &target, FsError *error) override;
    bool DeleteFile(const QString &path, FsError *error) override;
    bool RemoveFolder(const QString &path, FsError *error) override;
    bool Move(const QString &from, const QString &to, FsError *error) override;
    bool CreateFolder(const QString &path, FsError *error) override;
    bool CopyFolderAttributes(const QString &source, const QString &target, FsError *error) override;
    bool SyncFileSystem(const QString &path, FsError *error) override;
    bool MakeWritable(const QString &path, FsError *error) override;
    bool SetTimes(const QString &path, const FileTime &lastAccess, const FileTime &lastWrite,
                  FsError *error) override;
    QString ActualName(const QString &path) override;
    QString VolumeRoot(const QString &path) override { return m_inner.VolumeRoot(path); }
    bool IsExchangeable(const QString &root) override { return m_inner.IsExchangeable(root); }
    QString VolumeLabel(const QString &root) override { return m_inner.VolumeLabel(root); }
    void ReleaseHandles() override { m_inner.ReleaseHandles(); }
    bool SupportsConcurrentReads() const override { return m_inner.SupportsConcurrentReads(); }
    void ReadStatuses(const QString &folder, StatusNames names, const StatusAnswer &answer) override;
    QString FileSystemType(const QString &path) override { return m_inner.FileSystemType(path); }
    QString ResolvedPath(const QString &path) override { return m_inner.ResolvedPath(path); }
    bool MoveToTrash(const QString &path, FsError *error) override;

private:
    struct Rule {
        Op op;
        QString path;
        bool suffix;
        int code;
        int times;
        bool Matches(Op op, const QString &path) const;
    };

    // Records the call; true (with *error set) when a rule fails it.
    bool Intercept(Op op, const QString &path, const QString &target, FsError *error);
    // The same for a status read ahead; a Status rule fails it without being used up.
    bool InterceptReadAhead(const QString &path, FsError *error);

    FileSystem &m_inner;
    mutable QMutex m_mutex;
    QList<Rule> m_rules;
    QList<Call> m_calls;
};
