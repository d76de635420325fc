#include "FaultInjectingFileSystem.h"

#include <QMutexLocker>

namespace {

using Op = FaultInjectingFileSystem::Op;

bool ChangesDisk(Op op)
{
    return op != Op::Status && op != Op::ListFolder && op != Op::ActualName;
}

} // namespace

bool FaultInjectingFileSystem::Rule::matches(Op callOp, const QString &callPath) const
{
    return op == callOp && times != 0 && (suffix ? callPath.endsWith(path) : callPath == path);
}

void FaultInjectingFileSystem::failOn(Op op, const QString &path, int code, int times)
{
    QMutexLocker lock(&mutex_);
    rules_.append({op, path, false, code, times});
}

void FaultInjectingFileSystem::failOnSuffix(Op op, const QString &suffix, int code, int times)
{
    QMutexLocker lock(&mutex_);
    rules_.append({op, suffix, true, code, times});
}

void FaultInjectingFileSystem::clearRules()
{
    QMutexLocker lock(&mutex_);
    rules_.clear();
}

QList<FaultInjectingFileSystem::Call> FaultInjectingFileSystem::calls() const
{
    QMutexLocker lock(&mutex_);
    return calls_;
}

QStringList FaultInjectingFileSystem::callsOf(Op op) const
{
    QMutexLocker lock(&mutex_);
    QStringList paths;
    for (const Call &call : calls_) {
        if (call.op == op)
            paths << call.path;
    }
    return paths;
}

QStringList FaultInjectingFileSystem::changedPaths() const
{
    QMutexLocker lock(&mutex_);
    QStringList paths;
    for (const Call &call : calls_) {
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

void FaultInjectingFileSystem::clearCalls()
{
    QMutexLocker lock(&mutex_);
    calls_.clear();
}

bool FaultInjectingFileSystem::intercept(Op op, const QString &path, const QString &target, FsError *error)
{
    QMutexLocker lock(&mutex_);
    Call call{op, path, target};
    for (Rule &rule : rules_) {
        if (!rule.matches(op, path) && (target.isEmpty() || !rule.matches(op, target)))
            continue;
        if (rule.times > 0)
            --rule.times;
        call.failed = true;
        calls_.append(call);
        if (error)
            *error = FsError::fromErrno(rule.code);
        return true;
    }
    calls_.append(call);
    return false;
}

std::optional<FileStatus> FaultInjectingFileSystem::Status(const QString &path, FsError *error)
{
    if (intercept(Op::Status, path, {}, error))
        return std::nullopt;
    return inner_.Status(path, error);
}

bool FaultInjectingFileSystem::ListFolder(const QString &path,
                                          const std::function<bool(const FolderEntry &)> &visit, FsError *error)
{
    return !intercept(Op::ListFolder, path, {}, error) && inner_.ListFolder(path, visit, error);
}

bool FaultInjectingFileSystem::CopyFile(const QString &source, const QString &target, FsError *error)
{
    return !intercept(Op::CopyFile, source, target, error) && inner_.CopyFile(source, target, error);
}

bool FaultInjectingFileSystem::DeleteFile(const QString &path, FsError *error)
{
    return !intercept(Op::DeleteFile, path, {}, error) && inner_.DeleteFile(path, error);
}

bool FaultInjectingFileSystem::RemoveFolder(const QString &path, FsError *error)
{
    return !intercept(Op::RemoveFolder, path, {}, error) && inner_.RemoveFolder(path, error);
}

bool FaultInjectingFileSystem::Move(const QString &from, const QString &to, FsError *error)
{
    return !intercept(Op::Move, from, to, error) && inner_.Move(from, to, error);
}

bool FaultInjectingFileSystem::CreateFolder(const QString &path, FsError *error)
{
    return !intercept(Op::CreateFolder, path, {}, error) && inner_.CreateFolder(path, error);
}

bool FaultInjectingFileSystem::MakeWritable(const QString &path, FsError *error)
{
    return !intercept(Op::MakeWritable, path, {}, error) && inner_.MakeWritable(path, error);
}

bool FaultInjectingFileSystem::SetTimes(const QString &path, const FileTime &lastAccess, const FileTime &lastWrite,
                                        FsError *error)
{
    return !intercept(Op::SetTimes, path, {}, error) && inner_.SetTimes(path, lastAccess, lastWrite, error);
}

QString FaultInjectingFileSystem::ActualName(const QString &path)
{
    return intercept(Op::ActualName, path, {}, nullptr) ? QString() : inner_.ActualName(path);
}

bool FaultInjectingFileSystem::MoveToTrash(const QString &path, FsError *error)
{
    return !intercept(Op::MoveToTrash, path, {}, error) && inner_.MoveToTrash(path, error);
}
