#include "CrashVfs.h"

#include <cstdio>
#include <cstring>
#include <sqlite3.h>
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
};

State g_state;
sqlite3_vfs g_vfs;
sqlite3_io_methods g_methods;

void beforeChange(const char *what)
{
    if (!g_state.armed)
        return;
    ++g_state.seen;
    if (g_state.target > 0 && g_state.seen >= g_state.target) {
        std::printf("crash before file operation %lld (%s)\n", static_cast<long long>(g_state.seen), what);
        std::fflush(stdout);
        ::_exit(g_state.exitCode);
    }
}

struct ShimFile
{
    sqlite3_file base;
    sqlite3_file *real;
};

sqlite3_file *real(sqlite3_file *file)
{
    return reinterpret_cast<ShimFile *>(file)->real;
}

int shimClose(sqlite3_file *f)
{
    const int rc = real(f)->pMethods ? real(f)->pMethods->xClose(real(f)) : SQLITE_OK;
    return rc;
}
int shimRead(sqlite3_file *f, void *p, int n, sqlite3_int64 o) { return real(f)->pMethods->xRead(real(f), p, n, o); }
int shimWrite(sqlite3_file *f, const void *p, int n, sqlite3_int64 o)
{
    beforeChange("write");
    return real(f)->pMethods->xWrite(real(f), p, n, o);
}
int shimTruncate(sqlite3_file *f, sqlite3_int64 size)
{
    beforeChange("truncate");
    return real(f)->pMethods->xTruncate(real(f), size);
}
int shimSync(sqlite3_file *f, int flags)
{
    beforeChange("sync");
    return real(f)->pMethods->xSync(real(f), flags);
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
    const int rc = g_state.real->xOpen(g_state.real, name, shim->real, flags, outFlags);
    shim->base.pMethods = shim->real->pMethods ? &g_methods : nullptr;
    return rc;
}

int shimDelete(sqlite3_vfs *, const char *name, int syncDir)
{
    // Deleting a journal or the super-journal is the commit point itself.
    beforeChange("delete");
    return g_state.real->xDelete(g_state.real, name, syncDir);
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

void armCrashVfs(qint64 target, int exitCode)
{
    g_state.seen = 0;
    g_state.target = target;
    g_state.exitCode = exitCode;
    g_state.armed = true;
}

qint64 disarmCrashVfs()
{
    g_state.armed = false;
    return g_state.seen;
}

} // namespace pusla::harness
