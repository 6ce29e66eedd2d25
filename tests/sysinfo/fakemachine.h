#pragma once

#include "sysinfosources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

// A machine made of files: /proc, /sys, /etc and /dev below one temporary
// folder, a mount table (mountinfo format) and a statvfs answer per mount
// point.
class FakeMachine
{
public:
    FakeMachine()
    {
        m_sources.procRoot = path(QStringLiteral("proc"));
        m_sources.sysRoot = path(QStringLiteral("sys"));
        m_sources.etcRoot = path(QStringLiteral("etc"));
        m_sources.devRoot = path(QStringLiteral("dev"));
        m_sources.rootDir = path(QStringLiteral("root"));
        m_sources.mountTable = path(QStringLiteral("mounts"));
        m_sources.account = [] { return std::optional<AccountFacts>(); };
        m_sources.statVolume = [spaces = &m_spaces](const QString &root) {
            return spaces->contains(root) ? std::optional<VolumeSpace>(spaces->value(root)) : std::nullopt;
        };
    }

    QString path(const QString &relative) const { return m_dir.path() + QLatin1Char('/') + relative; }

    void write(const QString &relative, const QByteArray &content)
    {
        const QString file = path(relative);
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(content);
    }

    void link(const QString &target, const QString &relativeLink)
    {
        QDir().mkpath(QFileInfo(path(relativeLink)).absolutePath());
        QVERIFY(QFile::link(target, path(relativeLink)));
    }

    // A mounted file system whose root is a real folder below the machine.
    QString mount(
        const QString &device, const QString &name, const QString &type, VolumeSpace space = { 4096, 100, 50, 255 })
    {
        const QString root = path(QStringLiteral("mnt/") + name);
        QDir().mkpath(root);
        ++m_mounts;
        addMountLine(QStringLiteral("0:%1").arg(m_mounts), QStringLiteral("/"), root, type, device);
        m_spaces.insert(root, space);
        m_mountOf.insert(root, { device, type, QStringLiteral("0:%1").arg(m_mounts) });
        return root;
    }

    // A bind mount of folder (below the file system mounted at source) at a
    // new mount point: the same file system, the same figures.
    QString bindMount(const QString &source, const QString &folder, const QString &name)
    {
        const QString root = path(QStringLiteral("mnt/") + name);
        QDir().mkpath(root);
        const MountOf of = m_mountOf.value(source);
        addMountLine(of.deviceNumber, folder, root, of.type, of.device);
        m_spaces.insert(root, m_spaces.value(source));
        return root;
    }

    // A mount-table line whose mount point is not below the machine.
    void addMountLine(const QString &deviceNumber, const QString &fsRoot, const QString &mountPoint,
        const QString &type, const QString &device)
    {
        const auto escaped = [](const QString &text) { return text.toUtf8().replace(" ", "\\040"); };
        m_table += QByteArray::number(100 + m_lines) + " 1 " + deviceNumber.toUtf8() + ' ' + escaped(fsRoot) + ' '
            + escaped(mountPoint) + " rw,relatime shared:" + QByteArray::number(m_lines) + " - " + type.toUtf8() + ' '
            + escaped(device) + " rw\n";
        ++m_lines;
        write(QStringLiteral("mounts"), m_table);
    }

    SysInfoSources sources() const { return m_sources; }
    SysInfoSources &editSources() { return m_sources; }

private:
    QTemporaryDir m_dir;
    SysInfoSources m_sources;
    struct MountOf
    {
        QString device;
        QString type;
        QString deviceNumber;
    };
    QByteArray m_table;
    int m_lines = 0;
    int m_mounts = 0;
    QMap<QString, VolumeSpace> m_spaces;
    QMap<QString, MountOf> m_mountOf;
};

class FixedScreen : public ScreenFacts
{
public:
    FixedScreen(QRect area, double twips)
        : m_area(area)
        , m_twips(twips)
    {
    }
    QRect workArea() const override { return m_area; }
    double twipsPerPixelY() const override { return m_twips; }

private:
    QRect m_area;
    double m_twips;
};
