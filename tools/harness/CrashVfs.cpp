#include "CrashVfs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <random>
#include <sqlite3.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace pusla::harness {

namespace {

struct State
{
    sqlite3_vfs *real = nullptr;
    bool armed = false;
    qint64 seen = 0;
    qint64 target = 0;
    int exitCode = 0;
    FileFault fault = FileFault::Crash;
    quint32 seed = 1;
};

State g_state;
sqlite3_vfs g_vfs;
sqlite3_io_methods g_methods;

constexpr sqlite3_int64 kSector = 512;

/// What a file wrote since its last sync, sector by sector: the bytes that
/// were there before and the part of the sector the writes touched. Kept by
/// name, so that a file closed unsynced still loses its writes.
struct Unsynced
{
    struct Sector
    {
        std::string before;
        sqlite3_int64 from = kSector;
        sqlite3_int64 to = 0;
    };
    sqlite3_int64 syncedSize = 0;
    std::map<sqlite3_int64, Sector> sectors;
};

std::map<std::string, Unsynced> g_unsynced;

struct ShimFile
{
    sqlite3_file base;
    sqlite3_file *real;
    const char *name; // null for SQLite's nameless temporary files
};

sqlite3_file *real(sqlite3_file *file)
{
    return reinterpret_cast<ShimFile *>(file)->real;
}

const char *nameOf(sqlite3_file *file)
{
    return reinterpret_cast<ShimFile *>(file)->name;
}

void noteWrite(sqlite3_file *f, int n, sqlite3_int64 offset)
{
    const char *name = nameOf(f);
    if (!name)
        return;
    const auto [file, fresh] = g_unsynced.try_emplace(name);
    Unsynced &unsynced = file->second;
    if (fresh)
        real(f)->pMethods->xFileSize(real(f), &unsynced.syncedSize);
    for (sqlite3_int64 at = offset / kSector * kSector; at < offset + n; at += kSector) {
        const auto [sector, added] = unsynced.sectors.try_emplace(at);
        if (added) {
            // A short read fills the rest with zeros, as the disk beyond the end reads.
            sector->second.before.assign(kSector, '\0');
            real(f)->pMethods->xRead(real(f), sector->second.before.data(), int(kSector), at);
        }
        sector->second.from = std::min(sector->second.from, std::max(offset, at) - at);
        sector->second.to = std::max(sector->second.to, std::min(offset + n, at + kSector) - at);
    }
}

void noteTruncate(sqlite3_file *f, sqlite3_int64 size)
{
    const char *name = nameOf(f);
    const auto file = name ? g_unsynced.find(name) : g_unsynced.end();
    if (file == g_unsynced.end())
        return;
    file->second.sectors.erase(file->second.sectors.lower_bound(size), file->second.sectors.end());
    file->second.syncedSize = std::min(file->second.syncedSize, size);
}

/// The power goes: each sector written since its file's last sync reached
/// the disk, never left the cache, or was torn into garbage where written.
void losePower()
{
    std::mt19937 random(g_state.seed);
    for (const auto &[path, unsynced] : g_unsynced) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0)
            continue;
        sqlite3_int64 size = unsynced.syncedSize;
        for (const auto &[offset, sector] : unsynced.sectors) {
            switch (random() % 3) {
            case 0:
                size = std::max(size, offset + sector.to);
                break;
            case 1:
                ::pwrite(fd, sector.before.data(), sector.before.size(), offset);
                break;
            default: {
                std::string garbage(static_cast<std::size_t>(sector.to - sector.from), '\0');
                for (char &c : garbage)
                    c = static_cast<char>(random());
                ::pwrite(fd, garbage.data(), garbage.size(), offset + sector.from);
                size = std::max(size, offset + sector.to);
            }
            }
        }
        struct stat info {};
        if (::fstat(fd, &info) == 0 && info.st_size > size)
            ::ftruncate(fd, size);
        ::close(fd);
    }
}

/// Counts a file operation and lets the fault strike it; true when it is to
/// fail with an I/O error.
bool beforeChange(const char *what)
{
    if (!g_state.armed)
        return false;
    ++g_state.seen;
    if (g_state.target <= 0 || g_state.seen != g_state.target)
        return false;
    const auto at = static_cast<long long>(g_state.seen);
    switch (g_state.fault) {
    case FileFault::IoError:
        std::printf("io error at file operation %lld (%s)\n", at, what);
        std::fflush(stdout);
        return true;
    case FileFault::PowerLoss: {
        g_state.armed = false;
        std::size_t sectors = 0;
        for (const auto &file : g_unsynced)
            sectors += file.second.sectors.size();
        losePower();
        std::printf("power lost before file operation %lld (%s): %zu unsynced sectors in %zu files\n", at, what,
                    sectors, g_unsynced.size());
        break;
    }
    case FileFault::Crash:
        std::printf("crash before file operation %lld (%s)\n", at, what);
        break;
    }
    std::fflush(stdout);
    ::_exit(g_state.exitCode);
}

