#include "FaultInjectingFileSystem.h"

#include <QMutexLocker>

namespace {

using Op = FaultInjectingFileSystem::Op;

bool ChangesDisk(Op op)
{
    return op != Op::Status && op != Op::ListFolder && op != Op::ActualName && op != Op::ReadStatuses;
}

} // namespace

bool FaultInjectingFileSystem::Rule::Matches(Op callOp, const QString &callPath) const
{
    return op == callOp && times != 0 && (suffix ? callPath.endsWith(path) : callPath == path);
}

void FaultInjectingFileSystem::FailOn(Op op, const QString &path, int code, int times)
{
    QMutexLocker lock(&m_mutex);
    m_rules.append({op, path, false, code, times});
}

void FaultInjectingFileSystem::FailOnSuffix(Op op, const QString &suffix, int code, int times)
{
    QMutexLocker lock(&m_mutex);
    m_rules.append({op, suffix, true, code, times});
}

void FaultInjectingFileSystem::ClearRules()
{
    QMutexLocker lock(&m_mutex);
    m_rules.clear();
}

QList<FaultInjectingFileSystem::Call> FaultInjectingFileSystem::Calls() const
{
    QMutexLocker lock(&m_mutex);
    return m_calls;
}

QStringList FaultInjectingFileSystem::CallsOf(Op op) const
{
    QMutexLocker lock(&m_mutex);
    QStringList paths;
    for (const Call &call : m_calls) {
        if (call.op == op)
            paths << call.path;
    }
    return paths;
}

QStringList FaultInjectingFileSystem::ChangedPaths() const
{
    QMutexLocker lock(&m_mutex);
    QStringList paths;
    for (const Call &call : m_calls) {
        if (!ChangesDisk(call.op))
            continue;
        // The source of a copy is only read.
        if (call.op != Op::CopyFile)
            paths << call.path;
        if (!call.target.isEmpty())
            paths << call.target;
    }
    return paths;
}

void FaultInjectingFileSystem::ClearCalls()
{
    QMutexLocker lock(&m_mutex);
    m_calls.clear();
}

bool FaultInjectingFileSystem::Intercept(Op op, const QString &path, const QString &target, FsError *error)
{
    QMutexLocker lock(&m_mutex);
    Call call{op, path, target};
    for (Rule &rule : m_rules) {
        if (!rule.Matches(op, path) && (target.isEmpty() || !rule.Matches(op, target)))
            continue;
        if (rule.times > 0)
            --rule.times;
        call.failed = true;
        m_calls.append(call);
        if (error)
            *error = FsError::FromErrno(rule.code);
        return true;
    }
    m_calls.append(call);
    return false;
}

bool FaultInjectingFileSystem::InterceptReadAhead(const QString &path, FsError *error)
{
    if (Intercept(Op::ReadStatuses, path, {}, error))
        return true;
    QMutexLocker lock(&m_mutex);
    for (const Rule &rule : std::as_const(m_rules)) {
        if (!rule.Matches(Op::Status, path))
            continue;
        m_calls.last().failed = true;
        if (error)
            *error = FsError::FromErrno(rule.code);
        return true;
    }
    return false;
}

void FaultInjectingFileSystem::ReadStatuses(const QString &folder, StatusNames names, const StatusAnswer &answer)
{
    // The names the rules pass are read by the wrapped file system in one call, in order.
    std::vector<QStringView> passed;
    QList<qsizetype> passedIndex;
    QList<std::pair<qsizetype, FsError>> failed;
    for (qsizetype i = 0; i < qsizetype(names.size()); ++i) {
        FsError error;
        if (InterceptReadAhead(QString(folder).append(names[size_t(i)]), &error)) {
            failed.append({i, error});
        } else {
            passed.push_back(names[size_t(i)]);
            passedIndex << i;
        }
    }
    qsizetype nextFailed = 0;
    const auto answerFailedBefore = [&](qsizetype index) {
        for (; nextFailed < failed.size() && failed[nextFailed].first < index; ++nextFailed)
            answer(failed[nextFailed].first, std::nullopt, failed[nextFailed].second);
    };
    m_inner.ReadStatuses(folder, passed, [&](qsizetype i, const std::optional<FileStatus> &status, const FsError &error) {
        answerFailedBefore(passedIndex[i]);
        answer(passedIndex[i], status, error);
    });
    answerFailedBefore(names.size());
}

std::optional<FileStatus> FaultInjectingFileSystem::Status(const QString &path, FsError *error)
{
    if (Intercept(Op::Status, path, {}, error))
        return std::nullopt;
    return m_inner.Status(path, error);
}

bool FaultInjectingFileSystem::ListFolder(const QString &path,
                                          const std::function<bool(const FolderEntry &)> &visit, FsError *error)
{
    return !Intercept(Op::ListFolder, path, {}, error) && m_inner.ListFolder(path, visit, error);
}

bool FaultInjectingFileSystem::CopyFile(const QString &source, const QString &target, FsError *error)
{
    return !Intercept(Op::CopyFile, source, target, error) && m_inner.CopyFile(source, target, error);
}

bool FaultInjectingFileSystem::DeleteFile(const QString &path, FsError *error)
{
    return !Intercept(Op::DeleteFile, path, {}, error) && m_inner.DeleteFile(path, error);
}

bool FaultInjectingFileSystem::RemoveFolder(const QString &path, FsError *error)
{
    return !Intercept(Op::RemoveFolder, path, {}, error) && m_inner.RemoveFolder(path, error);
}

bool FaultInjectingFileSystem::Move(const QString &from, const QString &to, FsError *error)
{
    return !Intercept(Op::Move, from, to, error) && m_inner.Move(from, to, error);
}

bool FaultInjectingFileSystem::CreateFolder(const QString &path, FsError *error)
{
    return !Intercept(Op::CreateFolder, path, {}, error) && m_inner.CreateFolder(path, error);
}

bool FaultInjectingFileSystem::CopyFolderAttributes(const QString &source, const QString &target, FsError *error)
{
    return !Intercept(Op::CopyFolderAttributes, target, source, error) && m_inner.CopyFolderAttributes(source, target, error);
}

bool FaultInjectingFileSystem::SyncFileSystem(const QString &path, FsError *error)
{
    return !Intercept(Op::SyncFileSystem, path, {}, error) && m_inner.SyncFileSystem(path, error);
}

bool FaultInjectingFileSystem::MakeWritable(const QString &path, FsError *error)
{
    return !Intercept(Op::MakeWritable, path, {}, error) && m_inner.MakeWritable(path, error);
}

bool FaultInjectingFileSystem::SetTimes(const QString &path, const FileTime &lastAccess, const FileTime &lastWrite,
                                        FsError *error)
{
    return !Intercept(Op::SetTimes, path, {}, error) && m_inner.SetTimes(path, lastAccess, lastWrite, error);
}

QString FaultInjectingFileSystem::ActualName(const QString &path)
{
    return Intercept(Op::ActualName, path, {}, nullptr) ? QString() : m_inner.ActualName(path);
}

bool FaultInjectingFileSystem::MoveToTrash(const QString &path, FsError *error)
{
    return !Intercept(Op::MoveToTrash, path, {}, error) && m_inner.MoveToTrash(path, error);
}
