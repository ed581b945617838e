#include "database/joined_writes_vfs.h"

#include <sqlite3.h>

#include <cstring>
#include <mutex>
#include <new>

namespace kiruvan {
namespace {

// A write at most this long is held back until the next call on the file.
constexpr int kLongestHeldWrite = 64;

sqlite3_vfs* systemVfs = nullptr;

// The engine allocates szOsFile bytes per file: this wrapper, then the system's file.
struct JoiningFile {
    sqlite3_file base;
    sqlite3_io_methods methods;  // the system file's, with our own write and passes
    sqlite3_file* real;
    bool joins;  // only write-ahead logs: their frames are a header and a page
    int heldLength;
    sqlite3_int64 heldOffset;
    unsigned char held[kLongestHeldWrite];
    unsigned char* joined;  // a header and a page, copied together
    int joinedCapacity;
};

JoiningFile* joining(sqlite3_file* file)
{
    return reinterpret_cast<JoiningFile*>(file);
}

// Writes what was held back, alone; every call but a write that follows it calls this first.
int writeHeld(JoiningFile* f)
{
    if (f->heldLength == 0)
        return SQLITE_OK;
    const int length = f->heldLength;
    f->heldLength = 0;
    return f->real->pMethods->xWrite(f->real, f->held, length, f->heldOffset);
}

int writeHeldAndNext(JoiningFile* f, const void* data, int amount)
{
    const int total = f->heldLength + amount;
    if (total > f->joinedCapacity) {
        auto* bigger = static_cast<unsigned char*>(sqlite3_realloc(f->joined, total));
        if (!bigger)
            return SQLITE_NOMEM;
        f->joined = bigger;
        f->joinedCapacity = total;
    }
    std::memcpy(f->joined, f->held, static_cast<size_t>(f->heldLength));
    std::memcpy(f->joined + f->heldLength, data, static_cast<size_t>(amount));
    const sqlite3_int64 start = f->heldOffset;
    f->heldLength = 0;
    return f->real->pMethods->xWrite(f->real, f->joined, total, start);
}

int joinedWrite(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset)
{
    JoiningFile* f = joining(file);
    if (f->heldLength > 0 && f->heldOffset + f->heldLength == offset)
        return writeHeldAndNext(f, data, amount);
    if (const int rc = writeHeld(f); rc != SQLITE_OK)
        return rc;
    if (f->joins && amount <= kLongestHeldWrite) {
        std::memcpy(f->held, data, static_cast<size_t>(amount));
        f->heldLength = amount;
        f->heldOffset = offset;
        return SQLITE_OK;
    }
    return f->real->pMethods->xWrite(f->real, data, amount, offset);
}

int joinedClose(sqlite3_file* file)
{
    JoiningFile* f = joining(file);
    const int held = writeHeld(f);
    const int rc = f->real->pMethods->xClose(f->real);
    sqlite3_free(f->joined);
    f->joined = nullptr;
    return held != SQLITE_OK ? held : rc;
}

// Each pass writes what was held back, then calls the system file's own method.
template <auto Member, typename... Args>
int pass(sqlite3_file* file, Args... args)
{
    JoiningFile* f = joining(file);
    if (const int rc = writeHeld(f); rc != SQLITE_OK)
        return rc;
    return (f->real->pMethods->*Member)(f->real, args...);
}

template <auto Member, typename... Args>
void passVoid(sqlite3_file* file, Args... args)
{
    JoiningFile* f = joining(file);
    writeHeld(f);
    (f->real->pMethods->*Member)(f->real, args...);
}

int passSectorSize(sqlite3_file* file)
{
    return joining(file)->real->pMethods->xSectorSize(joining(file)->real);
}

int passDeviceCharacteristics(sqlite3_file* file)
{
    return joining(file)->real->pMethods->xDeviceCharacteristics(joining(file)->real);
}

// The system file's methods, each replaced by a pass where the system file has one.
sqlite3_io_methods methodsOver(const sqlite3_io_methods& real)
{
    sqlite3_io_methods m{};
    m.iVersion = real.iVersion;
    m.xClose = joinedClose;
    m.xRead = pass<&sqlite3_io_methods::xRead, void*, int, sqlite3_int64>;
    m.xWrite = joinedWrite;
    m.xTruncate = pass<&sqlite3_io_methods::xTruncate, sqlite3_int64>;
    m.xSync = pass<&sqlite3_io_methods::xSync, int>;
    m.xFileSize = pass<&sqlite3_io_methods::xFileSize, sqlite3_int64*>;
    m.xLock = pass<&sqlite3_io_methods::xLock, int>;
    m.xUnlock = pass<&sqlite3_io_methods::xUnlock, int>;
    m.xCheckReservedLock = pass<&sqlite3_io_methods::xCheckReservedLock, int*>;
    m.xFileControl = pass<&sqlite3_io_methods::xFileControl, int, void*>;
    m.xSectorSize = passSectorSize;
    m.xDeviceCharacteristics = passDeviceCharacteristics;
    if (real.iVersion >= 2) {
        m.xShmMap = real.xShmMap ? pass<&sqlite3_io_methods::xShmMap, int, int, int, void volatile**> : nullptr;
        m.xShmLock = real.xShmLock ? pass<&sqlite3_io_methods::xShmLock, int, int, int> : nullptr;
        m.xShmBarrier = real.xShmBarrier ? passVoid<&sqlite3_io_methods::xShmBarrier> : nullptr;
        m.xShmUnmap = real.xShmUnmap ? pass<&sqlite3_io_methods::xShmUnmap, int> : nullptr;
    }
    if (real.iVersion >= 3) {
        m.xFetch = real.xFetch ? pass<&sqlite3_io_methods::xFetch, sqlite3_int64, int, void**> : nullptr;
        m.xUnfetch = real.xUnfetch ? pass<&sqlite3_io_methods::xUnfetch, sqlite3_int64, void*> : nullptr;
    }
    return m;
}

int joiningOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags)
{
    auto* f = new (file) JoiningFile{};
    f->real = reinterpret_cast<sqlite3_file*>(f + 1);
    const int rc = systemVfs->xOpen(systemVfs, name, f->real, flags, outFlags);
    if (rc != SQLITE_OK || !f->real->pMethods) {
        f->base.pMethods = nullptr;
        return rc;
    }
    f->joins = (flags & SQLITE_OPEN_WAL) != 0;
    f->methods = methodsOver(*f->real->pMethods);
    f->base.pMethods = &f->methods;
    return SQLITE_OK;
}

sqlite3_vfs joiningVfs;

}  // namespace

const char* joinedWritesVfs()
{
    static std::once_flag registered;
    std::call_once(registered, [] {
        systemVfs = sqlite3_vfs_find(nullptr);
        joiningVfs = *systemVfs;
        joiningVfs.zName = "kiruvan-joined-writes";
        joiningVfs.szOsFile = static_cast<int>(sizeof(JoiningFile)) + systemVfs->szOsFile;
        joiningVfs.xOpen = joiningOpen;
        joiningVfs.pNext = nullptr;
        sqlite3_vfs_register(&joiningVfs, 0);
    });
    return joiningVfs.zName;
}

}  // namespace kiruvan
