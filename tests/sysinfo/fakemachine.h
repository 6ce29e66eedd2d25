#pragma once

#include "sysinfosources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

// A machine made of files: /proc, /sys, /etc and /dev below one temporary
// folder, a mount table and a statvfs answer per mount point.
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
        m_table += device.toUtf8() + ' ' + QByteArray(root.toUtf8()).replace(" ", "\\040") + ' ' + type.toUtf8()
            + " rw,relatime 0 0\n";
        write(QStringLiteral("mounts"), m_table);
        m_spaces.insert(root, space);
        return root;
    }

    // A mount-table line whose mount point is not below the machine.
    void addTableLine(const QByteArray &line)
    {
        m_table += line + '\n';
        write(QStringLiteral("mounts"), m_table);
    }

    SysInfoSources sources() const { return m_sources; }
    SysInfoSources &editSources() { return m_sources; }

private:
    QTemporaryDir m_dir;
    SysInfoSources m_sources;
    QByteArray m_table;
    QMap<QString, VolumeSpace> m_spaces;
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
