/* The least a rescan has to do, as a yardstick for the engine: list every folder of the master
 * tree once and read the status of each entry on both sides, on a number of threads that share one
 * stack of folders. No decisions, no output per file, nothing changed.
 *
 *   floor_walk MASTER BACKUP [THREADS]      (THREADS defaults to 2)
 *
 * Prints the entries seen and the time taken. Built with the benchmarks, linked to nothing of the
 * engine. */
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

struct Work {
    char **folders;     /* relative paths, "" for the root */
    size_t count, capacity;
    size_t busy;        /* threads holding a folder */
    pthread_mutex_t mutex;
    pthread_cond_t wake;
    const char *master, *backup;
    unsigned long long entries, missing;
};

static void *Allocated(void *memory)
{
    if (!memory) {
        perror("floor_walk");
        exit(1);
    }
    return memory;
}

static void Push(struct Work *work, char *folder)
{
    if (work->count == work->capacity) {
        work->capacity = work->capacity ? work->capacity * 2 : 1024;
        work->folders = Allocated(realloc(work->folders, work->capacity * sizeof *work->folders));
    }
    work->folders[work->count++] = folder;
}

static int OpenBelow(const char *root, const char *relative, int flags)
{
    char path[8192];
    snprintf(path, sizeof path, "%s/%s", root, relative);
    return open(path, flags | O_DIRECTORY | O_CLOEXEC);
}

/* Lists one master folder, reads each entry's status on both sides and returns its subfolders
 * through the shared stack. */
static void Visit(struct Work *work, const char *relative)
{
    const int masterFd = OpenBelow(work->master, relative, O_RDONLY);
    if (masterFd < 0)
        return;
    const int backupFd = OpenBelow(work->backup, relative, O_PATH);
    DIR *folder = fdopendir(masterFd);
    if (!folder) {
        close(masterFd);
        if (backupFd >= 0)
            close(backupFd);
        return;
    }
    unsigned long long entries = 0, missing = 0;
    char **subfolders = NULL;
    size_t subCount = 0, subCapacity = 0;
    struct dirent *entry;
    while ((entry = readdir(folder))) {
        if (!strcmp(entry->d_name, ".") || !strcmp(entry->d_name, ".."))
            continue;
        struct stat status;
        ++entries;
        fstatat(masterFd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW);
        if (backupFd < 0 || fstatat(backupFd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            ++missing;
        if (entry->d_type == DT_DIR) {
            if (subCount == subCapacity) {
                subCapacity = subCapacity ? subCapacity * 2 : 16;
                subfolders = Allocated(realloc(subfolders, subCapacity * sizeof *subfolders));
            }
            const size_t length = strlen(relative) + strlen(entry->d_name) + 2;
            char *path = Allocated(malloc(length));
            snprintf(path, length, "%s%s%s", relative, *relative ? "/" : "", entry->d_name);
            subfolders[subCount++] = path;
        }
    }
    closedir(folder);
    if (backupFd >= 0)
        close(backupFd);
    pthread_mutex_lock(&work->mutex);
    work->entries += entries;
    work->missing += missing;
    for (size_t i = subCount; i > 0; --i)
        Push(work, subfolders[i - 1]);
    pthread_cond_broadcast(&work->wake);
    pthread_mutex_unlock(&work->mutex);
    free(subfolders);
}

static void *Worker(void *argument)
{
    struct Work *work = argument;
    pthread_mutex_lock(&work->mutex);
    for (;;) {
        while (work->count == 0 && work->busy > 0)
            pthread_cond_wait(&work->wake, &work->mutex);
        if (work->count == 0)
            break;
        char *folder = work->folders[--work->count];
        ++work->busy;
        pthread_mutex_unlock(&work->mutex);
        Visit(work, folder);
        free(folder);
        pthread_mutex_lock(&work->mutex);
        --work->busy;
        pthread_cond_broadcast(&work->wake);
    }
    pthread_mutex_unlock(&work->mutex);
    return NULL;
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: floor_walk MASTER BACKUP [THREADS]\n");
        return 64;
    }
    const int threads = argc > 3 ? atoi(argv[3]) : 2;
    if (threads < 1 || threads > 64) {
        fprintf(stderr, "floor_walk: THREADS must be 1 to 64\n");
        return 64;
    }
    struct Work work = {.master = argv[1], .backup = argv[2]};
    pthread_mutex_init(&work.mutex, NULL);
    pthread_cond_init(&work.wake, NULL);
    Push(&work, Allocated(strdup("")));

    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    pthread_t ids[64];
    for (int i = 0; i < threads; ++i)
        pthread_create(&ids[i], NULL, Worker, &work);
    for (int i = 0; i < threads; ++i)
        pthread_join(ids[i], NULL);
    clock_gettime(CLOCK_MONOTONIC, &end);
    printf("entries %llu, missing on the backup side %llu, %.3f s on %d threads\n", work.entries, work.missing,
           (double)(end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9, threads);
    free(work.folders);
    return 0;
}
