#pragma once

#include "sysinfosources.h"

#include <QString>
#include <QVariant>

// The operating system, the processors, the registration and maker data and
// the desktop work area. Every read asks the system afresh.
//
// Where the facts come from on this platform:
//   ComputerName      /proc/sys/kernel/hostname
//   UserName          login name from the password database
//   OSPlatform        0: neither the 95/98 nor the NT family
//   OSVersion/Build   /proc/sys/kernel/osrelease "major.minor.patch-...":
//                     "major.minor" and the patch level. Distribution
//                     kernels keep their own number there (Debian's
//                     "6.1.0-18-amd64" is 6.1.76): the patch level of the
//                     same major.minor named in the kernel's version text
//                     (/proc/sys/kernel/version, "uname -v": "... Debian
//                     6.1.76-1 ...") or in Ubuntu's /proc/version_signature
//                     wins over the release string's
//   OSBootMode        1 when the kernel command line asks for single-user,
//                     rescue or emergency mode, otherwise 0
//   ProcessorNum      /sys/devices/system/cpu/online, else /proc/cpuinfo
//   ProcessorType     x86 "cpu family" 3 -> 1, 4 -> 2, 5 and later -> 3
//   RegOwner          full name from the password database
//   RegOrganization   "" (no such fact here)
//   ProductId         /etc/machine-id
//   ProductName       PRETTY_NAME of /etc/os-release
//   Manufacturer ...  /sys/class/dmi/id/ sys_vendor, product_name,
//                     product_version (SubModel), product_serial (SerialNo)
//   WorkArea...       the ScreenFacts given, none: 0
class clsSystemInfomation
{
public:
    explicit clsSystemInfomation(SysInfoSources sources = {}, const ScreenFacts *screen = nullptr);

    QString ComputerName() const;
    QString UserName() const;
    qint32 OSPlatform() const;
    QString OSVersion() const;
    QVariant OSBuild() const;
    bool OSDebugVersion() const;
    bool OSDoubleByte() const;
    qint32 OSBootMode() const;
    qint32 ProcessorNum() const;
    qint32 ProcessorType() const;

    static constexpr qint32 ScaleTwips = 1;
    static constexpr qint32 ScalePixels = 3;
    qint32 ScaleMode() const { return m_scaleMode; }
    void setScaleMode(qint32 mode) { m_scaleMode = mode; }

    qint32 WorkAreaLeft();
    qint32 WorkAreaTop();
    qint32 WorkAreaWidth();
    qint32 WorkAreaHeight();

    QString RegOwner() const;
    QString RegOrganization() const;
    QString ProductId() const;
    QString ProductName() const;

    QString Manufacturer() const;
    QString Model() const;
    QString SubModel() const;
    QString SerialNo() const;

private:
    QString proc(QStringView path) const;
    QString sys(QStringView path) const;
    QString etc(QStringView path) const;
    QStringList osReleaseNumbers() const;
    QString kernelPatchLevel(const QStringList &release) const;
    void queryWorkArea();
    qint32 scaled(qint32 pixels) const;

    SysInfoSources m_sources;
    const ScreenFacts *m_screen = nullptr;
    qint32 m_scaleMode = ScalePixels;
    // The last work-area query, in pixels.
    QRect m_workArea;
};