int shimClose(sqlite3_file *f)
{
    const int rc = real(f)->pMethods ? real(f)->pMethods->xClose(real(f)) : SQLITE_OK;
    return rc;
}
int shimRead(sqlite3_file *f, void *p, int n, sqlite3_int64 o) { return real(f)->pMethods->xRead(real(f), p, n, o); }
int shimWrite(sqlite3_file *f, const void *p, int n, sqlite3_int64 o)
{
    if (beforeChange("write"))
        return SQLITE_IOERR_WRITE;
    noteWrite(f, n, o);
    return real(f)->pMethods->xWrite(real(f), p, n, o);
}
int shimTruncate(sqlite3_file *f, sqlite3_int64 size)
{
    if (beforeChange("truncate"))
        return SQLITE_IOERR_TRUNCATE;
    noteTruncate(f, size);
    return real(f)->pMethods->xTruncate(real(f), size);
}
int shimSync(sqlite3_file *f, int flags)
{
    if (beforeChange("sync"))
        return SQLITE_IOERR_FSYNC;
    const int rc = real(f)->pMethods->xSync(real(f), flags);
    if (rc == SQLITE_OK && nameOf(f))
        g_unsynced.erase(nameOf(f));
    return rc;
}
int shimFileSize(sqlite3_file *f, sqlite3_int64 *size) { return real(f)->pMethods->xFileSize(real(f), size); }
int shimLock(sqlite3_file *f, int level) { return real(f)->pMethods->xLock(real(f), level); }
int shimUnlock(sqlite3_file *f, int level) { return real(f)->pMethods->xUnlock(real(f), level); }
int shimCheckReservedLock(sqlite3_file *f, int *out) { return real(f)->pMethods->xCheckReservedLock(real(f), out); }
int shimFileControl(sqlite3_file *f, int op, void *arg) { return real(f)->pMethods->xFileControl(real(f), op, arg); }
int shimSectorSize(sqlite3_file *f) { return real(f)->pMethods->xSectorSize(real(f)); }
int shimDeviceCharacteristics(sqlite3_file *f) { return real(f)->pMethods->xDeviceCharacteristics(real(f)); }
int shimShmMap(sqlite3_file *f, int region, int size, int extend, void volatile **p)
{
    return real(f)->pMethods->xShmMap(real(f), region, size, extend, p);
}
int shimShmLock(sqlite3_file *f, int offset, int n, int flags)
{
    return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
}
void shimShmBarrier(sqlite3_file *f) { real(f)->pMethods->xShmBarrier(real(f)); }
int shimShmUnmap(sqlite3_file *f, int deleteFlag) { return real(f)->pMethods->xShmUnmap(real(f), deleteFlag); }
int shimFetch(sqlite3_file *f, sqlite3_int64 o, int n, void **p) { return real(f)->pMethods->xFetch(real(f), o, n, p); }
int shimUnfetch(sqlite3_file *f, sqlite3_int64 o, void *p) { return real(f)->pMethods->xUnfetch(real(f), o, p); }

int shimOpen(sqlite3_vfs *, sqlite3_filename name, sqlite3_file *file, int flags, int *outFlags)
{
    auto *shim = reinterpret_cast<ShimFile *>(file);
    shim->real = reinterpret_cast<sqlite3_file *>(shim + 1);
    shim->real->pMethods = nullptr;
    shim->name = name;
    const int rc = g_state.real->xOpen(g_state.real, name, shim->real, flags, outFlags);
    shim->base.pMethods = shim->real->pMethods ? &g_methods : nullptr;
    return rc;
}

