#pragma once

#include "sysinfosources.h"

// The memory status, in bytes, as 64-bit amounts. Every read takes a fresh
// snapshot:
//   AllSpace / FreeSpace        MemTotal / MemAvailable of /proc/meminfo
//                               (older kernels: MemFree + Buffers + Cached)
//   AllPageFile / FreePageFile  SwapTotal / SwapFree
//   AllVirtual                  size of the user address space
//   FreeVirtual                 that minus VmSize of /proc/self/status
//   UseRatio                    physical memory in use, percent (rounded)
class clsMemoryInfomation
{
public:
    explicit clsMemoryInfomation(SysInfoSources sources = {});

    qint64 AllSpace();
    qint64 FreeSpace();
    qint64 AllPageFile();
    qint64 FreePageFile();
    qint64 AllVirtual();
    qint64 FreeVirtual();
    qint32 UseRatio();

private:
    void queryMemory();

    SysInfoSources m_sources;
    // The last snapshot.
    qint64 m_total = 0;
    qint64 m_available = 0;
    qint64 m_totalSwap = 0;
    qint64 m_freeSwap = 0;
    qint64 m_totalVirtual = 0;
    qint64 m_freeVirtual = 0;
    qint32 m_load = 0;
};