int shimDelete(sqlite3_vfs *, const char *name, int syncDir)
{
    // Deleting a journal or the super-journal is the commit point itself.
    if (beforeChange("delete"))
        return SQLITE_IOERR_DELETE;
    const int rc = g_state.real->xDelete(g_state.real, name, syncDir);
    if (rc == SQLITE_OK)
        g_unsynced.erase(name);
    return rc;
}
int shimAccess(sqlite3_vfs *, const char *name, int flags, int *out)
{
    return g_state.real->xAccess(g_state.real, name, flags, out);
}
int shimFullPathname(sqlite3_vfs *, const char *name, int n, char *out)
{
    return g_state.real->xFullPathname(g_state.real, name, n, out);
}
void *shimDlOpen(sqlite3_vfs *, const char *name) { return g_state.real->xDlOpen(g_state.real, name); }
void shimDlError(sqlite3_vfs *, int n, char *out) { g_state.real->xDlError(g_state.real, n, out); }
void (*shimDlSym(sqlite3_vfs *, void *handle, const char *symbol))(void)
{
    return g_state.real->xDlSym(g_state.real, handle, symbol);
}
void shimDlClose(sqlite3_vfs *, void *handle) { g_state.real->xDlClose(g_state.real, handle); }
int shimRandomness(sqlite3_vfs *, int n, char *out) { return g_state.real->xRandomness(g_state.real, n, out); }
int shimSleep(sqlite3_vfs *, int micros) { return g_state.real->xSleep(g_state.real, micros); }
int shimCurrentTime(sqlite3_vfs *, double *out) { return g_state.real->xCurrentTime(g_state.real, out); }
int shimGetLastError(sqlite3_vfs *, int n, char *out) { return g_state.real->xGetLastError(g_state.real, n, out); }
int shimCurrentTimeInt64(sqlite3_vfs *, sqlite3_int64 *out)
{
    return g_state.real->xCurrentTimeInt64(g_state.real, out);
}

} // namespace

void installCrashVfs()
{
    if (g_state.real)
        return;
    sqlite3_initialize();
    g_state.real = sqlite3_vfs_find(nullptr);
    if (!g_state.real)
        return;

    std::memset(&g_methods, 0, sizeof g_methods);
    g_methods.iVersion = 3;
    g_methods.xClose = shimClose;
    g_methods.xRead = shimRead;
    g_methods.xWrite = shimWrite;
    g_methods.xTruncate = shimTruncate;
    g_methods.xSync = shimSync;
    g_methods.xFileSize = shimFileSize;
    g_methods.xLock = shimLock;
    g_methods.xUnlock = shimUnlock;
    g_methods.xCheckReservedLock = shimCheckReservedLock;
    g_methods.xFileControl = shimFileControl;
    g_methods.xSectorSize = shimSectorSize;
    g_methods.xDeviceCharacteristics = shimDeviceCharacteristics;
    g_methods.xShmMap = shimShmMap;
    g_methods.xShmLock = shimShmLock;
    g_methods.xShmBarrier = shimShmBarrier;
    g_methods.xShmUnmap = shimShmUnmap;
    g_methods.xFetch = shimFetch;
    g_methods.xUnfetch = shimUnfetch;

    std::memset(&g_vfs, 0, sizeof g_vfs);
    g_vfs.iVersion = 2;
    g_vfs.szOsFile = static_cast<int>(sizeof(ShimFile)) + g_state.real->szOsFile;
    g_vfs.mxPathname = g_state.real->mxPathname;
    g_vfs.zName = "pusla-crash";
    g_vfs.xOpen = shimOpen;
    g_vfs.xDelete = shimDelete;
    g_vfs.xAccess = shimAccess;
    g_vfs.xFullPathname = shimFullPathname;
    g_vfs.xDlOpen = shimDlOpen;
    g_vfs.xDlError = shimDlError;
    g_vfs.xDlSym = shimDlSym;
    g_vfs.xDlClose = shimDlClose;
    g_vfs.xRandomness = shimRandomness;
    g_vfs.xSleep = shimSleep;
    g_vfs.xCurrentTime = shimCurrentTime;
    g_vfs.xGetLastError = shimGetLastError;
    g_vfs.xCurrentTimeInt64 = shimCurrentTimeInt64;
    sqlite3_vfs_register(&g_vfs, 1);
}

void armCrashVfs(qint64 target, int exitCode, FileFault fault, quint32 seed)
{
    g_state.seen = 0;
    g_state.target = target;
    g_state.exitCode = exitCode;
    g_state.fault = fault;
    g_state.seed = seed;
    g_state.armed = true;
}

bool fileStepFails(const char *what)
{
    return beforeChange(what);
}

qint64 disarmCrashVfs()
{
    g_state.armed = false;
    return g_state.seen;
}

} // namespace pusla::harness
